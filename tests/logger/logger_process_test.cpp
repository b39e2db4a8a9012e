// halyard-log as a program: a stop by signal leaves a whole log, bad options and ports
// that cannot be opened give their messages and exit statuses, and it needs no display.
#include "main_fixture.h"
#include "sim_server.h"

#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>

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

TEST_F(LoggerProcessTest, SigtermStopsTheBenchesAndLeavesACompleteLogWithItsStopLine)
{
    StartBenches(2);
    const QString path = Places.InDriveC(QStringLiteral("RUN.LOG"));
    Logger.start(kProgram, {QStringLiteral("--benches"), QStringLiteral("1,2"), QStringLiteral("--log"), path});
    ASSERT_TRUE(Logger.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return ReadAll(path).count("\r\n") >= 30; }, 20000)) << Logger.readAllStandardError().toStdString();
    ASSERT_EQ(::kill(pid_t(Logger.processId()), SIGTERM), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Logger.state() == QProcess::NotRunning; }, 10000));
    EXPECT_EQ(Logger.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(Logger.exitCode(), 0) << Logger.readAllStandardError().toStdString();

    const QByteArray log = ReadAll(path);
    ASSERT_TRUE(log.endsWith("\r\n\r\n")) << "the Stop line ends the log";
    QList<QByteArray> lines = log.split('\n');
    lines.removeLast(); // after the last line end
    lines.removeLast(); // the Stop line
    ASSERT_GT(lines.size(), 3);
    EXPECT_TRUE(lines[2].startsWith("    Time")) << lines[2].toStdString();
    // Every data line, the last one too, is whole: as long as the first and ended by CR LF.
    for (int i = 3; i < lines.size(); ++i) {
        ASSERT_TRUE(lines[i].endsWith('\r')) << i;
        EXPECT_EQ(lines[i].size(), lines[3].size()) << "line " << i << ": " << lines[i].toStdString();
    }
    EXPECT_GE(DataLines(log), 26);

    // The log converts to CSV: a header row and one row per data line.
    const QString csv = Places.InDriveC(QStringLiteral("RUN.csv"));
    QByteArray err;
    EXPECT_EQ(RunToEnd({QStringLiteral("--log"), path, QStringLiteral("--csv"), csv}, nullptr, &err), 0) << err.toStdString();
    EXPECT_EQ(int(ReadAll(csv).count("\n")), DataLines(log) + 1) << err.toStdString();
    // The benches were told to stop streaming.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !Server->Link(0)->Bench().Streaming(0x01) && !Server->Link(1)->Bench().Streaming(0x01); }, 5000));
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
