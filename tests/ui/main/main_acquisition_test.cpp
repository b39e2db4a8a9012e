#include <QElapsedTimer>
#include "station/acquisition_cycle.h"
#include "link/link.h"
#include "support/memory_port.h"
#include "link/ticks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct FakeView : IAcquisitionView {
    std::array<bool, 4> Open{}, Enabled{}, Ticked{}, Buttons{};
    bool FreonTwo = false, ZeroIsAuto = true, Upgrade = false, IsClosing = false;
    bool PortOpen(int k) const override { return Open[k]; }
    bool BoxEnabled(int k) const override { return Enabled[k]; }
    bool BoxTicked(int k) const override { return Ticked[k]; }
    void SetBoxEnabled(int k, bool on) override { Enabled[k] = on; }
    void SetBoxTicked(int k, bool on) override { Ticked[k] = on; }
    bool DialogButtonOn(int k) const override { return Buttons[k]; }
    bool Freon2() const override { return FreonTwo; }
    bool ZeroAuto() const override { return ZeroIsAuto; }
    bool UpgradeShown() const override { return Upgrade; }
    bool Closing() const override { return IsClosing; }
};

// A link over memory ports with a hand clock; bench k switched on when its flag is set.
struct AcquisitionTest : ::testing::Test {
    Link link;
    std::array<MemoryPort, 4> ports;
    FakeView view;
    AcquisitionCycle acq{link, view};
    int64_t nowMs = 5'000'000;

    void SetUp() override
    {
        Ticks::SetClock([this] { return nowMs; });
        for (int k = 0; k < 4; ++k)
            link.Benches[k].Setup(&ports[k]);
        link.SetSwitches(&switches);
    }
    void TearDown() override { Ticks::SetClock({}); }
    struct Switches : LinkSwitches {
        const FakeView& View;
        explicit Switches(const FakeView& v) : View(v) {}
        bool Closing() const override { return false; }
        bool PortOpen(int k) const override { return View.Open[k]; }
        bool BenchSwitchedOn(int k) const override { return View.Enabled[k] && View.Ticked[k]; }
    } switches{view};
    void SwitchOn(int k)
    {
        view.Open[k] = view.Enabled[k] = view.Ticked[k] = true;
    }
    // Codes of the frames bench k was sent (byte after start and length).
    std::vector<int> Codes(int k)
    {
        std::vector<int> codes;
        const std::vector<uint8_t> out = ports[k].TakeSent();
        for (size_t i = 0; i + 2 < out.size();) {
            const size_t len = out[i + 1];
            codes.push_back(out[i + 2]);
            i += len + 3; // start, length, code+data (length bytes), checksum
        }
        return codes;
    }
    std::vector<uint8_t> Sent(int k) { return ports[k].TakeSent(); }
};

TEST_F(AcquisitionTest, DataRequestFollowsSelectionRateAndFreonMode)
{
    SwitchOn(0);
    SwitchOn(2);
    const AcquisitionCycle::StartResult r = acq.RequestStreams();
    EXPECT_EQ(r.LastActive, 2);
    EXPECT_EQ(r.ActiveCount, 2);
    EXPECT_EQ(Codes(0), std::vector<int>{0x01});
    EXPECT_EQ(Codes(1), std::vector<int>{});
    EXPECT_EQ(Codes(2), std::vector<int>{0x01});

    // Same requests as the encoders build on their own.
    MemoryPort reference;
    BenchRecord b;
    b.Setup(&reference);
    for (int selection : {0, 1, 2}) {
        for (bool freon2 : {false, true}) {
            acq.DataCommandSelection = selection;
            view.FreonTwo = freon2;
            acq.StopStreams();
            if (selection == 0)
                b.RequestDataStatus(0, freon2);
            else if (selection == 1)
                b.RequestDataStatus6(0, freon2);
            else
                b.RequestEngineeringData(0, freon2);
            const std::vector<uint8_t> expected = reference.TakeSent();
            EXPECT_EQ(Sent(0), expected) << selection << freon2;
            EXPECT_EQ(Sent(2), expected);
            EXPECT_TRUE(Sent(1).empty());
        }
    }
}

TEST_F(AcquisitionTest, NoBenchNoRequest)
{
    const AcquisitionCycle::StartResult r = acq.RequestStreams();
    EXPECT_EQ(r.ActiveCount, 0);
    EXPECT_EQ(r.LastActive, 0);
    acq.ZeroAll();
    acq.StopStreams();
    for (int k = 0; k < 4; ++k)
        EXPECT_TRUE(Sent(k).empty());
}

TEST_F(AcquisitionTest, DialogCommandGoesToSelectedEnabledBenchesOnly)
{
    SwitchOn(0);
    SwitchOn(1);
    SwitchOn(3);
    view.Buttons = {false, true, false, true};
    view.Enabled[3] = false; // a button on for a bench whose box went disabled
    view.Buttons[2] = true;  // box 3 disabled and unticked
    acq.DialogCommand = 0x04; // System Id
    acq.DialogCommandPending = true;
    acq.PollTick();
    EXPECT_FALSE(acq.DialogCommandPending);
    EXPECT_EQ(Codes(0), std::vector<int>{});
    EXPECT_EQ(Codes(1), std::vector<int>{0x04});
    EXPECT_EQ(Codes(2), std::vector<int>{});
    EXPECT_EQ(Codes(3), std::vector<int>{});
    EXPECT_EQ(link.SoftResetGrace, 0);

    // Soft Reset gets its grace; a code without encoder sends nothing but is consumed.
    acq.DialogCommand = 0xF0;
    acq.DialogCommandPending = true;
    acq.PollTick();
    EXPECT_EQ(Codes(1), std::vector<int>{0xF0});
    EXPECT_EQ(link.SoftResetGrace, AcquisitionCycle::kSoftResetGraceTicks);
    acq.DialogCommand = 0x40;
    acq.DialogCommandPending = true;
    nowMs += 1000;
    acq.PollTick();
    EXPECT_FALSE(acq.DialogCommandPending);
}

TEST_F(AcquisitionTest, PendingCommandWaitsWhileClosingOrUpgrading)
{
    SwitchOn(0);
    view.Buttons[0] = true;
    acq.DialogCommand = 0x04;
    acq.DialogCommandPending = true;
    view.IsClosing = true;
    acq.PollTick();
    view.IsClosing = false;
    view.Upgrade = true;
    acq.PollTick();
    EXPECT_TRUE(acq.DialogCommandPending);
    EXPECT_TRUE(Sent(0).empty());
    view.Upgrade = false;
    acq.PollTick();
    EXPECT_FALSE(acq.DialogCommandPending);
    EXPECT_EQ(Codes(0), std::vector<int>{0x04});
}

TEST_F(AcquisitionTest, AutomaticZeroFollowsStatusAndZeroSetting)
{
    struct Case {
        uint8_t Status;
        bool Auto;
        bool Sent;
    } cases[] = {
        {0x20, true, true},   // normal mode, zero required
        {0x30, true, false},  // zero in progress
        {0x60, true, false},  // start-up mode
        {0xA0, true, false},  // another mode
        {0x00, true, false},  // nothing required
        {0x2F, true, true},   // low bits do not matter
        {0x20, false, false}, // Zero Manual
    };
    for (const Case& c : cases) {
        link.Benches[1].Commands[0x02].AwaitingReply = false;
        SwitchOn(1);
        view.ZeroIsAuto = c.Auto;
        link.Benches[1].Status[0] = c.Status;
        acq.PollTick();
        EXPECT_EQ(Codes(1), c.Sent ? std::vector<int>{0x02} : std::vector<int>{}) << int(c.Status) << c.Auto;
    }
}

TEST_F(AcquisitionTest, AutomaticZeroOncePerOutstandingRequestAndNotWhenCommandPending)
{
    SwitchOn(0);
    link.Benches[0].Status[0] = 0x20;
    acq.PollTick();
    EXPECT_EQ(Codes(0), std::vector<int>{0x02});
    nowMs += 1000;
    acq.PollTick(); // still awaiting the first zero
    EXPECT_TRUE(Sent(0).empty());

    // A tick that hands over a dialog command skips the zero.
    link.Benches[0].Commands[0x02].AwaitingReply = false;
    acq.DialogCommand = 0x05;
    acq.DialogCommandPending = true;
    view.Buttons[0] = true;
    nowMs += 1000;
    acq.PollTick();
    EXPECT_EQ(Codes(0), std::vector<int>{0x05});

    // A box that is ticked but disabled gets no zero.
    view.Enabled[0] = false;
    nowMs += 1000;
    acq.PollTick();
    EXPECT_TRUE(Sent(0).empty());
}

TEST_F(AcquisitionTest, ShutdownStopsEachSwitchedOnBenchThenWaits)
{
    SwitchOn(0);
    SwitchOn(2);
    view.Open[1] = true; // open but its box not ticked: no stop request
    std::vector<std::string> events;
    for (int k = 0; k < 4; ++k)
        link.Benches[k].Setup(&ports[k]);
    acq.StopSwitchedOnBenches([&] {
        for (int k = 0; k < 4; ++k)
            if (!ports[k].Out.empty())
                events.push_back("stop " + std::to_string(k) + " code " + std::to_string(Codes(k).front()));
        events.push_back("wait");
    });
    EXPECT_EQ(events, (std::vector<std::string>{"stop 0 code 1", "wait", "stop 2 code 1", "wait"}));
}

TEST(WaitSecondsTest, WaitsUntilTheClockMovesOnByN)
{
    int64_t t = 100;
    int reads = 0;
    WaitSeconds(1, [&] {
        ++reads;
        return reads < 5 ? t : t + 1;
    });
    EXPECT_EQ(reads, 5);
    reads = 0;
    WaitSeconds(2, [&] { return t + (reads++) / 3; });
    EXPECT_EQ(reads, 7);
}

TEST(WaitSecondsTest, ClockThatStandsStillOrGoesBackCannotHangTheProgram)
{
    QElapsedTimer real;
    real.start();
    WaitSeconds(1, [] { return int64_t(500); });
    int64_t t = 1000;
    WaitSeconds(1, [&] { return t--; });
    EXPECT_LT(real.elapsed(), 3000);
}

} // namespace
