// Panels as plain logic: set-up, collect-step checks and reply displays.
#include "link/bench_record.h"
#include "ui/commands/command_texts.h"
#include "ui/commands/panels.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// One panel worked the way the dialog works it, without widgets.
struct PanelRun {
    const PanelDef* Def;
    PanelView View;
    RememberedValues Remembered;
    DialogCommandArgs Args{};
    bool Sent = false;
    QChar Separator;

    explicit PanelRun(uint8_t code, RememberedValues r = {}, QChar sep = QLatin1Char('.'))
        : Def(Panels::Find(code)), Remembered(r), Separator(sep)
    {
        EXPECT_NE(Def, nullptr);
        Def->SetUp(View, Remembered, Separator);
    }
    // Pre-send clearing and collect step; on success the args and the
    // remembered values are taken over, as Send does.
    QStringList Send()
    {
        Sent = false;
        if (Def->Clear)
            Def->Clear(View);
        DialogCommandArgs args{};
        RememberedValues r = Remembered;
        CollectContext c{View, r, args, Separator};
        const PanelFaults faults = Def->Collect ? Def->Collect(c) : PanelFaults{};
        QStringList texts;
        for (const PanelFault& f : faults)
            texts << f.Text;
        if (faults.empty()) {
            Args = args;
            Remembered = r;
            Sent = true;
        }
        return texts;
    }
    PanelFaults Faults()
    {
        DialogCommandArgs args{};
        RememberedValues r = Remembered;
        CollectContext c{View, r, args, Separator};
        return Def->Collect(c);
    }
    void Reply(const std::function<void(BenchRecord&)>& fill)
    {
        BenchRecord b;
        fill(b);
        Def->ShowReply(View, b, Separator);
    }
};

// Collect-step faults: each fault has its message box, and nothing is sent.
struct FaultCase {
    const char* Name;
    uint8_t Code;
    std::function<void(PanelView&)> Fill;
    QStringList Messages;
};

TEST(CommandPanels, CollectFaultsAreReportedAndNothingIsSent)
{
    const FaultCase cases[] = {
        {"purge time not an integer", 0x02, [](PanelView& v) { v.E(1).Text = "abc"; }, {"Check PT Values"}},
        {"purge time empty", 0x02, [](PanelView& v) { v.E(1).Text = ""; }, {"Check PT Values"}},
        {"purge time 256", 0x02, [](PanelView& v) { v.E(1).Text = "256"; }, {"Illegal Purge Time"}},
        {"purge time -1", 0x02, [](PanelView& v) { v.E(1).Text = "-1"; }, {"Illegal Purge Time"}},
        {"span: Freon 12a", 0x03,
         [](PanelView& v) {
             for (int n = 1; n <= 5; ++n)
                 v.C(n).Checked = false;
             v.C(3).Checked = true;
             v.E(3).Text = "12a";
         },
         {"Check Tag Value"}},
        {"span: two bad fields, one box each", 0x03,
         [](PanelView& v) {
             v.C(1).Checked = true;
             v.E(1).Text = "x";
             v.C(5).Checked = true;
             v.E(5).Text = "1..2";
         },
         {"Check Tag Value", "Check Tag Value"}},
        {"span: nothing ticked", 0x03,
         [](PanelView& v) {
             for (int n = 1; n <= 5; ++n)
                 v.C(n).Checked = false;
         },
         {"No Channels selected"}},
        {"reset span: nothing ticked", 0x09, [](PanelView&) {}, {"No Channels selected"}},
        {"leak check: all three bad", 0x0B,
         [](PanelView& v) {
             v.E(2).Text = "a";
             v.E(3).Text = "";
             v.E(4).Text = "1.5";
         },
         {"Check Vacuum setting", "Check Leak Time setting", "Check Tolerance setting"}},
        {"1 point span: bad tag", 0x11, [](PanelView& v) { v.E(1).Text = "abc"; }, {"Check Tag Value"}},
        {"2 point span: bad tag", 0x50, [](PanelView& v) { v.E(1).Text = "1.2.3"; }, {"Check Tag Value"}},
        {"read memory: abc", 0x14, [](PanelView& v) { v.E(1).Text = "abc"; }, {"Check Location", "Invalid location"}},
        {"read memory: 21", 0x14, [](PanelView& v) { v.E(1).Text = "21"; }, {"Invalid location"}},
        {"read memory: 0", 0x14, [](PanelView& v) { v.E(1).Text = "0"; }, {"Invalid location"}},
        {"read memory: empty", 0x14, [](PanelView& v) { v.E(1).Text = ""; }, {"Check Location", "Invalid location"}},
        {"write memory: 300 in byte 5", 0x15,
         [](PanelView& v) {
             v.E(1).Text = "3";
             v.E(6).Text = "300";
         },
         {"Invalid Byte"}},
        {"write memory: two big bytes, one box", 0x15,
         [](PanelView& v) {
             v.E(1).Text = "3";
             v.E(2).Text = "256";
             v.E(21).Text = "1000";
         },
         {"Invalid Byte"}},
        {"write memory: bad location and bytes 3 and 20", 0x15,
         [](PanelView& v) {
             v.E(1).Text = "loc";
             v.E(4).Text = "q";
             v.E(21).Text = "";
         },
         {"Check Location", "Check Byte 3", "Check Byte 20"}},
        {"write memory: location 0", 0x15, [](PanelView& v) { v.E(1).Text = "0"; }, {"Invalid location"}},
    };
    for (const FaultCase& c : cases) {
        RememberedValues before;
        before.LastPurgeTime = 7;
        before.LastLocation = 4;
        PanelRun run(c.Code, before);
        c.Fill(run.View);
        EXPECT_EQ(run.Send(), c.Messages) << c.Name;
        EXPECT_FALSE(run.Sent) << c.Name;
        EXPECT_EQ(run.Remembered.LastPurgeTime, 7) << c.Name;
        EXPECT_EQ(run.Remembered.LastLocation, 4) << c.Name;
    }
}

// A negative tag value is sent as typed, and a panel opened again on the value it
// remembered sends the same value: repeated Sends never drift toward zero.
TEST(CommandPanels, NegativeTagValuesAreSentAsTypedAndDoNotDrift)
{
    for (uint8_t code : {uint8_t(0x11), uint8_t(0x50)}) {
        PanelRun run(code);
        run.View.E(1).Text = "-1.0";
        ASSERT_TRUE(run.Send().isEmpty()) << int(code);
        EXPECT_EQ(run.Args.TagValue, -10) << int(code);
        for (int again = 0; again < 3; ++again) {
            PanelRun reopened(code, run.Remembered);
            EXPECT_EQ(reopened.View.E(1).Text, QStringLiteral("-1.0")) << int(code);
            ASSERT_TRUE(reopened.Send().isEmpty()) << int(code);
            EXPECT_EQ(reopened.Args.TagValue, -10) << int(code) << " send " << again + 2;
            run.Remembered = reopened.Remembered;
        }
    }
}

TEST(CommandPanels, OnlyIllegalPurgeTimeUsesTheErrorIcon)
{
    PanelRun run(0x02);
    run.View.E(1).Text = "300";
    const PanelFaults f = run.Faults();
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].Icon, IMessageSink::Icon::Error);
    run.View.E(1).Text = "z";
    EXPECT_EQ(run.Faults().at(0).Icon, IMessageSink::Icon::Information);
}

TEST(CommandPanels, AcceptedEntriesBecomeArguments)
{
    {
        PanelRun run(0x02);
        run.View.E(1).Text = "0x10";
        EXPECT_TRUE(run.Send().isEmpty());
        EXPECT_EQ(run.Args.PurgeTime, 16);
        EXPECT_EQ(run.Remembered.LastPurgeTime, 16);
    }
    {
        PanelRun run(0x03);
        run.View.C(1).Checked = true;
        run.View.E(1).Text = "2.675";
        run.View.C(4).Checked = true;
        run.View.E(4).Text = "$100";
        EXPECT_TRUE(run.Send().isEmpty());
        EXPECT_EQ(run.Args.TagMask, 0x09);
        EXPECT_EQ(run.Args.SpanValues, (std::array<int16_t, 5>{267, 0, 0, 256, 0}));
        EXPECT_EQ(run.Remembered.LastSpanValues, run.Args.SpanValues);
    }
    {
        PanelRun run(0x15);
        run.View.E(1).Text = "20";
        run.View.E(6).Text = "-1";
        run.View.E(2).Text = "0x0A";
        EXPECT_TRUE(run.Send().isEmpty());
        EXPECT_EQ(run.Args.Location, 20);
        EXPECT_EQ(run.Args.WriteData[0], 10);
        EXPECT_EQ(run.Args.WriteData[4], 255);
        EXPECT_EQ(run.Remembered.LastWriteBytes, run.Args.WriteData);
    }
    {
        PanelRun run(0x0B);
        run.View.E(2).Text = "300"; // bytes: the low 8 bits
        run.View.E(3).Text = "20";
        run.View.E(4).Text = "5";
        EXPECT_TRUE(run.Send().isEmpty());
        EXPECT_EQ(run.Args.VacuumTime, 44);
        EXPECT_EQ(run.Args.LeakTime, 20);
        EXPECT_EQ(run.Args.Tolerance, 5);
    }
    {
        PanelRun run(0x50);
        run.View.R(1).Selected = 1; // High
        run.View.E(1).Text = "12.34";
        EXPECT_TRUE(run.Send().isEmpty());
        EXPECT_EQ(run.Args.TagMask, 0x88);
        EXPECT_EQ(run.Args.TagValue, 123);
        run.View.R(1).Selected = 0; // Low
        EXPECT_TRUE(run.Send().isEmpty());
        EXPECT_EQ(run.Args.TagMask, 0x08);
        EXPECT_EQ(run.Remembered.LastTagMask, 0x08);
    }
    {
        PanelRun run(0x17);
        run.View.R(1).Selected = 2; // Enable
        run.View.R(2).Selected = 1; // Permanent
        run.Send();
        EXPECT_EQ(run.Args.Standby, 0xA0);
    }
    {
        PanelRun run(0x08, RememberedValues{.LastDeviceValues = 0x81});
        EXPECT_EQ(run.View.R(1).Selected, 1); // bit 7 Set
        EXPECT_EQ(run.View.R(2).Selected, 0);
        EXPECT_EQ(run.View.R(8).Selected, 1); // bit 0 Set
        run.View.C(2).Checked = false;        // bit 6 left alone
        run.View.R(3).Selected = 1;           // bit 5 Set
        run.Send();
        EXPECT_EQ(run.Args.DeviceMask, 0xBF);
        EXPECT_EQ(run.Args.DeviceValues, 0xA1);
        EXPECT_EQ(run.Remembered.LastDeviceValues, 0xA1);
    }
    {
        PanelRun run(0xF1);
        run.View.R(1).Selected = 2;
        run.View.R(2).Selected = 7;
        run.Send();
        EXPECT_EQ(run.Args.ModeAction, 2);
        EXPECT_EQ(run.Args.NewMode, 7);
    }
}

TEST(CommandPanels, CollectWritesTheWholeArgumentBlock)
{
    // Fields a command does not use are zero, whatever an earlier command left.
    PanelRun run(0x07);
    run.View.R(1).Selected = 1;
    run.Send();
    DialogCommandArgs expected{};
    expected.Pump = 1;
    EXPECT_EQ(run.Args.Pump, 1);
    EXPECT_EQ(run.Args.DataRate, 0);
    EXPECT_EQ(run.Args.SpanValues, expected.SpanValues);
    EXPECT_EQ(run.Args.WriteData, expected.WriteData);
}

TEST(CommandPanels, SpanModesOfThePressureSpansTickChannelBoxes)
{
    // $11 "Reset" remembers mode 2: only the hidden NH3 box starts ticked in $03.
    PanelRun p11(0x11);
    p11.Send();
    EXPECT_EQ(p11.Remembered.LastTagMask, 2);
    PanelRun p03(0x03, p11.Remembered);
    EXPECT_FALSE(p03.View.C(2).Visible);
    EXPECT_TRUE(p03.View.C(2).Checked);
    EXPECT_FALSE(p03.View.C(1).Checked);
    p03.View.C(1).Checked = true;
    p03.View.E(1).Text = "1.00";
    EXPECT_TRUE(p03.Send().isEmpty());
    EXPECT_EQ(p03.Args.TagMask, 0x03); // NH3 goes along with a value of 0
    EXPECT_EQ(p03.Args.SpanValues[1], 0);

    // $50 "High" remembers $88: the NO box starts ticked.
    PanelRun p50(0x50);
    p50.View.R(1).Selected = 1;
    p50.View.E(1).Text = "12.34";
    p50.Send();
    PanelRun again(0x03, p50.Remembered);
    EXPECT_TRUE(again.View.C(4).Checked);
    EXPECT_FALSE(again.View.C(1).Checked);
    PanelRun p50b(0x50, p50.Remembered);
    EXPECT_EQ(p50b.View.E(1).Text, QStringLiteral("12.3"));
}

TEST(CommandPanels, SpanPanelShowsRememberedValuesInTheSystemSeparator)
{
    RememberedValues r;
    r.LastTagMask = 0x11;
    r.LastSpanValues = {267, 1500, 40, -3, 2090};
    PanelRun run(0x03, r, QLatin1Char(','));
    EXPECT_EQ(run.View.E(1).Text, QStringLiteral("2,67"));
    EXPECT_EQ(run.View.E(2).Text, QStringLiteral("1,500"));
    EXPECT_EQ(run.View.E(3).Text, QStringLiteral("40"));
    EXPECT_EQ(run.View.E(4).Text, QStringLiteral("-3"));
    EXPECT_EQ(run.View.E(5).Text, QStringLiteral("20,90"));
    EXPECT_TRUE(run.View.C(1).Checked);
    EXPECT_TRUE(run.View.C(5).Checked);
    EXPECT_TRUE(run.Send().isEmpty());
    EXPECT_EQ(run.Args.SpanValues, (std::array<int16_t, 5>{267, 0, 0, 0, 2090}));
    // Visible rows top to bottom: CO2, Freon, NO, O2.
    EXPECT_LT(run.View.E(1).Geometry.y(), run.View.E(3).Geometry.y());
    EXPECT_LT(run.View.E(3).Geometry.y(), run.View.E(4).Geometry.y());
    EXPECT_LT(run.View.E(4).Geometry.y(), run.View.E(5).Geometry.y());
}

TEST(CommandPanels, GasSwitchRemembersItsMaskAndTicksFromTheReply)
{
    PanelRun run(0x13);
    EXPECT_EQ(run.View.R(1).Selected, 0); // "Read" with a remembered mask of 0
    run.View.C(1).Checked = true;
    run.Send();
    EXPECT_EQ(run.Args.SwitchMask, 0x01);
    for (int n = 1; n <= 5; ++n)
        EXPECT_FALSE(run.View.C(n).Checked) << n;
    run.Reply([](BenchRecord& b) { b.ServiceData.ChannelSwitchState = 0x1D; });
    EXPECT_TRUE(run.View.C(1).Checked);
    EXPECT_FALSE(run.View.C(2).Checked);
    EXPECT_TRUE(run.View.C(3).Checked);
    EXPECT_TRUE(run.View.C(4).Checked);
    EXPECT_TRUE(run.View.C(5).Checked);

    PanelRun next(0x13, run.Remembered);
    EXPECT_EQ(next.View.R(1).Selected, 1); // "Write"
    EXPECT_TRUE(next.View.C(1).Checked);
    next.Send();
    EXPECT_EQ(next.Args.SwitchMask, 0x81);
}

TEST(CommandPanels, DataStatusAndPumpShareTheirRememberedValues)
{
    PanelRun p01(0x01);
    EXPECT_EQ(p01.View.R(2).Selected, 2); // "Continuous" at start
    p01.View.R(1).Selected = 1;
    p01.View.R(2).Selected = 1;
    p01.Send();
    EXPECT_EQ(p01.Args.FreonMode, 1);
    EXPECT_EQ(p01.Args.DataRate, 1);
    PanelRun p44(0x44, p01.Remembered);
    EXPECT_EQ(p44.View.R(1).Selected, 1);
    EXPECT_EQ(p44.View.R(2).Selected, 1);

    PanelRun p07(0x07);
    p07.View.R(1).Selected = 2;
    p07.Send();
    PanelRun p52(0x52, p07.Remembered);
    EXPECT_EQ(p52.View.R(1).Selected, 2);
}

TEST(CommandPanels, FilterBitsAndTheirReply)
{
    PanelRun run(0x45);
    for (int n = 1; n <= 3; ++n)
        run.View.R(n).Selected = 1;
    run.Send();
    EXPECT_EQ(run.Args.FilterBits, 0x31);
    run.Reply([](BenchRecord& b) { b.FilterState = 0x20; });
    EXPECT_EQ(run.View.E(1).Text, QStringLiteral("Set"));
    EXPECT_EQ(run.View.E(2).Text, QStringLiteral("Clear"));
    EXPECT_EQ(run.View.E(3).Text, QStringLiteral("Clear"));
    PanelRun next(0x45, run.Remembered);
    EXPECT_EQ(next.View.R(2).Selected, 1);
}

TEST(CommandPanels, CommandSetItemsSendTheModelTypeNumbers)
{
    PanelRun run(0xD4);
    ASSERT_EQ(run.View.R(1).Items.size(), 7);
    EXPECT_EQ(run.View.R(1).Items[2], QStringLiteral("Condor Command Set, Temporary"));
    EXPECT_EQ(run.View.R(1).Items[6], QStringLiteral("Buzzard Command Set, Permanent"));
    const std::array<std::array<uint8_t, 4>, 7> expected{{
        {0, 0, 0, 0},
        {20, 10, 0, 0}, {30, 20, 0, 0}, {40, 30, 0, 0},
        {20, 10, 0, 1}, {30, 20, 0, 1}, {40, 30, 0, 1},
    }};
    for (int i = 0; i < 7; ++i) {
        run.View.R(1).Selected = i;
        run.Send();
        EXPECT_EQ(run.Args.CommandSet, expected[size_t(i)]) << i;
    }
}

// Reply displays: values outside the listed cases leave their field empty.
struct ReplyCase {
    const char* Name;
    uint8_t Code;
    std::function<void(BenchRecord&)> Fill;
    int Edit;
    const char* Shown;
};

TEST(CommandPanels, ReplyTexts)
{
    const ReplyCase cases[] = {
        {"standby $80", 0x17, [](BenchRecord& b) { b.StandbyState = 0x80; }, 1, "Enabled"},
        {"standby $40", 0x17, [](BenchRecord& b) { b.StandbyState = 0x40; }, 1, "Disabled"},
        {"standby $C0", 0x17, [](BenchRecord& b) { b.StandbyState = 0xC0; }, 1, ""},
        {"mode 0", 0xF1, [](BenchRecord& b) { b.ServiceData.ReportedMode = 0; }, 12, "Osprey, Old"},
        {"mode 7", 0xF1, [](BenchRecord& b) { b.ServiceData.ReportedMode = 7; }, 12, "Falcon, Multi-Sol, New"},
        {"mode 9", 0xF1, [](BenchRecord& b) { b.ServiceData.ReportedMode = 9; }, 12, ""},
        {"demod 1", 0x46, [](BenchRecord& b) { b.DemodAlgorithm = 1; }, 1, "Birch"},
        {"demod 0", 0x46, [](BenchRecord& b) { b.DemodAlgorithm = 0; }, 1, "Alder"},
        {"demod 2", 0x46, [](BenchRecord& b) { b.DemodAlgorithm = 2; }, 1, ""},
        {"pump 1", 0x07, [](BenchRecord& b) { b.PumpState = 1; }, 1, "Pump On"},
        {"eng pump 0", 0x52, [](BenchRecord& b) { b.PumpState = 0; }, 1, "Pump Off"},
        {"pump 5", 0x07, [](BenchRecord& b) { b.PumpState = 5; }, 1, ""},
        {"command set 1234A", 0xD4, [](BenchRecord& b) { b.CommandSetReply = {12, 34, 'A'}; }, 1, "1234A"},
        {"command set, no letter", 0xD4, [](BenchRecord& b) { b.CommandSetReply = {20, 10, 0}; }, 1, "2010"},
        {"command set, second half below 10", 0xD4, [](BenchRecord& b) { b.CommandSetReply = {20, 5, 0}; }, 1, "20 5"},
        {"ambient temperature", 0x05, [](BenchRecord& b) { b.ServiceData.AmbientTemp = -10.0f; }, 1, "-10.0"},
        {"PEF", 0x05, [](BenchRecord& b) { b.ServiceData.Pef = 0.001f; }, 2, "0.001"},
        {"ADC A", 0x05, [](BenchRecord& b) { b.ServiceData.AdcA = -12; }, 3, "-12"},
        {"pulses unsigned", 0x05, [](BenchRecord& b) { b.ServiceData.PulsesPerMinute = -1; }, 5, "65535"},
        {"raw NO", 0x12, [](BenchRecord& b) { b.ServiceData.RawNO = -70000; }, 2, "-70000"},
        {"gage pressure", 0x16, [](BenchRecord& b) { b.PressureData.DifPressure = -32768; }, 1, "-3276.8"},
        {"absolute pressure", 0x16, [](BenchRecord& b) { b.PressureData.AbsPressure = 7601; }, 2, "760.100"},
        {"user memory byte 1", 0x14, [](BenchRecord& b) { b.ServiceData.UserMemory[0] = 0x0A; }, 2, "0x0A"},
        {"user memory byte 20", 0x14, [](BenchRecord& b) { b.ServiceData.UserMemory[19] = 0xFF; }, 21, "0xFF"},
        {"checksum byte 4", 0x18, [](BenchRecord& b) { b.ServiceData.SwChecksum[3] = 0x9e; }, 5, "0x9E"},
        {"device bit 7", 0x08, [](BenchRecord& b) { b.DeviceControlState = 0x80; }, 1, "Set"},
        {"device bit 0", 0x08, [](BenchRecord& b) { b.DeviceControlState = 0x80; }, 8, "Clear"},
        {"serial number", 0x04, [](BenchRecord& b) { b.SystemId.SerialNumber = "ABC"; }, 1, "ABC"},
        {"eng cal calc revision", 0x51, [](BenchRecord& b) { b.SystemId.CalCalcRevision = "01"; }, 10, "01"},
    };
    for (const ReplyCase& c : cases) {
        PanelRun run(c.Code);
        run.Send();
        ASSERT_NE(run.Def->ShowReply, nullptr) << c.Name;
        run.Reply(c.Fill);
        EXPECT_EQ(run.View.E(c.Edit).Text, QString::fromLatin1(c.Shown)) << c.Name;
    }
}

TEST(CommandPanels, CaptionsAndWhichPanelsHaveReplies)
{
    const std::pair<uint8_t, const char*> captions[] = {
        {0x01, "Data Status "}, {0x02, "Zero O2 Span calibration $"}, {0x0B, "Leak Check $0B"},
        {0x13, "Gas Switch ON/OFF command "}, {0x17, "Standby Mode Enable/Disable "}, {0xF1, "Mode Select"},
        {0x46, "SelectDemodulation $46"}, {0xD4, "Change Command set $D4"}, {0x57, "Reset To Defaults $57"},
    };
    for (auto [code, caption] : captions)
        EXPECT_STREQ(Panels::Find(code)->Caption, caption);
    EXPECT_EQ(Panels::BenchPanels().size() + Panels::EngineeringPanels().size(), 30u);
    EXPECT_EQ(Panels::Find(0x47), nullptr);
    EXPECT_EQ(Panels::Find(0x00), nullptr);
    for (uint8_t code : {0x01, 0x02, 0x03, 0x09, 0x0A, 0x0B, 0x11, 0x15, 0x44, 0x50, 0x56, 0x57, 0x58, 0xF0})
        EXPECT_EQ(Panels::Find(code)->ShowReply, nullptr) << int(code);
}

} // namespace
