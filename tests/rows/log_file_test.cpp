#include <gtest/gtest.h>

#include "rows/history_copy.h"
#include "rows_fixture.h"
#include "support/small_disk.h"
#include "rows/text_lines.h"

#include <cerrno>
#include <cstring>

namespace {

struct LogFixture : ::testing::Test {
    int64_t now = 1000;
    LogFile log{FixedClock(&now)};
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("run.LOG"));
};

TEST_F(LogFixture, NewFileWritesTheCreationLineAndReplacesTheFile)
{
    {
        std::FILE* f = OpenFile(path, "wb");
        std::fputs("old contents\r\n", f);
        std::fclose(f);
    }
    ASSERT_TRUE(log.Create(path));
    EXPECT_TRUE(log.IsOpen());
    EXPECT_EQ(log.LinesWritten(), 1);
    EXPECT_EQ(log.FileName(), path);
    log.Close();
    EXPECT_FALSE(log.IsOpen());
    EXPECT_EQ(ReadAll(path), "MainLogfile " + path.toStdString() + " created 17/01/2013\r\n");
}

TEST_F(LogFixture, AppendKeepsTheContentsAndStampsTheOpening)
{
    {
        std::FILE* f = OpenFile(path, "wb");
        std::fputs("old line\r\n", f);
        std::fclose(f);
    }
    ASSERT_TRUE(log.Append(path));
    EXPECT_EQ(log.LinesWritten(), 1);
    log.WriteEmptyLine();
    log.Close();
    EXPECT_EQ(ReadAll(path),
              "old line\r\nLogfile " + path.toStdString() + " opened for appending 17/01/2013 00:16:40\r\n\r\n");

    // A file whose last line a crash cut short: the appending line starts a line of its own.
    {
        std::FILE* f = OpenFile(path, "wb");
        std::fputs("whole\r\n12:00:00     1.2", f);
        std::fclose(f);
    }
    ASSERT_TRUE(log.Append(path));
    log.Close();
    EXPECT_EQ(ReadAll(path),
              "whole\r\n12:00:00     1.2\r\nLogfile " + path.toStdString() + " opened for appending 17/01/2013 00:16:40\r\n");
}

// The disk fills up while rows are logged and space returns later: the failed rows are cut
// back to the last whole line, the failure is reported once with the system's reason, and the
// rows after it start lines of their own.
TEST_F(LogFixture, AFullDiskLeavesOnlyWholeLines)
{
    SmallDisk disk(dir.filePath(QStringLiteral("small")), "64k");
    SMALL_DISK_OR_SKIP(disk);
    const QString small = disk.Path(QStringLiteral("run.LOG"));
    ASSERT_TRUE(log.Create(small));
    // Rows of 40 characters never end at a page boundary: the one that meets the full disk tears.
    const std::string stdev = std::string(30, 's') + "    STDEV";
    std::vector<std::string> written;
    int n = 0;
    auto row = [&] { return "row " + std::to_string(1000000 + n++) + std::string(29, '.'); };
    for (int i = 0; i < 5; ++i) {
        written.push_back(row());
        ASSERT_EQ(log.WriteRow(written.back(), nullptr), LogFile::RowResult::Written);
    }
    ASSERT_TRUE(disk.Fill());
    LogFile::RowResult result = LogFile::RowResult::Written;
    for (int i = 0; i < 200 && result == LogFile::RowResult::Written; ++i) {
        const std::string r = row();
        result = log.WriteRow(r, i % 2 ? &stdev : nullptr);
        if (result == LogFile::RowResult::Written) {
            written.push_back(r);
            if (i % 2)
                written.push_back(stdev);
        }
    }
    ASSERT_EQ(result, LogFile::RowResult::Failed);
    EXPECT_EQ(log.FailureReason(), std::strerror(ENOSPC));
    EXPECT_EQ(log.ProblemText(), QStringLiteral("Problem with log file!\n") + small + QStringLiteral(": ") +
                                     QString::fromLocal8Bit(std::strerror(ENOSPC)));
    EXPECT_TRUE(ReadAll(small).ends_with("\r\n")) << "cut back to the last whole line";
    EXPECT_EQ(log.WriteRow(row(), &stdev), LogFile::RowResult::FailedAgain);
    EXPECT_TRUE(ReadAll(small).ends_with("\r\n"));
    EXPECT_FALSE(log.ReportFailure()) << "reported once";

    disk.Free();
    for (int i = 0; i < 3; ++i) {
        written.push_back(row());
        ASSERT_EQ(log.WriteRow(written.back(), nullptr), LogFile::RowResult::Written);
    }
    EXPECT_TRUE(log.WriteEmptyLine());
    log.Close();
    std::vector<std::string> lines = SplitLines(ReadAll(small));
    ASSERT_FALSE(lines.empty());
    lines.erase(lines.begin()); // the creation line
    written.push_back("");
    EXPECT_EQ(lines, written);
}

TEST_F(LogFixture, AFileThatCannotBeOpenedLeavesNoFileOpen)
{
    ASSERT_TRUE(log.Create(path));
    const QString bad = dir.filePath(QStringLiteral("missing/folder/x.LOG"));
    EXPECT_FALSE(log.Create(bad));
    EXPECT_FALSE(log.IsOpen());
    EXPECT_FALSE(log.Append(bad));
    EXPECT_FALSE(log.IsOpen());
    EXPECT_EQ(log.WriteRow("row", nullptr), LogFile::RowResult::NotWritten);
    EXPECT_FALSE(log.WriteEmptyLine());
    EXPECT_FALSE(log.WriteComment(std::vector<std::string>{"x"}));
    // The earlier file was closed intact.
    EXPECT_EQ(SplitLines(ReadAll(path)).size(), 1u);
}

TEST_F(LogFixture, CommentBlocks)
{
    struct Case {
        const char* name;
        QString memo;
        std::string lines;
    };
    const std::vector<Case> cases = {
        {"untouched memo", QString(), " \r\n"},
        {"two lines", QStringLiteral("first\nsecond"), "first\r\nsecond\r\n"},
        {"CR LF memo with empty line", QStringLiteral("a\r\n\r\nb"), "a\r\n \r\nb\r\n"},
        {"Latin-1", QString::fromUtf8("25 \xC2\xB0" "C"), "25 \xB0" "C\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(log.Create(path));
        ASSERT_TRUE(log.WriteComment(c.memo));
        log.Close();
        const std::string all = ReadAll(path);
        const std::string expected = "\r\n\r\n17/01/2013 00:16:40\r\n" + c.lines;
        EXPECT_EQ(all.substr(all.find("\r\n") + 2), expected);
        EXPECT_EQ(log.LinesWritten(), 1); // comments do not count
    }
}

TEST_F(LogFixture, RowsCountAgainstTheLimitAndFullIsReportedOnce)
{
    log.SetLineLimit(5);
    ASSERT_TRUE(log.Create(path));
    const std::string stdev = "s    STDEV";
    EXPECT_EQ(log.WriteRow("r1", &stdev), LogFile::RowResult::Written); // 2, 3
    EXPECT_EQ(log.LinesWritten(), 3);
    EXPECT_EQ(log.WriteRow("r2", nullptr), LogFile::RowResult::Written); // 4
    EXPECT_EQ(log.WriteRow("r3", &stdev), LogFile::RowResult::FirstFull); // 5: refused with its STDEV line
    EXPECT_EQ(log.WriteRow("r4", nullptr), LogFile::RowResult::Full);
    EXPECT_EQ(log.LinesWritten(), 6);
    log.WriteHeaderLine("");
    log.Close();
    EXPECT_EQ(SplitLines(ReadAll(path)),
              (std::vector<std::string>{SplitLines(ReadAll(path))[0], "r1", "s    STDEV", "r2", " "}));

    // A new file reports full again.
    ASSERT_TRUE(log.Create(path));
    log.SetLineLimit(2);
    EXPECT_EQ(log.WriteRow("x", nullptr), LogFile::RowResult::FirstFull);
}

TEST_F(LogFixture, RowsAreOnDiskWithoutClosing)
{
    ASSERT_TRUE(log.Create(path));
    log.WriteRow("row one", nullptr);
    EXPECT_EQ(SplitLines(ReadAll(path)).back(), "row one");
}

TEST_F(LogFixture, HistoryCopyBusyWritesAndCountsNothing)
{
    ASSERT_TRUE(log.Create(path));
    log.SetHistoryCopyBusy(true);
    EXPECT_EQ(log.WriteRow("lost", nullptr), LogFile::RowResult::NotWritten);
    EXPECT_EQ(log.LinesWritten(), 1);
    log.SetHistoryCopyBusy(false);
    EXPECT_EQ(log.WriteRow("kept", nullptr), LogFile::RowResult::Written);
    EXPECT_EQ(SplitLines(ReadAll(path)).back(), "kept");
}

TEST_F(LogFixture, HistoryCopyCopiesTheLogAndLoggingGoesOn)
{
    const QString history = dir.filePath(QStringLiteral("history.log"));
    ASSERT_TRUE(log.Create(path));
    const std::string longLine(600, 'L');
    log.WriteRow("first", nullptr);
    log.WriteRow(longLine, nullptr);
    log.WriteEmptyLine();

    const HistoryCopyResult r = CopyLogToHistory(log, history);
    EXPECT_TRUE(r.Ran);
    EXPECT_TRUE(r.Messages.empty());
    EXPECT_FALSE(r.LogClosed);
    EXPECT_TRUE(log.IsOpen());
    EXPECT_FALSE(log.HistoryCopyBusy());
    EXPECT_EQ(ReadAll(history), ReadAll(path));

    std::vector<std::string> lines;
    ASSERT_TRUE(ReadHistoryFile(history, lines));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[1], "first");
    EXPECT_EQ(lines[2], longLine.substr(0, 498)); // a long line lists as two entries
    EXPECT_EQ(lines[3], longLine.substr(498));
    EXPECT_EQ(lines[4], "");

    EXPECT_EQ(log.WriteRow("after", nullptr), LogFile::RowResult::Written);
    EXPECT_EQ(SplitLines(ReadAll(path)).back(), "after");
    EXPECT_EQ(SplitLines(ReadAll(path))[1], "first");
}

TEST_F(LogFixture, HistoryFailures)
{
    // No log open: nothing is copied; the history file as last copied is read.
    HistoryCopyResult r = CopyLogToHistory(log, dir.filePath(QStringLiteral("h.log")));
    EXPECT_FALSE(r.Ran);
    std::vector<std::string> lines{"stale"};
    EXPECT_FALSE(ReadHistoryFile(dir.filePath(QStringLiteral("h.log")), lines));

    // The history file cannot be created: the log is reopened and goes on.
    ASSERT_TRUE(log.Create(path));
    r = CopyLogToHistory(log, dir.filePath(QStringLiteral("no/such/h.log")));
    EXPECT_TRUE(r.Ran);
    EXPECT_EQ(r.Messages, (std::vector<QString>{QString::fromLatin1(kFileHistoryOpenFailed)}));
    EXPECT_TRUE(log.IsOpen());
    EXPECT_EQ(log.WriteRow("still logging", nullptr), LogFile::RowResult::Written);
    EXPECT_EQ(SplitLines(ReadAll(path)).back(), "still logging");

    // The log vanished meanwhile: it cannot be read, and reopening for
    // appending creates it again rather than losing later rows.
    QFile::remove(path);
    r = CopyLogToHistory(log, dir.filePath(QStringLiteral("h.log")));
    EXPECT_EQ(r.Messages, (std::vector<QString>{QString::fromLatin1(kFileLogOpenFailed)}));
    EXPECT_TRUE(log.IsOpen());

    // The log's name now holds a folder: it cannot be copied nor reopened, so
    // the log ends up closed instead of silently dropping rows.
    QFile::remove(path);
    ASSERT_TRUE(QDir().mkdir(path));
    r = CopyLogToHistory(log, dir.filePath(QStringLiteral("h.log")));
    EXPECT_TRUE(r.LogClosed);
    ASSERT_FALSE(r.Messages.empty());
    EXPECT_EQ(r.Messages.back(), QString::fromLatin1(kFileLogOpenFailed));
    EXPECT_FALSE(log.IsOpen());
    EXPECT_FALSE(log.HistoryCopyBusy());
}

TEST(HistoryPath, LivesOnDriveC)
{
    qputenv("HALYARD_DRIVE_C", "/tmp/halyard-drive-c-test");
    EXPECT_EQ(HistoryFilePath(), QStringLiteral("/tmp/halyard-drive-c-test/history.log"));
    qunsetenv("HALYARD_DRIVE_C");
}

} // namespace
