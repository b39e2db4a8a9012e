// The real program, driven headless, logs two benches streaming at the full rate of a 115200 baud line
// and is killed outright (SIGKILL) in the middle: every line the log holds but the last must be whole,
// CR LF ended and of the right columns, since each logged row is flushed to the file as it is written.
// Asked to end by a signal instead, it shuts down as Exit does.
#include "support/main_fixture.h"
#include "sim/sim_server.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include <csignal>
#include <cstring>
#include <signal.h>

namespace {


// What the test saw of the log while the program wrote it.
struct LogWatch {
    int Looks = 0;       // times the file held something
    int AtLineEnd = 0;   // ... and ended at a line end
    int Lines = 0;       // complete lines at the last look
    bool Look(const QString& path)
    {
        const QByteArray all = ReadAll(path);
        if (all.isEmpty())
            return false;
        ++Looks;
        AtLineEnd += all.endsWith("\r\n");
        Lines = int(all.count("\r\n"));
        return true;
    }
};

struct KillWhileLoggingTest : ::testing::Test {
    TempPlaces Places;
    std::unique_ptr<sim::SimServer> Server;

    void SetUp() override
    {
        sim::SimServerConfig config;
        config.devicesDir = Places.Devices;
        config.benches = 2;
        config.bench.lineRate = true;
        config.bench.baud = 115200;
        Server = std::make_unique<sim::SimServer>(config);
        QString error;
        ASSERT_TRUE(Server->Start(&error)) << error.toStdString();
    }

    // Starts the program on benches 1 and 2 logging into `log`.
    void StartProgram(QProcess& program, const QString& log)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HALYARD_AUTOSTART"), QStringLiteral("1,2;log=") + log);
        env.insert(QStringLiteral("HALYARD_DEVICES"), Places.Devices);
        env.insert(QStringLiteral("HALYARD_DRIVE_C"), Places.DriveC);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C")); // a fixed time format: HH:mm:ss
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(Places.Root.path());
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(QStringLiteral(HALYARD_EXE), {});
        ASSERT_TRUE(program.waitForStarted(kWaitMs)) << program.errorString().toStdString();
    }

    // Starts the program, lets it log at least `rows` lines, then kills it.
    void LogThenKill(const QString& log, int rows, LogWatch& watch)
    {
        QProcess program;
        StartProgram(program, log);
        if (HasFatalFailure())
            return;
        // The simulated benches run in this event loop: wait by running it.
        const bool logged = QTest::qWaitFor([&] { return watch.Look(log) && watch.Lines >= rows; }, kWaitMs);
        EXPECT_EQ(program.state(), QProcess::Running) << "the program ended by itself";
        program.kill(); // SIGKILL: no clean-up of any kind
        EXPECT_TRUE(program.waitForFinished(kWaitMs));
        EXPECT_EQ(program.exitStatus(), QProcess::CrashExit);
        ASSERT_TRUE(logged) << "only " << watch.Lines << " lines were logged";
    }
};

// A row of two benches: the time, then per bench CO2 (7 wide, hundredths), Freon (9, whole),
// O2 (7, hundredths), NO (6, whole), each right aligned, or blanks as wide.
bool IsWholeRow(const QString& line)
{
    static const QRegularExpression time(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d  $"));
    static const QRegularExpression hundredths(QStringLiteral("^ *-?\\d+\\.\\d\\d$"));
    static const QRegularExpression whole(QStringLiteral("^ *-?\\d+$"));
    if (line.size() != 10 + 2 * 29 || !time.match(line.left(10)).hasMatch())
        return false;
    int at = 10;
    for (int bench = 0; bench < 2; ++bench) {
        // A bench not heard from yet in this run has blanks in its place.
        if (line.mid(at, 29).trimmed().isEmpty()) {
            at += 29;
            continue;
        }
        for (const auto& [width, format] : {std::pair{7, &hundredths}, std::pair{9, &whole}, std::pair{7, &hundredths},
                                            std::pair{6, &whole}}) {
            if (!format->match(line.mid(at, width)).hasMatch())
                return false;
            at += width;
        }
    }
    return true;
}

TEST_F(KillWhileLoggingTest, EveryLineButTheLastIsWhole)
{
    // Each kill lands at another point of the writing; a few of them make a torn line likely to show.
    for (int round = 0; round < 3; ++round) {
        const QString log = Places.InDriveC(QStringLiteral("KILL%1.LOG").arg(round));
        LogWatch watch;
        LogThenKill(log, 300 + 97 * round, watch);
        if (HasFatalFailure())
            return;
        // Rows reach the file one by one as they are logged, not in blocks of a buffer: looked at any
        // time, the file ends at a line end (bar a look that meets a write half done).
        EXPECT_GE(watch.AtLineEnd * 10, watch.Looks * 9) << watch.AtLineEnd << " of " << watch.Looks;

        const QByteArray all = ReadAll(log);
        QList<QByteArray> lines = all.split('\n');
        lines.removeLast(); // whatever follows the last line end: the one line that may be cut short
        ASSERT_GE(lines.size(), 300);
        int rows = 0;
        for (int i = 0; i < lines.size(); ++i) {
            QByteArray line = lines[i];
            ASSERT_TRUE(line.endsWith('\r')) << "round " << round << " line " << i << " has no CR LF";
            line.chop(1);
            ASSERT_FALSE(line.contains('\r') || line.contains('\0')) << "round " << round << " line " << i;
            const QString text = QString::fromLatin1(line);
            if (i == 0) {
                EXPECT_TRUE(text.startsWith(QStringLiteral("MainLogfile ") + log + QStringLiteral(" created ")))
                    << text.toStdString();
                continue;
            }
            if (text.isEmpty() || text.startsWith(QStringLiteral("    Time")))
                continue; // the empty line and the header of Start
            ++rows;
            EXPECT_TRUE(IsWholeRow(text)) << "round " << round << " line " << i << ": [" << line.toStdString() << "]";
        }
        EXPECT_GE(rows, 290) << "round " << round;
    }
}

// Asked to end by a signal (a logout, a shutdown, a closed terminal) while it logs, the program
// ends as Exit ends it: the Stop line closes the log, each bench is asked to stop streaming, and
// the ports are closed, their lock files gone.
TEST_F(KillWhileLoggingTest, ASignalEndsTheProgramAsExitDoes)
{
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(::strsignal(signal));
        const QString log = Places.InDriveC(QStringLiteral("SIG%1.LOG").arg(signal));
        QProcess program;
        StartProgram(program, log);
        if (HasFatalFailure())
            return;
        LogWatch watch;
        ASSERT_TRUE(QTest::qWaitFor([&] { return watch.Look(log) && watch.Lines >= 100; }, kWaitMs));
        ASSERT_EQ(SerialLockFiles(Places.Devices).size(), 2) << "the ports are held while it runs";
        ASSERT_EQ(::kill(pid_t(program.processId()), signal), 0);
        ASSERT_TRUE(QTest::qWaitFor([&] { return program.state() == QProcess::NotRunning; }, kWaitMs));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);

        const QByteArray all = ReadAll(log);
        EXPECT_TRUE(all.endsWith("\r\n\r\n")) << "the Stop line ends the log";
        QList<QByteArray> lines = all.split('\n');
        lines.removeLast();
        for (int i = 3; i < lines.size(); ++i) {
            const QByteArray line = lines[i].chopped(1);
            if (!line.isEmpty())
                EXPECT_TRUE(IsWholeRow(QString::fromLatin1(line))) << "line " << i << ": [" << line.toStdString() << "]";
        }
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return !Server->Link(0)->Bench().Streaming(0x01) && !Server->Link(1)->Bench().Streaming(0x01); }, kWaitMs))
            << "the benches were not told to stop";
        EXPECT_EQ(SerialLockFiles(Places.Devices), QStringList{}) << "lock files left behind";
    }
}

} // namespace
