// The headless logger and the main window, fed the same data replies, write the same log file
// byte for byte: creation line, the empty line of File Log On, header, rows, Stop line.
#include "programs/halyard-log/headless_logger.h"
#include "support/main_fixture.h"
#include "ui/main/main_window.h"
#include "ui/common/radio_group.h"
#include "scripted_replies.h"
#include "sim/sim_server.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>

namespace {

struct Case {
    const char* Name;
    std::array<bool, 4> Benches;
    int Mode;       // 0 none, 1 mean, 2 mean+stdev
    int Samples;
    int Steps;      // replies per bench
};

const Case kCases[] = {
    {"OneBenchNone", {true, false, false, false}, 0, 4, 9},
    {"Benches1And3Mean", {true, false, true, false}, 1, 4, 22},
    {"Benches2And4MeanStdevOf3", {false, true, false, true}, 2, 3, 23},
    {"FourBenchesMeanStdevOf1", {true, true, true, true}, 2, 1, 6},
};

struct LoggerVsWindowTest : ::testing::TestWithParam<Case> {
    TempPlaces Places;
    FixedClock Clock;
    std::unique_ptr<sim::SimServer> Server;

    void SetUp() override
    {
        // Simulated benches only so the ports can be claimed; the replies are scripted.
        sim::SimServerConfig config;
        config.devicesDir = Places.Devices;
        config.benches = 0;
        for (int k = 0; k < 4; ++k)
            if (GetParam().Benches[k])
                config.ports.push_back(k + 1);
        config.benches = int(config.ports.size());
        Server = std::make_unique<sim::SimServer>(config);
        QString error;
        ASSERT_TRUE(Server->Start(&error)) << error.toStdString();
    }

    QByteArray WindowLog(const QString& path)
    {
        const Case& c = GetParam();
        RecordingMessages messages;
        ScriptedDialogs dialogs;
        MainWindowOptions o;
        o.Messages = &messages;
        o.Dialogs = &dialogs;
        o.Clock = Clock.Clock();
        auto app = std::make_unique<MainWindow>(o);
        for (int k = 0; k < 4; ++k)
            if (c.Benches[k]) {
                EXPECT_TRUE(app->ActiveBench[k]->isEnabled()) << k;
                app->ActiveBench[k]->click();
                EXPECT_TRUE(app->PortOpen(k)) << k;
            }
        ScriptedReplies replies(app->BenchLink());
        app->AveragingRadioGroup->Items[c.Mode]->click();
        app->AverageEdit->setText(QString::number(c.Samples));
        app->OKBtn->click();
        dialogs.SavePaths.push_back(path);
        app->findChild<QAction*>(QStringLiteral("NewFile"))->trigger();
        app->Logging->Items[0]->click();
        app->StartBtn->click();
        replies.Feed(c.Benches, c.Steps);
        app->StopBtn->click();
        app->findChild<QAction*>(QStringLiteral("CloseFile1"))->trigger();
        EXPECT_TRUE(messages.Messages.isEmpty()) << messages.Texts().join('|').toStdString();
        app.reset();
        return ReadAll(path);
    }

    QByteArray LoggerLog(const QString& path)
    {
        const Case& c = GetParam();
        LoggerOptions options;
        options.Benches = c.Benches;
        options.AveragingMode = c.Mode;
        options.SamplesPerBlock = c.Samples;
        options.LogPath = path;
        RecordingMessages messages;
        HeadlessLogger logger(options, messages, Clock.Clock());
        QString error;
        EXPECT_TRUE(logger.OpenPorts(&error)) << error.toStdString();
        ScriptedReplies replies(logger.BenchLink());
        EXPECT_TRUE(logger.Start(&error)) << error.toStdString();
        replies.Feed(c.Benches, c.Steps);
        logger.Stop();
        EXPECT_TRUE(messages.Messages.isEmpty()) << messages.Texts().join('|').toStdString();
        return ReadAll(path);
    }
};

TEST_P(LoggerVsWindowTest, SameRepliesWriteTheSameLogFile)
{
    // One path for both, one after the other: the creation line names it.
    const QString path = Places.InDriveC(QStringLiteral("RUN.LOG"));
    const QByteArray window = WindowLog(path);
    ASSERT_TRUE(QFile::remove(path));
    const QByteArray logger = LoggerLog(path);

    // Not vacuous: the creation line, rows, and the Stop line at the end.
    ASSERT_TRUE(window.startsWith("MainLogfile " + path.toLatin1() + " created 14/11/2023\r\n"));
    ASSERT_TRUE(window.endsWith("\r\n\r\n"));
    const int rowLines = int(window.count("12:00:00"));
    const Case& c = GetParam();
    const int rows = c.Mode == 0 ? c.Steps : c.Steps / std::max(1, c.Samples);
    EXPECT_EQ(rowLines, c.Mode == 2 ? 2 * rows : rows);
    EXPECT_EQ(logger, window);
}

INSTANTIATE_TEST_SUITE_P(Settings, LoggerVsWindowTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.Name); });

} // namespace
