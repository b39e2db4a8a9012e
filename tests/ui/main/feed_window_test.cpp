// The main window with simulated benches and the feed on: every row the log
// gets is published, bench by bench, with the same cell texts; a refused login
// shows one box.
#include "support/local_broker.h"
#include "support/logged_rows.h"
#include "support/sim_app_fixture.h"

#include "ui/main/feed_dialog.h"
#include "feed/feed_publisher.h"
#include "feed/feed_settings.h"
#include "ui/main/main_window.h"
#include "ui/common/radio_group.h"

#include <QAction>
#include <QCheckBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {


struct FeedWindowTest : SimulatedAppTest {
    LocalBroker Broker;
    std::unique_ptr<TestSubscriber> Subscriber;

    // Broker up, the feed switched on in the settings file, then the window.
    void StartAll(const std::function<void(FeedSettings&)>& adjust = {})
    {
        START_BROKER_OR_SKIP(Broker);
        Subscriber = std::make_unique<TestSubscriber>(Broker.Port, "lab/#");
        // A broker that admits nobody anonymously admits no test subscriber either.
        if (Broker.Anonymous)
            ASSERT_TRUE(Subscriber->WaitSubscribed());
        qputenv("XDG_CONFIG_HOME", Places.Root.filePath(QStringLiteral("config")).toLocal8Bit());
        FeedSettings s = LoopbackFeed(Broker.Port, "lab", "st1");
        if (adjust)
            adjust(s);
        ASSERT_TRUE(SaveFeedSettings(s, FeedSettingsPath()));
        StartBenchesAndApp(2);
    }
    void TearDown() override
    {
        SimulatedAppTest::TearDown();
        Subscriber.reset();
        qunsetenv("XDG_CONFIG_HOME");
    }
    std::vector<QJsonObject> Rows()
    {
        std::vector<QJsonObject> out;
        for (const auto& m : Subscriber->Messages())
            if (m.Topic.size() > 4 && m.Topic.compare(m.Topic.size() - 4, 4, "/row") == 0)
                out.push_back(QJsonDocument::fromJson(QByteArray::fromStdString(m.Payload)).object());
        return out;
    }
    // Over everything the station published: each row and status message under the topic of its
    // own bench ("lab/st1/bench<k>/row", counted from 1), with QoS 1, and the seq values distinct
    // and rising in the order the messages arrived.
    void CheckTopicsSeqAndQos()
    {
        uint64_t lastSeq = 0;
        size_t numbered = 0;
        for (const auto& m : Subscriber->Messages()) {
            SCOPED_TRACE(m.Topic + " " + m.Payload);
            EXPECT_EQ(m.Qos, 1);
            if (m.Topic == "lab/st1/state")
                continue;
            const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(m.Payload)).object();
            const std::string bench = "lab/st1/bench" + std::to_string(o.value("bench").toInt());
            const bool row = m.Topic == bench + "/row";
            EXPECT_TRUE(row || m.Topic == bench + "/status");
            if (row)
                EXPECT_TRUE(o.value("values").isArray());
            else
                EXPECT_TRUE(o.value("text").isString());
            ASSERT_TRUE(o.value("seq").isDouble());
            const uint64_t seq = uint64_t(o.value("seq").toDouble());
            EXPECT_GT(seq, lastSeq) << "seq " << seq << " after " << lastSeq;
            lastSeq = seq;
            ++numbered;
        }
        EXPECT_GT(numbered, 0u);
    }
};

struct FeedModeTest : FeedWindowTest, ::testing::WithParamInterface<int> {};

TEST_P(FeedModeTest, EveryLoggedRowIsPublishedPerBenchWithTheSameCells)
{
    const int mode = GetParam();
    StartAll();
    if (IsSkipped() || HasFatalFailure())
        return;
    ASSERT_NE(App->Feed(), nullptr);
    App->AveragingRadioGroup->Items[mode]->click();
    App->AverageEdit->setText(QStringLiteral("4"));
    App->OKBtn->click();
    for (int k = 0; k < 2; ++k)
        App->ActiveBench[k]->click();
    const QString path = Places.InDriveC(QStringLiteral("FEED.LOG"));
    Dialogs.SavePaths.push_back(path);
    App->findChild<QAction*>(QStringLiteral("NewFile"))->trigger();
    ASSERT_TRUE(App->LogFileOpen());
    App->Logging->Items[0]->click();
    App->StartBtn->click();
    const size_t perRow = mode == 2 ? 4 : 2; // two benches, and a deviation row each with STDEV
    ASSERT_TRUE(QTest::qWaitFor([&] { return Rows().size() >= 6 * perRow; }, kWaitMs));
    App->StopBtn->click();
    // Rows stop with the streams; then the feed drains.
    size_t seen = 0;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        const size_t now = Rows().size();
        const bool still = now == seen;
        seen = now;
        const MqttFeed::Stats s = App->Feed()->Client().Statistics();
        return still && s.Queued == 0 && s.InFlight == 0;
    }, kWaitMs));
    App->findChild<QAction*>(QStringLiteral("CloseFile1"))->trigger();

    // One message per bench with values in each logged line (a bench not heard from yet at the
    // start leaves blanks and sends nothing), with the same cells.
    const std::vector<LoggedBench> logged = LoggedBenches(ReadAll(path), 2);
    const std::vector<QJsonObject> rows = Rows();
    ASSERT_GE(logged.size(), 6u);
    ASSERT_EQ(rows.size(), logged.size());
    const char* kinds[3] = {"sample", "mean", "mean"};
    for (size_t i = 0; i < logged.size(); ++i) {
        const LoggedBench& expected = logged[i];
        const QJsonObject m = rows[i];
        SCOPED_TRACE("message " + std::to_string(i) + " bench " + std::to_string(expected.Bench));
        EXPECT_EQ(m.value("bench").toInt(), expected.Bench);
        EXPECT_EQ(m.value("station").toString(), QStringLiteral("st1"));
        EXPECT_EQ(m.value("stdev").toBool(), expected.Stdev);
        EXPECT_EQ(m.value("kind").toString().toStdString(), expected.Stdev ? "stdev" : kinds[mode]);
        EXPECT_EQ(m.value("mode").toString().toStdString(), mode == 0 ? "none" : mode == 1 ? "mean" : "mean+stdev");
        // The window's clock stands at 1700000000: 2023-11-14 22:13:20 UTC, in local time with its offset.
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^2023-11-1[45]T\\d\\d:\\d\\d:20[+-]\\d\\d:\\d\\d$"))
                        .match(m.value("time").toString())
                        .hasMatch())
            << m.value("time").toString().toStdString();
        const QJsonArray values = m.value("values").toArray();
        ASSERT_EQ(values.size(), 4);
        ASSERT_EQ(expected.Cells.size(), 4u);
        const char* names[4] = {"CO2", "Freon", "O2", "NO"};
        const char* units[4] = {"%", "ppm", "%", "ppm"};
        for (int v = 0; v < 4; ++v) {
            const QJsonObject value = values[v].toObject();
            EXPECT_EQ(value.value("name").toString().toStdString(), names[v]);
            EXPECT_EQ(value.value("unit").toString().toStdString(), units[v]);
            EXPECT_EQ(value.value("text").toString().toStdString(), expected.Cells[size_t(v)]);
            EXPECT_EQ(value.value("value").toDouble(), std::stod(expected.Cells[size_t(v)]));
        }
    }
    CheckTopicsSeqAndQos();
    // Each bench's link status is there, retained, for late readers.
    TestSubscriber late(Broker.Port, "lab/st1/+/status");
    auto retained = [&](const std::string& topic) {
        for (const auto& m : late.Messages())
            if (m.Topic == topic && m.Retained)
                return true;
        return false;
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return retained("lab/st1/bench1/status") && retained("lab/st1/bench2/status"); }, kWaitMs));
    // The one place the window shows the feed's state.
    EXPECT_TRUE(QTest::qWaitFor([&] { return App->FeedLabel->text() == QStringLiteral("Feed: connected, 0 queued, 0 dropped"); }, kWaitMs))
        << App->FeedLabel->text().toStdString();
    EXPECT_TRUE(Messages.Messages.isEmpty()) << Messages.Texts().join('|').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Modes, FeedModeTest, ::testing::Values(0, 1, 2));

TEST_F(FeedWindowTest, RefusedLoginGivesOneBox)
{
    Broker.Anonymous = false;
    StartAll([](FeedSettings& s) {
        s.User = QStringLiteral("nobody");
        s.Password = QStringLiteral("wrong");
    });
    if (IsSkipped() || HasFatalFailure())
        return;
    App->Feed()->Client().RetryFirstMs = 20; // only used from the next back-off on
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Messages.Messages.isEmpty(); }, kWaitMs));
    QTest::qWait(3000);
    ASSERT_EQ(Messages.Messages.size(), 1) << Messages.Texts().join('|').toStdString();
    EXPECT_EQ(Messages.Messages[0].Caption, QStringLiteral("Warning"));
    EXPECT_TRUE(Messages.Messages[0].Text.contains(QStringLiteral("refused"))) << Messages.Messages[0].Text.toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return App->FeedLabel->text().startsWith(QStringLiteral("Feed: connecting")); }, kWaitMs))
        << App->FeedLabel->text().toStdString();
}

TEST_F(FeedWindowTest, BadSettingsFromTheDialogAreRefusedAndNotSaved)
{
    StartAll();
    if (IsSkipped() || HasFatalFailure())
        return;
    FeedSettings bad = App->Feed()->Client().Settings();
    bad.Port = 0;
    EXPECT_FALSE(App->ApplyFeedSettings(bad, true));
    ASSERT_EQ(Messages.Messages.size(), 1);
    EXPECT_EQ(LoadFeedSettings(FeedSettingsPath()).Port, Broker.Port);
    EXPECT_NE(App->Feed(), nullptr); // the running feed is left alone

    FeedSettings off = LoadFeedSettings(FeedSettingsPath());
    off.Enabled = false;
    EXPECT_TRUE(App->ApplyFeedSettings(off, true));
    EXPECT_EQ(App->Feed(), nullptr);
    EXPECT_EQ(App->FeedLabel->text(), QStringLiteral("Feed: off"));
    EXPECT_FALSE(LoadFeedSettings(FeedSettingsPath()).Enabled);
}

} // namespace

namespace {

// The dialog gives back what it was given, field by field.
TEST(FeedDialog, ShowsAndReturnsEverySetting)
{
    FeedSettings s;
    s.Enabled = true;
    s.Host = QStringLiteral("broker.lab");
    s.Port = 8883;
    s.Prefix = QStringLiteral("lab/gas");
    s.Station = QStringLiteral("bay7");
    s.User = QStringLiteral("u");
    s.Password = QStringLiteral("p w");
    s.CaFile = QStringLiteral("/ca.pem");
    s.CertFile = QStringLiteral("/c.pem");
    s.KeyFile = QStringLiteral("/k.pem");
    s.QueueSize = 777;
    FeedDialog dialog;
    dialog.SetValues(s);
    const FeedSettings r = dialog.Values();
    EXPECT_EQ(r.Enabled, s.Enabled);
    EXPECT_EQ(r.Host, s.Host);
    EXPECT_EQ(r.Port, s.Port);
    EXPECT_EQ(r.Prefix, s.Prefix);
    EXPECT_EQ(r.Station, s.Station);
    EXPECT_EQ(r.User, s.User);
    EXPECT_EQ(r.Password, s.Password);
    EXPECT_EQ(r.CaFile, s.CaFile);
    EXPECT_EQ(r.CertFile, s.CertFile);
    EXPECT_EQ(r.KeyFile, s.KeyFile);
    EXPECT_EQ(r.QueueSize, s.QueueSize);
    // The password is not shown as typed.
    EXPECT_EQ(dialog.PasswordEdit->echoMode(), QLineEdit::Password);
    // Typed blanks around names do not reach the topics.
    dialog.StationEdit->setText(QStringLiteral("  bay8 "));
    EXPECT_EQ(dialog.Values().Station, QStringLiteral("bay8"));
}

TEST_F(FeedWindowTest, FeedSettingsItemSitsInTheOptionsMenu)
{
    StartAll();
    if (IsSkipped() || HasFatalFailure())
        return;
    auto* item = App->findChild<QAction*>(QStringLiteral("FeedSettings1"));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), QStringLiteral("Feed Settings..."));
    auto* options = App->findChild<QMenu*>(QStringLiteral("Options1"));
    ASSERT_NE(options, nullptr);
    EXPECT_TRUE(options->actions().contains(item));
}

} // namespace
