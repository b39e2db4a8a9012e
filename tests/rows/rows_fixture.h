#pragma once
#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <QDir>
#include <QTemporaryDir>

#include "link/bench_record.h"
#include "rows/calendar_clock.h"
#include "rows/data_rows.h"
#include "rows/grid_model.h"
#include "rows/log_file.h"
#include "link/message_sink.h"

// Records the modal messages instead of showing them.
struct RecordingSink : IMessageSink {
    std::vector<std::string> Shown;
    void Show(const QString& caption, const QString& text, Icon) override
    {
        Shown.push_back(caption.toStdString() + ": " + text.toStdString());
    }
};

// Fixed clock: date "17/01/2013", time of day from the seconds count.
inline CalendarClock FixedClock(const int64_t* now)
{
    CalendarClock c;
    c.NowSeconds = [now] { return *now; };
    c.ShortDate = [](int64_t) { return std::string("17/01/2013"); };
    c.LongTime = [](int64_t t) {
        char text[16];
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", int(t / 3600 % 24), int(t / 60 % 60), int(t % 60));
        return std::string(text);
    };
    return c;
}

inline std::string ReadAll(const QString& path)
{
    std::string bytes;
    if (std::FILE* f = std::fopen(QFile::encodeName(path).constData(), "rb")) {
        char block[4096];
        size_t n;
        while ((n = std::fread(block, 1, sizeof block, f)) > 0)
            bytes.append(block, n);
        std::fclose(f);
    }
    return bytes;
}

// Lines of a CR LF file (a last line without line end included).
inline std::vector<std::string> SplitLines(const std::string& bytes)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(bytes.substr(start));
            break;
        }
        lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// Four bench records, a grid, the rows and a log file in a temporary folder.
struct RowsFixture {
    int64_t now = 1000; // 00:16:40
    std::unique_ptr<std::array<BenchRecord, 4>> benches = std::make_unique<std::array<BenchRecord, 4>>();
    GridModel grid;
    DataRows rows{*benches, grid, FixedClock(&now)};
    LogFile log{FixedClock(&now)};
    RecordingSink sink;
    QTemporaryDir dir;

    RowsFixture()
    {
        rows.Log = &log;
        rows.Messages = &sink;
        rows.Settings.GridHeightPixels = 200; // 14 rows
    }

    QString LogPath() const { return dir.filePath(QStringLiteral("data.LOG")); }

    // Opens benches (0-based), rebuilds the header.
    void Open(std::initializer_list<int> open)
    {
        rows.Settings.PortOpen = {};
        for (int b : open)
            rows.Settings.PortOpen[b] = true;
        rows.RebuildHeader();
    }

    void StartLogging()
    {
        ASSERT_TRUE(log.Create(LogPath()));
        rows.Settings.LoggingOn = true;
    }

    void SetGas(int b, int co2, int freon, int o2, int no)
    {
        GasConcentrations& g = (*benches)[b].GasData;
        g.CO2 = co2;
        g.Freon = freon;
        g.O2 = o2;
        g.NO = no;
    }

    // A data reply of bench b reaches the row output (flags as the link's decoder sets them).
    void Reply(int b)
    {
        rows.MarkNewData(b);
        (*benches)[b].DataSinceRequest = true;
        (*benches)[b].DataTimedOut = false;
        rows.AddDataRow();
    }

    std::string Row(int r) const { return grid.JoinRow(r, rows.ColumnCount()); }
    std::vector<std::string> LogLines() const { return SplitLines(ReadAll(LogPath())); }
};
