// The log-line limit in the headless logger: with --rotate the rows go on in numbered
// continuation files with the same header and none is lost; without it the window's
// message is given and logging stops with the Stop line written.
#include "programs/halyard-log/headless_logger.h"
#include "support/main_fixture.h"
#include "scripted_replies.h"
#include "sim/sim_server.h"

#include <QCoreApplication>
#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr int kLimit = 6; // the creation line and four rows

std::vector<QByteArray> Lines(const QString& path)
{
    QByteArray all = ReadAll(path);
    std::vector<QByteArray> lines;
    for (const QByteArray& l : all.split('\n'))
        lines.push_back(l.endsWith('\r') ? l.chopped(1) : l);
    if (!lines.empty() && lines.back().isEmpty())
        lines.pop_back(); // after the last line end
    return lines;
}

std::vector<QByteArray> DataLines(const std::vector<QByteArray>& lines)
{
    std::vector<QByteArray> rows;
    for (const QByteArray& l : lines)
        if (l.startsWith("12:00:00"))
            rows.push_back(l);
    return rows;
}

struct LoggerLimitTest : ::testing::Test {
    TempPlaces Places;
    FixedClock Clock;
    RecordingMessages Messages;
    std::unique_ptr<sim::SimServer> Server;
    const std::array<bool, 4> Benches{true, false, false, false};

    void SetUp() override
    {
        sim::SimServerConfig config;
        config.devicesDir = Places.Devices;
        config.benches = 1;
        Server = std::make_unique<sim::SimServer>(config);
        QString error;
        ASSERT_TRUE(Server->Start(&error)) << error.toStdString();
    }

    // Logs `steps` replies of bench 1 with the given limit (0: the program's own) and --rotate.
    std::vector<QByteArray> Run(const QString& path, int limit, bool rotate, int steps, bool* failed = nullptr)
    {
        LoggerOptions options;
        options.Benches = Benches;
        options.LogPath = path;
        options.Rotate = rotate;
        HeadlessLogger logger(options, Messages, Clock.Clock());
        bool failedFlag = false;
        logger.Failed = [&] { failedFlag = true; };
        QString error;
        EXPECT_TRUE(logger.OpenPorts(&error)) << error.toStdString();
        ScriptedReplies replies(logger.BenchLink());
        EXPECT_TRUE(logger.Start(&error)) << error.toStdString();
        if (limit > 0)
            logger.Log().SetLineLimit(limit);
        replies.Feed(Benches, steps);
        QCoreApplication::processEvents();
        logger.Stop();
        if (failed)
            *failed = failedFlag;
        return DataLines(Lines(path));
    }
};

TEST_F(LoggerLimitTest, RotateGoesOnInNumberedFilesWithTheSameHeaderAndLosesNoRow)
{
    const QString path = Places.InDriveC(QStringLiteral("run.LOG"));
    // A continuation file of an earlier run is kept: numbering goes past it.
    {
        QFile old(Places.InDriveC(QStringLiteral("run-002.LOG")));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("earlier run\r\n");
    }
    const std::vector<QByteArray> unlimited = Run(Places.InDriveC(QStringLiteral("whole.LOG")), 0, false, 10);
    ASSERT_EQ(unlimited.size(), 10u);

    Run(path, kLimit, true, 10);
    const QString second = Places.InDriveC(QStringLiteral("run-003.LOG"));
    const QString third = Places.InDriveC(QStringLiteral("run-004.LOG"));
    const std::vector<QByteArray> first = Lines(path), next = Lines(second), last = Lines(third);

    ASSERT_GE(first.size(), 3u);
    const QByteArray header = first[2];
    EXPECT_TRUE(header.startsWith("    Time")) << header.toStdString();
    const QByteArray created = " created 14/11/2023";
    const std::vector<QByteArray> nextHead = {"MainLogfile " + second.toLatin1() + created, header};
    const std::vector<QByteArray> lastHead = {"MainLogfile " + third.toLatin1() + created, header};
    ASSERT_EQ(next.size(), 6u);
    EXPECT_EQ(std::vector<QByteArray>(next.begin(), next.begin() + 2), nextHead);
    ASSERT_EQ(last.size(), 5u);
    EXPECT_EQ(std::vector<QByteArray>(last.begin(), last.begin() + 2), lastHead);
    EXPECT_EQ(last.back(), QByteArray()) << "the Stop line ends the last file";
    EXPECT_EQ(ReadAll(Places.InDriveC(QStringLiteral("run-002.LOG"))), QByteArray("earlier run\r\n"));

    // Every row, in order, across the files; the limit counted as the window counts it.
    std::vector<QByteArray> rows = DataLines(first);
    EXPECT_EQ(rows.size(), size_t(kLimit - 2));
    for (const auto* file : {&next, &last})
        for (const QByteArray& row : DataLines(*file))
            rows.push_back(row);
    EXPECT_EQ(rows, unlimited);
    EXPECT_TRUE(Messages.Messages.isEmpty()) << Messages.Texts().join('|').toStdString();
}

TEST_F(LoggerLimitTest, WithoutRotateTheWindowsMessageEndsLoggingWithTheStopLine)
{
    const QString path = Places.InDriveC(QStringLiteral("run.LOG"));
    bool failed = false;
    const std::vector<QByteArray> rows = Run(path, kLimit, false, 10, &failed);
    EXPECT_EQ(rows.size(), size_t(kLimit - 2));
    EXPECT_TRUE(failed);
    ASSERT_EQ(Messages.Messages.size(), 1);
    EXPECT_EQ(Messages.Messages[0].Caption, QStringLiteral("Information"));
    EXPECT_EQ(Messages.Messages[0].Text, QStringLiteral("Log File is full"));
    EXPECT_TRUE(ReadAll(path).endsWith("\r\n\r\n"));
    EXPECT_FALSE(QFile::exists(Places.InDriveC(QStringLiteral("run-002.LOG"))));
}

// An existing log: without --append it is refused and left alone; with --append its lines are
// kept and the run goes on after them (a last line cut short by a crash ends where it was cut).
TEST_F(LoggerLimitTest, AnExistingLogIsContinuedWithAppendAndLeftAloneWithout)
{
    const QString path = Places.InDriveC(QStringLiteral("run.LOG"));
    const QByteArray appending = "Logfile " + path.toLatin1() + " opened for appending ";
    const struct {
        const char* Name;
        bool Append;
        QByteArray Before;
        bool Starts;
        std::vector<QByteArray> KeptLines; // then, with --append, the appending line
    } cases[] = {
        {"no --append", false, "kept\r\n", false, {"kept"}},
        {"--append", true, "kept\r\nalso kept\r\n", true, {"kept", "also kept"}},
        {"--append after a torn last line", true, "kept\r\n12:00:00     1.2", true, {"kept", "12:00:00     1.2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        {
            QFile old(path);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly | QIODevice::Truncate));
            old.write(c.Before);
        }
        LoggerOptions options;
        options.Benches = Benches;
        options.LogPath = path;
        options.Append = c.Append;
        HeadlessLogger logger(options, Messages, Clock.Clock());
        QString error;
        ASSERT_TRUE(logger.OpenPorts(&error)) << error.toStdString();
        ScriptedReplies replies(logger.BenchLink());
        EXPECT_EQ(logger.Start(&error), c.Starts) << error.toStdString();
        if (!c.Starts) {
            EXPECT_EQ(error, path + QStringLiteral(" already exists; give --append to continue it, or another name"));
            EXPECT_EQ(ReadAll(path), c.Before);
            continue;
        }
        replies.Feed(Benches, 3);
        logger.Stop();
        const std::vector<QByteArray> lines = Lines(path);
        const size_t kept = c.KeptLines.size();
        ASSERT_EQ(lines.size(), kept + 7); // appending, File Log On's empty line, header, 3 rows, Stop
        EXPECT_EQ(std::vector<QByteArray>(lines.begin(), lines.begin() + long(kept)), c.KeptLines);
        EXPECT_TRUE(lines[kept].startsWith(appending)) << lines[kept].toStdString();
        EXPECT_TRUE(lines[kept + 2].startsWith("    Time")) << lines[kept + 2].toStdString();
        EXPECT_EQ(DataLines(std::vector<QByteArray>(lines.begin() + long(kept), lines.end())).size(), 3u);
        EXPECT_EQ(lines.back(), QByteArray()) << "the Stop line";
    }
    EXPECT_TRUE(Messages.Messages.isEmpty()) << Messages.Texts().join('|').toStdString();
}

} // namespace
