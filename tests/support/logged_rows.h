#pragma once
// The rows a log holds, bench by bench, as the feed publishes them: one entry per bench with
// values in each data or STDEV line. A bench without values (not heard from yet, silent, lost)
// has blanks as wide as its cells in its place in the line, and no entry.
#include <QByteArray>
#include <QList>

#include <string>
#include <vector>

struct LoggedBench {
    int Bench = 0; // 1 to 4
    bool Stdev = false;
    std::vector<std::string> Cells;
};

// `benches`: the number of benches in the log's layout. The first `skip` lines (creation line,
// File Log On's empty line, header) are passed over.
inline std::vector<LoggedBench> LoggedBenches(const QByteArray& log, int benches, int skip = 3)
{
    std::vector<LoggedBench> out;
    const QList<QByteArray> lines = log.split('\n');
    for (qsizetype i = skip; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (!line.endsWith('\r'))
            continue; // an unfinished last piece
        line.chop(1);
        const bool stdev = line.endsWith("    STDEV");
        if (stdev)
            line.chop(9);
        // The time of day, then two blanks, then each bench's block, all of one width.
        const qsizetype time = line.indexOf("  ");
        if (time <= 0 || !line.left(time).contains(':'))
            continue;
        const QByteArray rest = line.mid(time + 2);
        if (rest.isEmpty() || rest.size() % benches != 0)
            continue;
        const qsizetype width = rest.size() / benches;
        for (int b = 0; b < benches; ++b) {
            LoggedBench entry{b + 1, stdev, {}};
            for (const QByteArray& t : rest.mid(b * width, width).simplified().split(' '))
                if (!t.isEmpty())
                    entry.Cells.push_back(t.toStdString());
            if (!entry.Cells.empty())
                out.push_back(entry);
        }
    }
    return out;
}
