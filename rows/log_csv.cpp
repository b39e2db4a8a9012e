#include "rows/log_csv.h"

#include <QFile>
#include <QIODevice>
#include <QLocale>
#include <QSaveFile>
#include <QDate>
#include <QTime>

#include <array>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "rows/log_reader.h"

namespace {

QByteArray CsvField(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    bool quote = bytes.startsWith(' ') || bytes.endsWith(' ');
    for (char c : bytes)
        quote = quote || c == ',' || c == '"' || c == '\r' || c == '\n';
    if (!quote)
        return bytes;
    bytes.replace("\"", "\"\"");
    return '"' + bytes + '"';
}

struct RunInfo {
    bool Stdev = false, Raw = false, Mean = false;
};

class CsvWriter {
public:
    CsvWriter(QIODevice& out, const std::set<int>& keys, bool comments) : Out(out), HasComments(comments)
    {
        int i = 0;
        for (int k : keys)
            Index[k] = i++;
    }

    std::map<int, int> Index;

    void Row(const QString& time, const QString& kind, int run, const std::vector<QString>& cells,
             const QString& comment)
    {
        QByteArray line = CsvField(time) + ',' + CsvField(kind) + ',' + QByteArray::number(run);
        for (const QString& c : cells)
            line += ',' + CsvField(c);
        if (HasComments)
            line += ',' + CsvField(comment);
        line += "\r\n";
        Ok = Ok && Out.write(line) == line.size();
    }

    QIODevice& Out;
    bool HasComments;
    bool Ok = true;
};

QString KindName(int tells, const RunInfo& run)
{
    if (tells == 1)
        return QStringLiteral("Raw");
    if (tells == 2 || run.Stdev)
        return QStringLiteral("Mean");
    if (run.Raw != run.Mean)
        return run.Raw ? QStringLiteral("Raw") : QStringLiteral("Mean");
    return QStringLiteral("Raw/Mean");
}

} // namespace

LogCsvResult ConvertLogToCsv(QIODevice& log, QIODevice& csv, const LogCsvFormats& formats,
                             const LogCsvProgress& progress)
{
    using Kind = LogReader::Kind;
    LogCsvResult result;
    if (!log.isOpen() || log.isSequential() || !log.seek(0)) {
        result.Message = QStringLiteral("The log file cannot be read.");
        return result;
    }

    // Pass 1: the columns of every run, and what each run's lines tell of its mode.
    std::set<int> keys;
    std::vector<RunInfo> runs;
    bool comments = false, logLines = false;
    qint64 end = 0;
    {
        LogReader scan(log, formats);
        LogReader::Line line;
        while (scan.Next(line)) {
            end = scan.Position();
            if (progress && scan.ProgressDue(line))
                progress();
            switch (line.What) {
            case Kind::Created:
            case Kind::Appended: logLines = true; break;
            case Kind::Header: {
                logLines = true;
                runs.emplace_back();
                for (int k : scan.Layout().Keys())
                    keys.insert(k);
                break;
            }
            case Kind::Data:
                if (line.Tells == 1)
                    runs.back().Raw = true;
                if (line.Tells == 2)
                    runs.back().Mean = true;
                break;
            case Kind::Stdev: runs.back().Stdev = true; break;
            case Kind::CommentStart: comments = true; break;
            case Kind::Bad:
                if (result.SkippedLines++ == 0)
                    result.FirstSkippedLine = line.Number;
                break;
            default: break;
            }
        }
    }
    if (!logLines) {
        result.Message = QStringLiteral("This is not a log file: it has no creation, appending or header line.");
        result.SkippedLines = result.FirstSkippedLine = 0;
        return result;
    }
    result.Runs = int(runs.size());

    // Pass 2: the rows.
    if (!log.seek(0)) {
        result.Message = QStringLiteral("The log file cannot be read.");
        return result;
    }
    CsvWriter out(csv, keys, comments);
    {
        QByteArray header = "Time,Kind,Run";
        for (int k : keys)
            header += ',' + CsvField(LogColumns::Name(k));
        if (comments)
            header += ",Comment";
        header += "\r\n";
        out.Ok = csv.write(header) == header.size();
    }

    // A row as it goes out, but for its kind (a data line is a mean when a STDEV line follows).
    struct Record {
        QString Time;
        std::vector<QString> Cells;
        int Tells = 0;
    };
    LogCalendar calendar;
    int run = 0;
    auto recordOf = [&](const LogReader::Line& row) {
        Record r;
        if (row.HasTime) {
            if (row.Time.isValid()) {
                const QDate date = calendar.DateOf(row.Time);
                const QString time = row.Time.toString(QStringLiteral("HH:mm:ss"));
                r.Time = date.isValid() ? date.toString(Qt::ISODate) + QLatin1Char(' ') + time : time;
            } else {
                ++result.UnreadTimes;
            }
        }
        r.Cells.resize(keys.size());
        for (const LogReader::Cell& cell : row.Cells) {
            const auto at = out.Index.find(cell.Key);
            if (at != out.Index.end())
                r.Cells[size_t(at->second)] = QString::fromLatin1(cell.Text.data(), qsizetype(cell.Text.size()));
        }
        r.Tells = row.Tells;
        return r;
    };
    auto writeRow = [&](const Record& r, const QString& kind) {
        out.Row(r.Time, kind, run, r.Cells, {});
        ++result.Rows;
    };

    bool pendingData = false;
    Record pending;
    auto flushData = [&](bool followedByStdev) {
        if (!pendingData)
            return;
        pendingData = false;
        const RunInfo info = run > 0 && size_t(run) <= runs.size() ? runs[size_t(run - 1)] : RunInfo();
        writeRow(pending, followedByStdev ? QStringLiteral("Mean") : KindName(pending.Tells, info));
    };

    bool inComment = false;
    QString commentTime;
    QStringList commentLines;
    auto flushComment = [&] {
        if (!inComment)
            return;
        inComment = false;
        while (!commentLines.isEmpty() && commentLines.last().trimmed().isEmpty())
            commentLines.removeLast();
        out.Row(commentTime, QStringLiteral("Comment"), run, std::vector<QString>(keys.size()),
                commentLines.join(QLatin1Char('\n')));
        ++result.Rows;
        commentLines.clear();
    };

    LogReader scan(log, formats, end);
    LogReader::Line line;
    while (scan.Next(line) && out.Ok) {
        if (progress && scan.ProgressDue(line))
            progress();
        const bool stdev = line.What == Kind::Stdev;
        flushData(stdev);
        if (line.What != Kind::CommentLine && line.What != Kind::Blank)
            flushComment();
        switch (line.What) {
        case Kind::Blank:
            if (inComment)
                commentLines << QString();
            break;
        case Kind::Created: calendar.Set(line.Date, QTime()); break;
        case Kind::Appended: calendar.Set(line.Date, line.Time); break;
        case Kind::Header: ++run; break;
        case Kind::Data:
            pending = recordOf(line);
            pendingData = true;
            break;
        case Kind::Stdev: writeRow(recordOf(line), QStringLiteral("STDEV")); break;
        case Kind::CommentStart:
            calendar.Set(line.Date, line.Time);
            inComment = true;
            commentTime = line.Date.toString(Qt::ISODate) + QLatin1Char(' ')
                + line.Time.toString(QStringLiteral("HH:mm:ss"));
            break;
        case Kind::CommentLine:
            commentLines << QString::fromLatin1(line.Text.data(), qsizetype(line.Text.size()));
            break;
        case Kind::Bad: break;
        }
    }
    flushData(false);
    flushComment();

    if (!out.Ok) {
        result.Message = QStringLiteral("The CSV file could not be written.");
        return result;
    }
    result.Ok = true;
    result.Message = QStringLiteral("%1 rows of %2 runs exported.").arg(result.Rows).arg(result.Runs);
    if (result.SkippedLines > 0)
        result.Message += QStringLiteral(" %1 lines that are no log lines were skipped (the first is line %2).")
                              .arg(result.SkippedLines)
                              .arg(result.FirstSkippedLine);
    if (result.UnreadTimes > 0)
        result.Message += QStringLiteral(" %1 times of day were not understood and are left empty.")
                              .arg(result.UnreadTimes);
    return result;
}

bool exportLogToCsv(const QString& logPath, const QString& csvPath, QString* message, const LogCsvFormats& formats,
                    const LogCsvProgress& progress)
{
    auto say = [message](const QString& text) {
        if (message)
            *message = text;
    };
    QFile log(logPath);
    if (!log.open(QIODevice::ReadOnly)) {
        say(QStringLiteral("Cannot open %1: %2").arg(logPath, log.errorString()));
        return false;
    }
    // Written in full or not at all: an existing file is replaced only by a complete CSV.
    QSaveFile csv(csvPath);
    if (!csv.open(QIODevice::WriteOnly)) {
        say(QStringLiteral("Cannot create %1: %2").arg(csvPath, csv.errorString()));
        return false;
    }
    const LogCsvResult result = ConvertLogToCsv(log, csv, formats, progress);
    if (!result.Ok) {
        csv.cancelWriting();
        say(result.Message);
        return false;
    }
    if (!csv.commit()) {
        say(QStringLiteral("Cannot write %1: %2").arg(csvPath, csv.errorString()));
        return false;
    }
    say(result.Message);
    return true;
}
