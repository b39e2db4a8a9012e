// halyard-log as a program: a stop by signal leaves a whole log (an ignored hang-up leaves it
// running), a full disk ends the run with its reason and whole lines, bad options and ports that
// cannot be opened (a busy one names its holder) give their messages and exit statuses, and it
// needs no display.
#include "support/main_fixture.h"
#include "sim/sim_server.h"
#include "support/small_disk.h"

#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>

#include <signal.h>

namespace {

const QString kProgram = QStringLiteral(HALYARD_LOG_EXE);

struct LoggerProcessTest : ::testing::Test {
    TempPlaces Places;
    std::unique_ptr<sim::SimServer> Server;
    QProcess Logger;

    void StartBenches(int benches)
    {
        sim::SimServerConfig config;
        config.devicesDir = Places.Devices;
        config.benches = benches;
        config.bench.replyPeriodMs = 10;
        Server = std::make_unique<sim::SimServer>(config);
        QString error;
        ASSERT_TRUE(Server->Start(&error)) << error.toStdString();
    }
    // Runs halyard-log to its end (the simulated benches keep answering meanwhile).
    int RunToEnd(const QStringList& args, QByteArray* out = nullptr, QByteArray* err = nullptr)
    {
        Logger.start(kProgram, args);
        EXPECT_TRUE(Logger.waitForStarted());
        EXPECT_TRUE(QTest::qWaitFor([&] { return Logger.state() == QProcess::NotRunning; }, 20000));
        if (out)
            *out = Logger.readAllStandardOutput();
        if (err)
            *err = Logger.readAllStandardError();
        return Logger.exitStatus() == QProcess::NormalExit ? Logger.exitCode() : -1;
    }
    void TearDown() override
    {
        if (Logger.state() != QProcess::NotRunning) {
            Logger.kill();
            Logger.waitForFinished();
        }
    }
};

int DataLines(const QByteArray& log) { return int(log.count("\r\n")) - 4; } // creation, empty, header, Stop

// Every data line, the last one too, is whole: as long as the first and ended by CR LF.
void ExpectWholeDataLines(const QByteArray& log)
{
    QList<QByteArray> lines = log.split('\n');
    lines.removeLast(); // after the last line end
    ASSERT_GT(lines.size(), 3);
    EXPECT_TRUE(lines[2].startsWith("    Time")) << lines[2].toStdString();
    for (int i = 3; i < lines.size(); ++i) {
        if (lines[i] == "\r" && i == lines.size() - 1)
            continue; // the Stop line
        ASSERT_TRUE(lines[i].endsWith('\r')) << i;
        EXPECT_EQ(lines[i].size(), lines[3].size()) << "line " << i << ": " << lines[i].toStdString();
    }
}

// SIGTERM, SIGINT and SIGHUP (a closed terminal, a logout) end the run the same clean way: the
// benches are told to stop, the Stop line ends a log of whole lines, the ports and their lock
// files are gone, and the exit status is 0.
TEST_F(LoggerProcessTest, StopSignalsStopTheBenchesAndLeaveACompleteLogWithItsStopLine)
{
    StartBenches(2);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(::strsignal(signal));
        const QString path = Places.InDriveC(QStringLiteral("RUN%1.LOG").arg(signal));
        Logger.start(kProgram, {QStringLiteral("--benches"), QStringLiteral("1,2"), QStringLiteral("--log"), path});
        ASSERT_TRUE(Logger.waitForStarted());
        ASSERT_TRUE(QTest::qWaitFor([&] { return ReadAll(path).count("\r\n") >= 30; }, 20000)) << Logger.readAllStandardError().toStdString();
        EXPECT_EQ(SerialLockFiles(Places.Devices).size(), 2) << "the ports are held while it runs";
        ASSERT_EQ(::kill(pid_t(Logger.processId()), signal), 0);
        ASSERT_TRUE(QTest::qWaitFor([&] { return Logger.state() == QProcess::NotRunning; }, 10000));
        EXPECT_EQ(Logger.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(Logger.exitCode(), 0) << Logger.readAllStandardError().toStdString();

        const QByteArray log = ReadAll(path);
        ASSERT_TRUE(log.endsWith("\r\n\r\n")) << "the Stop line ends the log";
        ExpectWholeDataLines(log);
        EXPECT_GE(DataLines(log), 26);
        EXPECT_EQ(SerialLockFiles(Places.Devices), QStringList{}) << "lock files left behind";

        // The log converts to CSV: a header row and one row per data line.
        const QString csv = Places.InDriveC(QStringLiteral("RUN%1.csv").arg(signal));
        QByteArray err;
        EXPECT_EQ(RunToEnd({QStringLiteral("--log"), path, QStringLiteral("--csv"), csv}, nullptr, &err), 0) << err.toStdString();
        EXPECT_EQ(int(ReadAll(csv).count("\n")), DataLines(log) + 1) << err.toStdString();
        // The benches were told to stop streaming.
        EXPECT_TRUE(QTest::qWaitFor([&] { return !Server->Link(0)->Bench().Streaming(0x01) && !Server->Link(1)->Bench().Streaming(0x01); }, 5000));
    }
}

// Started under nohup (SIGHUP ignored), the logger outlives its terminal.
TEST_F(LoggerProcessTest, AnIgnoredHangUpKeepsItRunning)
{
    StartBenches(1);
    const QString path = Places.InDriveC(QStringLiteral("NOHUP.LOG"));
    Logger.setChildProcessModifier([] { ::signal(SIGHUP, SIG_IGN); });
    Logger.start(kProgram, {QStringLiteral("--benches"), QStringLiteral("1"), QStringLiteral("--log"), path});
    ASSERT_TRUE(Logger.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return ReadAll(path).count("\r\n") >= 10; }, 20000));
    ASSERT_EQ(::kill(pid_t(Logger.processId()), SIGHUP), 0);
    const qsizetype lines = ReadAll(path).count("\r\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return ReadAll(path).count("\r\n") >= lines + 20; }, 20000)) << "rows stopped";
    EXPECT_EQ(Logger.state(), QProcess::Running);
    ASSERT_EQ(::kill(pid_t(Logger.processId()), SIGTERM), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Logger.state() == QProcess::NotRunning; }, 10000));
    EXPECT_EQ(Logger.exitCode(), 0);
    EXPECT_TRUE(ReadAll(path).endsWith("\r\n\r\n"));
}

// The disk fills up under a running logger: it says once why writing failed, ends with exit
// status 1, and leaves a log of whole lines only.
TEST_F(LoggerProcessTest, AFullDiskEndsTheRunWithOneMessageAndWholeLines)
{
    SmallDisk disk(Places.Root.filePath(QStringLiteral("small")));
    SMALL_DISK_OR_SKIP(disk);
    StartBenches(2);
    const QString path = disk.Path(QStringLiteral("RUN.LOG"));
    Logger.start(kProgram, {QStringLiteral("--benches"), QStringLiteral("1,2"), QStringLiteral("--log"), path});
    ASSERT_TRUE(Logger.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return ReadAll(path).count("\r\n") >= 30; }, 20000)) << Logger.readAllStandardError().toStdString();
    ASSERT_TRUE(disk.Fill());
    ASSERT_TRUE(QTest::qWaitFor([&] { return Logger.state() == QProcess::NotRunning; }, 20000)) << "the full disk went unnoticed";
    EXPECT_EQ(Logger.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(Logger.exitCode(), 1);
    const QByteArray err = Logger.readAllStandardError();
    EXPECT_EQ(err.count("Problem with log file!"), 1) << err.toStdString();
    EXPECT_TRUE(err.contains("Problem with log file! " + path.toLocal8Bit() + ": " + std::strerror(ENOSPC)))
        << err.toStdString();
    const QByteArray log = ReadAll(path);
    EXPECT_TRUE(log.endsWith("\r\n")) << "the row that did not fit was cut off";
    ExpectWholeDataLines(log);
    EXPECT_EQ(SerialLockFiles(Places.Devices), QStringList{});
}

// A port another program holds is named as such, with the process holding it.
TEST_F(LoggerProcessTest, ABusyPortNamesTheProcessHoldingIt)
{
    StartBenches(1);
    const QString first = Places.InDriveC(QStringLiteral("FIRST.LOG"));
    Logger.start(kProgram, {QStringLiteral("--benches"), QStringLiteral("1"), QStringLiteral("--log"), first});
    ASSERT_TRUE(Logger.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return ReadAll(first).count("\r\n") >= 5; }, 20000));
    QProcess second;
    second.start(kProgram, {QStringLiteral("--benches"), QStringLiteral("1"), QStringLiteral("--log"), Places.InDriveC(QStringLiteral("SECOND.LOG"))});
    ASSERT_TRUE(second.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 20000));
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_EQ(second.readAllStandardError().toStdString(),
              "halyard-log: COM1: cannot open the port: COM1 is in use by another program (process "
                  + std::to_string(Logger.processId()) + ")\n");
}

TEST_F(LoggerProcessTest, FailuresGiveTheirMessageAndExitStatus)
{
    StartBenches(1);
    const QString log = Places.InDriveC(QStringLiteral("A.LOG"));
    const struct {
        QStringList Args;
        int Status;
        const char* Message;
    } cases[] = {
        {{QStringLiteral("--benches"), QStringLiteral("1"), QStringLiteral("--log"), log, QStringLiteral("--samples"), QStringLiteral("x")},
         2, "halyard-log: Number of samples must be a whole number of 0 or more, not \"x\"\nTry 'halyard-log --help'.\n"},
        {{QStringLiteral("--log"), log}, 2, "halyard-log: --benches is missing (for example --benches 1,3)\nTry 'halyard-log --help'.\n"},
        // COM3 is a dangling entry: nothing can be claimed there.
        {{QStringLiteral("--benches"), QStringLiteral("1,3"), QStringLiteral("--log"), log}, 1, "halyard-log: COM3: cannot open the port"},
        {{QStringLiteral("--benches"), QStringLiteral("1"), QStringLiteral("--log"), Places.InDriveC(QStringLiteral("no/such/dir/B.LOG"))},
         1, "halyard-log: Problem with log file!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Args.join(' ').toStdString());
        QByteArray err;
        EXPECT_EQ(RunToEnd(c.Args, nullptr, &err), c.Status);
        EXPECT_TRUE(err.startsWith(c.Message)) << err.toStdString();
        EXPECT_FALSE(QFile::exists(log));
    }
}

TEST_F(LoggerProcessTest, HelpListsTheOptions)
{
    QByteArray out;
    EXPECT_EQ(RunToEnd({QStringLiteral("--help")}, &out), 0);
    for (const char* option : {"--benches", "--log", "--append", "--averaging", "--samples", "--minutes", "--rotate", "--baud", "--csv"})
        EXPECT_TRUE(out.contains(option)) << option;
}

// It runs where no desktop is: Qt Gui paints the --plot pictures (on the offscreen
// platform), but no widgets or printing come with it.
TEST(LoggerProgram, LinksNoWidgets)
{
    QProcess ldd;
    ldd.start(QStringLiteral("ldd"), {kProgram});
    ASSERT_TRUE(ldd.waitForFinished(10000));
    const QByteArray libraries = ldd.readAllStandardOutput();
    EXPECT_TRUE(libraries.contains("libQt6Core")) << libraries.toStdString();
    EXPECT_TRUE(libraries.contains("libQt6SerialPort")) << libraries.toStdString();
    for (const char* gui : {"libQt6Widgets", "libQt6PrintSupport", "libqcustomplot"})
        EXPECT_FALSE(libraries.contains(gui)) << gui;
}

} // namespace
