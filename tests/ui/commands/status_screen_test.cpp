#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "bench_buttons_fit.h"
#include "ui/common/bench_buttons.h"
#include "ui/commands/status_screen.h"
#include "ui/commands/engineering_status_screen.h"
#include "support/fake_host.h"
#include "support/link_fixture.h"

namespace {

using ByteList = std::vector<uint8_t>;

// The shared stand-in over a LinkFixture (four memory ports, hand clock); the
// link's screen refreshes reach the windows as in the program.
struct StatusHost : FakeHost {
    // The fixture is built after the base, which only binds to its link.
    StatusHost() : FakeHost(&fx.link) {}
    LinkFixture fx;

    // A one-shot data status reply ($01) of bench k carrying status bytes 0..3.
    void DataReply(int k, std::array<uint8_t, 4> status)
    {
        fx.link.Benches[k].RequestDataStatus(1, false);
        ByteList d(16, 0);
        std::copy(status.begin(), status.end(), d.begin());
        fx.Ack(k, 0x01, d);
        fx.ports[k].TakeSent();
    }
    // An engineering data reply ($44); status bytes sit at 70..85.
    void EngineeringDataReply(int k, const std::array<uint8_t, 16>& status)
    {
        fx.link.Benches[k].RequestEngineeringData(1, false);
        ByteList d(86, 0);
        std::copy(status.begin(), status.end(), d.begin() + 70);
        fx.Ack(k, 0x44, d);
        fx.ports[k].TakeSent();
    }
    // One reply of a $41 stream that the test started.
    void EngineeringStatusReply(int k, const std::array<uint8_t, 16>& status)
    {
        fx.Ack(k, 0x41, ByteList(status.begin(), status.end()));
    }
};

const ByteList kStart41{0x02, 0x02, 0x41, 0x02, 0xB9};
const ByteList kStop41{0x02, 0x02, 0x41, 0x00, 0xBB};

QColor TextColour(const QLineEdit* e) { return e->palette().color(QPalette::Text); }
const QColor kGreen(0, 128, 0), kRed(255, 0, 0);

template <class W>
struct ScreenFixture : ::testing::Test {
    StatusHost host;
    W window{host};

    void SwitchOn(std::array<bool, 4> on)
    {
        host.SwitchedOn = on;
        window.UpdateBenchSelection();
    }
    void Click(int k) { window.GrpBench->BB[k]->click(); }
    QString Text(const char* field) const { return window.Field(field)->text(); }
};

} // namespace

// ---- Status screen ----

struct StatusScreenTest : ScreenFixture<StatusScreen> {
    void SetUp() override
    {
        window.show();
    }
};

TEST_F(StatusScreenTest, DataReplyDrawsTheChosenBench)
{
    SwitchOn({true, false, false, false});
    ASSERT_EQ(window.SelectedBench(), 0);
    host.DataReply(0, {0xC0, 0xE4, 0x20, 0x81});

    EXPECT_EQ(Text("OperationModeEdit"), "System Fault");
    EXPECT_EQ(TextColour(window.Field("OperationModeEdit")), kRed);
    EXPECT_EQ(Text("PumpOnOffEdit"), "OFF");
    EXPECT_EQ(Text("HcPropaneEdit"), "FREON1");
    EXPECT_EQ(TextColour(window.Field("HcPropaneEdit")), kGreen);
    EXPECT_EQ(Text("CO2Edit"), "Zero Fail");
    EXPECT_EQ(Text("COEdit"), "Span Fail");
    EXPECT_FALSE(window.Field("COEdit")->isVisibleTo(&window));
    EXPECT_EQ(Text("SampleTempErrEdit"), "Check");
    EXPECT_EQ(Text("PumpInFlowEdit"), " Check ");
    EXPECT_EQ(Text("LeakCheckEdit"), " Check ");
    EXPECT_EQ(Text("IRSignalLostEdit"), " OK ");
    EXPECT_EQ(TextColour(window.Field("IRSignalLostEdit")), kGreen);
}

TEST_F(StatusScreenTest, AnyBenchsReplyRedrawsTheChosenOne)
{
    SwitchOn({true, true, false, false});
    ASSERT_EQ(window.SelectedBench(), 1);
    host.DataReply(1, {0x00, 0, 0, 0});
    host.fx.link.Benches[1].Status[0] = 0x80; // as a later reply would leave it
    host.DataReply(0, {0x40, 0, 0, 0});
    EXPECT_EQ(Text("OperationModeEdit"), "Standby");
}

TEST_F(StatusScreenTest, BenchWithoutStatusLeavesFieldsEmpty)
{
    SwitchOn({true, true, false, false});
    host.DataReply(1, {0x40, 0, 0, 0});
    ASSERT_EQ(Text("OperationModeEdit"), " Startup ");

    Click(0); // bench 1 has not replied yet
    EXPECT_EQ(window.SelectedBench(), 0);
    for (const char* f : {"OperationModeEdit", "CO2Edit", "LeakCheckEdit", "SampleTempErrEdit"})
        EXPECT_TRUE(Text(f).isEmpty()) << f;
    // Its flag is still clear, so a reply of another bench draws nothing.
    host.DataReply(1, {0x40, 0, 0, 0});
    EXPECT_TRUE(Text("OperationModeEdit").isEmpty());
    // Colours stay when the texts go.
    EXPECT_EQ(TextColour(window.Field("OperationModeEdit")), kGreen);
}

TEST_F(StatusScreenTest, HiddenScreenKeepsItsContentUntilUpdate)
{
    SwitchOn({true, false, false, false});
    host.DataReply(0, {0x00, 0, 0, 0});
    window.hide();
    host.DataReply(0, {0xC0, 0, 0, 0});
    EXPECT_EQ(Text("OperationModeEdit"), " Normal ");

    window.show(); // showing does not redraw
    EXPECT_EQ(Text("OperationModeEdit"), " Normal ");
    window.UpdateBtn->click();
    EXPECT_EQ(Text("OperationModeEdit"), "System Fault");
}

TEST_F(StatusScreenTest, NoBenchChosenDrawsNothing)
{
    SwitchOn({false, false, false, false});
    EXPECT_EQ(window.SelectedBench(), -1);
    window.ReplyDecoded(0, ReplyKind::DataStatus, RxFrame{});
    window.UpdateBtnClick();
    EXPECT_TRUE(Text("OperationModeEdit").isEmpty());
}

TEST_F(StatusScreenTest, BenchSelectionFollowsTheActiveBoxes)
{
    struct Step {
        std::array<bool, 4> on;
        int click; // -1 none
        int selected;
    } steps[] = {
        {{false, false, false, false}, -1, -1},
        {{true, false, true, false}, -1, 2}, // none chosen: the last enabled one
        {{true, false, true, false}, 0, 0},  // a user click sticks
        {{true, true, true, true}, -1, 0},   // and survives more benches
        {{false, true, true, true}, -1, 3},  // its bench went: last enabled again
        {{false, false, false, false}, -1, -1},
    };
    for (const Step& s : steps) {
        SwitchOn(s.on);
        if (s.click >= 0)
            Click(s.click);
        EXPECT_EQ(window.SelectedBench(), s.selected);
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(window.GrpBench->BB[k]->isEnabled(), s.on[k]) << k;
            EXPECT_EQ(window.GrpBench->BB[k]->isChecked(), k == s.selected) << k;
        }
    }
}

TEST_F(StatusScreenTest, ControlsAreNamedCaptionedAndLabelled)
{
    EXPECT_EQ(window.windowTitle(), "Status");
    EXPECT_EQ(window.GrpBench->title(), "Kestrel");
    EXPECT_EQ(window.UpdateBtn->text(), "Update");
    EXPECT_EQ(window.findChild<QGroupBox*>("SystemStatus")->title(), "System Status");
    EXPECT_EQ(window.findChild<QGroupBox*>("GroupBox3")->title(), "Data Status 1, 2");
    EXPECT_EQ(window.findChild<QGroupBox*>("GroupBox11")->title(), "Problem Status");
    const auto edits = window.findChildren<QLineEdit*>();
    EXPECT_EQ(edits.size(), 19);
    for (QLineEdit* e : edits) {
        EXPECT_TRUE(e->isReadOnly()) << e->objectName().toStdString();
        EXPECT_FALSE(e->accessibleName().isEmpty()) << e->objectName().toStdString();
    }
    for (QLabel* l : window.findChildren<QLabel*>())
        EXPECT_NE(l->buddy(), nullptr) << l->text().toStdString();
    EXPECT_EQ(window.findChild<QLabel*>("ProcInProgressLabel")->text(), "Proc In Prog");
    EXPECT_EQ(window.findChild<QLabel*>("ProcInProgressLabel")->buddy(), window.Field("ProcInProgressEdit"));
    ExpectBenchButtonsFit(*window.GrpBench);
    EXPECT_FALSE(window.GrpBench->geometry().intersects(window.UpdateBtn->geometry()));
    EXPECT_TRUE(window.rect().contains(window.UpdateBtn->geometry()));
}

// ---- Engineering status screen ----

struct EngineeringScreen : ScreenFixture<EngineeringStatusScreen> {
    int64_t wallMs = 5'000'250;
    int sleptMs = 0;

    void SetUp() override
    {
        window.CloseWait.NowMs = [this] { return wallMs; };
        window.CloseWait.SleepMs = [this](int ms) {
            sleptMs += ms;
            wallMs += ms;
        };
        window.show();
    }
};

TEST_F(EngineeringScreen, StartAndStopSendTheStreamRequests)
{
    SwitchOn({false, true, false, false});
    window.StartBtn->click();
    EXPECT_EQ(host.fx.ports[1].TakeSent(), kStart41);
    EXPECT_FALSE(window.StartBtn->isEnabled());
    EXPECT_TRUE(window.StopBtn->isEnabled());

    window.StopBtn->click();
    EXPECT_EQ(host.fx.ports[1].TakeSent(), kStop41);
    EXPECT_TRUE(window.StartBtn->isEnabled());
    EXPECT_FALSE(window.StopBtn->isEnabled());
}

TEST_F(EngineeringScreen, WithoutBenchTheButtonsOnlyToggle)
{
    SwitchOn({false, false, false, false});
    window.StartBtnClick();
    EXPECT_FALSE(window.StartBtn->isEnabled());
    EXPECT_TRUE(window.StopBtn->isEnabled());
    window.StopBtnClick();
    EXPECT_TRUE(window.StartBtn->isEnabled());
    for (auto& p : host.fx.ports)
        EXPECT_TRUE(p.Out.empty());
}

TEST_F(EngineeringScreen, StreamRepliesRedrawWithoutAnyDataReply)
{
    SwitchOn({true, false, false, false});
    window.StartBtnClick();
    std::array<uint8_t, 16> s{};
    s[4] = 0x08;
    s[14] = 0xA0;
    host.EngineeringStatusReply(0, s);
    EXPECT_EQ(Text("SelfTestEdit"), " Check ");
    EXPECT_EQ(TextColour(window.Field("SelfTestEdit")), kRed);
    EXPECT_EQ(Text("StUpGainEdit"), " OK ");
    EXPECT_EQ(Text("ContTransEdit"), " Check ");
    EXPECT_EQ(Text("PumpStateEdit"), " On ");
    EXPECT_EQ(Text("LampEdit"), " OK ");

    s[4] = 0;
    host.EngineeringStatusReply(0, s); // the stream goes on
    EXPECT_EQ(Text("SelfTestEdit"), " OK ");
}

TEST_F(EngineeringScreen, EngineeringDataRepliesRedraw)
{
    SwitchOn({false, false, true, false});
    std::array<uint8_t, 16> s{};
    s[15] = 0x81;
    host.EngineeringDataReply(2, s);
    EXPECT_EQ(Text("FlashEraseFailedEdit"), " Check ");
    EXPECT_EQ(Text("FlashWriteFailEdit"), " OK ");
    EXPECT_EQ(Text("FlashParamErrEdit"), " Check ");
}

TEST_F(EngineeringScreen, PumpStateThreeKeepsThePreviousText)
{
    SwitchOn({true, false, false, false});
    std::array<uint8_t, 16> s{};
    s[14] = 0x40; // purge
    host.EngineeringDataReply(0, s);
    ASSERT_EQ(Text("PumpStateEdit"), " Purge ");
    s[14] = 0x60;
    host.EngineeringDataReply(0, s);
    EXPECT_EQ(Text("PumpStateEdit"), " Purge ");

    Click(0); // a bench click empties, and 3 leaves it empty
    EXPECT_TRUE(Text("PumpStateEdit").isEmpty());
    EXPECT_EQ(Text("ContTransEdit"), " OK ");
}

TEST_F(EngineeringScreen, HiddenOrUnfedScreenDrawsNothing)
{
    SwitchOn({true, true, false, false});
    Click(0);
    std::array<uint8_t, 16> s{};
    s[4] = 0xFF;
    // Bench 2 replies; bench 1, the chosen one, has delivered nothing.
    host.EngineeringDataReply(1, s);
    EXPECT_TRUE(Text("StUpGainEdit").isEmpty());

    host.EngineeringDataReply(0, s);
    ASSERT_EQ(Text("StUpGainEdit"), " Check ");
    window.hide();
    s[4] = 0;
    host.EngineeringDataReply(0, s);
    window.show();
    EXPECT_EQ(Text("StUpGainEdit"), " Check ");
}

TEST_F(EngineeringScreen, DataRepliesAloneLeaveTheFieldsEmpty)
{
    // A data status reply sets the bench's new-status flag but carries no engineering status.
    SwitchOn({true, true, false, false});
    host.DataReply(0, {0, 0, 0, 0});
    host.DataReply(1, {0, 0, 0, 0});
    for (int k : {0, 1}) {
        Click(k);
        for (const char* f : {"StUpGainEdit", "PumpStateEdit", "FlashParamErrEdit"})
            EXPECT_TRUE(Text(f).isEmpty()) << "bench " << k << " " << f;
    }
    window.StartBtnClick(); // bench 2's $41 stream: now it has engineering status
    host.EngineeringStatusReply(1, {});
    EXPECT_EQ(Text("StUpGainEdit"), " OK ");
    EXPECT_EQ(Text("PumpStateEdit"), " Off ");
}

TEST_F(EngineeringScreen, ClosingStopsTheStreamAndWaitsForTheNextSecond)
{
    SwitchOn({true, false, false, false});
    window.StartBtnClick();
    host.fx.ports[0].TakeSent();
    window.close();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(host.fx.ports[0].TakeSent(), kStop41);
    EXPECT_EQ(wallMs, 5'001'000);                // waited up to the second's edge
    EXPECT_TRUE(window.StartBtn->isEnabled());   // the stream is off again
    EXPECT_FALSE(window.StopBtn->isEnabled());

    // A clock that stands still cannot hold the program longer than a second.
    window.show();
    window.CloseWait.SleepMs = [this](int ms) { sleptMs += ms; };
    sleptMs = 0;
    window.CloseWindow();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(host.fx.ports[0].TakeSent(), kStop41);
    EXPECT_LE(sleptMs, 1000);
    EXPECT_GE(sleptMs, 990);
}

TEST_F(EngineeringScreen, ClosingWithoutBenchSendsNothingAndDoesNotWait)
{
    SwitchOn({false, false, false, false});
    window.StartBtnClick();
    window.close();
    EXPECT_EQ(sleptMs, 0);
    for (auto& p : host.fx.ports)
        EXPECT_TRUE(p.Out.empty());
    EXPECT_FALSE(window.StartBtn->isEnabled()); // the window only remembers its buttons
}

TEST_F(EngineeringScreen, ControlsAreNamedCaptionedAndLabelled)
{
    EXPECT_EQ(window.windowTitle(), "Service Errors");
    EXPECT_EQ(window.GrpBench->title(), "Bench");
    EXPECT_EQ(window.StartBtn->text(), "Start");
    EXPECT_EQ(window.StopBtn->text(), "Stop");
    EXPECT_TRUE(window.StartBtn->isEnabled());
    EXPECT_TRUE(window.StopBtn->isEnabled());
    for (int i = 1; i <= 12; ++i)
        EXPECT_NE(window.findChild<QGroupBox*>(QStringLiteral("EStat%1").arg(i)), nullptr) << i;
    const auto edits = window.findChildren<QLineEdit*>();
    EXPECT_EQ(edits.size(), 58);
    for (QLineEdit* e : edits)
        EXPECT_FALSE(e->accessibleName().isEmpty()) << e->objectName().toStdString();
    for (QLabel* l : window.findChildren<QLabel*>())
        EXPECT_NE(l->buddy(), nullptr) << l->text().toStdString();
    EXPECT_EQ(window.Field("QSMADTimeoutEdit")->accessibleName(), "QSMADTime");
    ExpectBenchButtonsFit(*window.GrpBench);
}
