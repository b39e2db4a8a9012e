// Panels of the "Bench Commands" menu.
#include <array>

#include "link/bench_record.h"
#include "ui/commands/command_texts.h"
#include "ui/commands/entry_conventions.h"
#include "ui/commands/panel_layout.h"
#include "ui/commands/panels.h"

using namespace PanelLayout;
using Entry::Step;

namespace Panels {

const char* const kSystemIdLabels[10] = {
    "Serial Number    ", "Model Number     ", "HW Part Nukmber  ", "HW Revision Level", "SW Part Number   ",
    "SW Revision Level", "Cal Part Number  ", "Cal Revision Level", "Cal Calc part Number", "Cal Calc Revision Level",
};

namespace {

QString Dec(int v) { return QString::number(v); }
QString Latin1(const std::string& s) { return QString::fromLatin1(s.data(), qsizetype(s.size())); }
PanelFault Info(const char* text) { return {QString::fromLatin1(text), IMessageSink::Icon::Information}; }

void ClearEdits(PanelView& v, int first, int last)
{
    for (int n = first; n <= last; ++n)
        v.E(n).Text.clear();
}

// Span channels in CommandArgs order, with their mask bits.
struct SpanChannel {
    uint8_t Bit;
    const char* Label;
    bool Scaled;
    Step StepOf;
    int Decimals;
};
constexpr std::array<SpanChannel, 5> kSpanChannels{{
    {0x01, "CO2 [%]", true, Step::Hundredth, 2},
    {0x02, "NH3 [ppm]", true, Step::Thousandth, 3},
    {0x04, "Freon[ppm]", false, Step::Hundredth, 0},
    {0x08, "NO [ppm]", false, Step::Hundredth, 0},
    {0x10, "O2 [%]", true, Step::Hundredth, 2},
}};

// ---- $02 Zero / O2 span ----
void SetUpZero(PanelView& v, const RememberedValues& r, QChar)
{
    WideRow(v, 1, QStringLiteral("Purge Time (1 PT = 1000 msecs)"), 1, Dec(r.LastPurgeTime), RowY(0));
    ProcessStateRow(v);
}

PanelFaults CollectZero(CollectContext& c)
{
    PanelFaults faults;
    const auto pt = Entry::ParseInteger(c.View.E(1).Text);
    if (!pt)
        faults.push_back(Info("Check PT Values"));
    else if (*pt < 0 || *pt > 255)
        faults.push_back({QStringLiteral("Illegal Purge Time"), IMessageSink::Icon::Error});
    if (!faults.empty())
        return faults;
    c.Args.PurgeTime = uint8_t(*pt);
    c.Remembered.LastPurgeTime = uint8_t(*pt);
    return faults;
}

// ---- $03 Span calibration ----
void SetUpSpan(PanelView& v, const RememberedValues& r, QChar sep)
{
    // Visible rows top to bottom CO2, Freon, NO, O2; the NH3 row stays hidden
    // but its box still takes part.
    constexpr int kRowOf[5] = {0, 4, 1, 2, 3};
    for (int ch = 0; ch < 5; ++ch) {
        const SpanChannel& s = kSpanChannels[size_t(ch)];
        const int y = RowY(kRowOf[ch]);
        const QString text = s.Scaled ? Entry::ScaledText(r.LastSpanValues[size_t(ch)], s.StepOf, s.Decimals, sep)
                                      : Dec(r.LastSpanValues[size_t(ch)]);
        // The label column is as wide as "Freon[ppm]"; the tag box follows it.
        Label(v, ch + 1, QString::fromLatin1(s.Label), kLabelX, y, 84);
        Check(v, ch + 1, QString(), (r.LastTagMask & s.Bit) != 0, 104, y, 20);
        Edit(v, ch + 1, text, kFieldX, y);
        if (ch == 1) {
            v.L(2).Visible = false;
            v.C(2).Visible = false;
            v.E(2).Visible = false;
        }
    }
    ProcessStateRow(v);
}

PanelFaults CollectSpan(CollectContext& c)
{
    PanelFaults faults;
    uint8_t mask = 0;
    std::array<int16_t, 5> values{};
    for (int ch = 0; ch < 5; ++ch) {
        if (!c.View.C(ch + 1).Checked)
            continue;
        const SpanChannel& s = kSpanChannels[size_t(ch)];
        mask |= s.Bit;
        const QString& text = c.View.E(ch + 1).Text;
        const auto value = s.Scaled ? Entry::ParseScaled(text, s.StepOf, c.DecimalSeparator) : Entry::ParseInteger16(text);
        if (!value)
            faults.push_back(Info("Check Tag Value"));
        else
            values[size_t(ch)] = *value;
    }
    if (mask == 0)
        faults.push_back(Info("No Channels selected"));
    if (!faults.empty())
        return faults;
    c.Args.TagMask = mask;
    c.Args.SpanValues = values;
    c.Remembered.LastTagMask = mask;
    c.Remembered.LastSpanValues = values;
    return faults;
}

// ---- $04 System ID ----
void SetUpSystemId(PanelView& v, const RememberedValues&, QChar) { SetUpSystemIdRows(v, 6); }

void ClearSystemId(PanelView& v) { ClearEdits(v, 1, 6); }

void ShowSystemId(PanelView& v, const BenchRecord& b, QChar) { ShowSystemIdRows(v, b, 6); }

// ---- $05 Miscellaneous data ----
void SetUpMisc(PanelView& v, const RememberedValues&, QChar)
{
    const char* labels[5] = {"Ambient Temperature [\xB0" "C]", "PEF                ", "ADCA [mV]          ",
                             "ADCB [mV]          ", "Pulses Per Minute  "};
    for (int i = 0; i < 5; ++i)
        Row(v, i + 1, QString::fromLatin1(labels[i]), i + 1, QString(), RowY(i));
}

void ClearMisc(PanelView& v) { ClearEdits(v, 1, 5); }

void ShowMisc(PanelView& v, const BenchRecord& b, QChar sep)
{
    const ServiceReadings& s = b.ServiceData;
    v.E(1).Text = Entry::FixedText(s.AmbientTemp, 1, sep);
    v.E(2).Text = Entry::FixedText(s.Pef, 3, sep);
    v.E(3).Text = Dec(s.AdcA);
    v.E(4).Text = Dec(s.AdcB);
    v.E(5).Text = Dec(uint16_t(s.PulsesPerMinute));
}

// ---- $08 Device control ----
void SetUpDevice(PanelView& v, const RememberedValues& r, QChar)
{
    Label(v, 1, QStringLiteral("DCM"), 16, RowY(0), 30);
    Label(v, 2, QStringLiteral("DC"), 50, RowY(0), 30);
    Label(v, 3, QStringLiteral("DCLC"), kFieldX, RowY(0), 60);
    for (int i = 0; i < 8; ++i) {
        const int bit = 7 - i;
        const int y = RowY(1) + 35 * i;
        Check(v, i + 1, Dec(bit), true, 16, y + 6, 34);
        Radio(v, i + 1, QString(), {QStringLiteral("Clear"), QStringLiteral("Set")}, 2,
              (r.LastDeviceValues >> bit) & 1, 50, y, 120, 32);
        Edit(v, i + 1, QString(), kFieldX, y + 6);
    }
}

void ClearDevice(PanelView& v) { ClearEdits(v, 1, 8); }

PanelFaults CollectDevice(CollectContext& c)
{
    uint8_t mask = 0, values = 0;
    for (int i = 0; i < 8; ++i) {
        const uint8_t bit = uint8_t(1 << (7 - i));
        if (c.View.C(i + 1).Checked)
            mask |= bit;
        if (Selection(c.View.R(i + 1)) == 1)
            values |= bit;
    }
    c.Args.DeviceMask = mask;
    c.Args.DeviceValues = values;
    c.Remembered.LastDeviceValues = values;
    return {};
}

void ShowDevice(PanelView& v, const BenchRecord& b, QChar)
{
    for (int i = 0; i < 8; ++i)
        v.E(i + 1).Text = CommandTexts::BitState(b.DeviceControlState, uint8_t(1 << (7 - i)));
}

// ---- $09 Reset span ----
void SetUpResetSpan(PanelView& v, const RememberedValues& r, QChar)
{
    Label(v, 1, QStringLiteral("Tag Mask"), kLabelX, RowY(0));
    Check(v, 1, QStringLiteral("CO2"), (r.LastTagMask & 0x01) != 0, kLabelX, RowY(1), 80);
    Check(v, 2, QStringLiteral("NH3"), (r.LastTagMask & 0x02) != 0, kLabelX, RowY(3), 80);
    v.C(2).Visible = false;
    Check(v, 3, QStringLiteral("Freon"), (r.LastTagMask & 0x04) != 0, kLabelX, RowY(2), 80);
    ProcessStateRow(v);
}

PanelFaults CollectResetSpan(CollectContext& c)
{
    uint8_t mask = 0;
    if (c.View.C(1).Checked)
        mask |= 0x01;
    if (c.View.C(2).Checked)
        mask |= 0x02;
    if (c.View.C(3).Checked)
        mask |= 0x04;
    if (mask == 0)
        return {Info("No Channels selected")};
    c.Args.TagMask = mask;
    c.Remembered.LastTagMask = mask;
    return {};
}

// ---- $0A New NO sensor ----
void SetUpNewNO(PanelView& v, const RememberedValues&, QChar) { v.MemoVisible = true; }

// ---- $0B Leak check ----
void SetUpLeak(PanelView& v, const RememberedValues& r, QChar)
{
    Label(v, 1, QStringLiteral("Times and Tolerance"), kLabelX, RowY(0));
    Row(v, 2, QStringLiteral("Vacuum Time (secs.)"), 2, Dec(r.LastVacuumTime), RowY(1));
    Row(v, 3, QStringLiteral("Leak Check Time (secs.)"), 3, Dec(r.LastLeakTime), RowY(2));
    Row(v, 4, QStringLiteral("Tolerance (10ths PSI/min)"), 4, Dec(r.LastTolerance), RowY(3));
    ProcessStateRow(v);
}

PanelFaults CollectLeak(CollectContext& c)
{
    PanelFaults faults;
    const auto vacuum = Entry::ParseInteger(c.View.E(2).Text);
    if (!vacuum)
        faults.push_back(Info("Check Vacuum setting"));
    const auto leak = Entry::ParseInteger(c.View.E(3).Text);
    if (!leak)
        faults.push_back(Info("Check Leak Time setting"));
    const auto tolerance = Entry::ParseInteger(c.View.E(4).Text);
    if (!tolerance)
        faults.push_back(Info("Check Tolerance setting"));
    if (!faults.empty())
        return faults;
    c.Args.VacuumTime = c.Remembered.LastVacuumTime = uint8_t(*vacuum);
    c.Args.LeakTime = c.Remembered.LastLeakTime = uint8_t(*leak);
    c.Args.Tolerance = c.Remembered.LastTolerance = uint8_t(*tolerance);
    return faults;
}

// ---- $11 One point pressure span ----
void SetUpPressureSpan1(PanelView& v, const RememberedValues& r, QChar sep)
{
    SetUpTagValueSpan(v, r, sep, QStringLiteral("1 Point Pressure Span"),
                      {QStringLiteral("Reset"), QStringLiteral("Span")});
}

PanelFaults CollectPressureSpan1(CollectContext& c) { return CollectTagValueSpan(c, {2, 1}); }

// ---- $12 Raw O2 and NO ----
void SetUpRawO2NO(PanelView& v, const RememberedValues&, QChar)
{
    Row(v, 1, QStringLiteral("Raw O2             "), 1, QString(), RowY(0));
    Row(v, 2, QStringLiteral("Raw NO             "), 2, QString(), RowY(1));
}

void ClearRawO2NO(PanelView& v) { ClearEdits(v, 1, 2); }

void ShowRawO2NO(PanelView& v, const BenchRecord& b, QChar)
{
    v.E(1).Text = Dec(b.ServiceData.RawO2);
    v.E(2).Text = Dec(b.ServiceData.RawNO);
}

// ---- $13 Gas switch ----
constexpr std::array<uint8_t, 5> kSwitchBits{0x01, 0x02, 0x04, 0x08, 0x10}; // CO2, NH3, Freon, NO, O2

void SetUpGasSwitch(PanelView& v, const RememberedValues& r, QChar)
{
    const char* labels[5] = {"CO2", "NH3", "Freon", "NO", "O2"};
    constexpr int kRowOf[5] = {0, 4, 1, 2, 3};
    for (int ch = 0; ch < 5; ++ch) {
        const int y = RowY(kRowOf[ch]);
        Label(v, ch + 1, QString::fromLatin1(labels[ch]), kLabelX, y, 54);
        Check(v, ch + 1, QString(), (r.LastSwitchMask & kSwitchBits[size_t(ch)]) != 0, 70, y, 20);
    }
    v.L(2).Visible = false;
    v.C(2).Visible = false;
    // The remembered mask picks the item by position: only a mask of 0 is "Read".
    Radio(v, 1, QStringLiteral("Channel Mask"), {QStringLiteral("Read"), QStringLiteral("Write")}, 2,
          r.LastSwitchMask == 0 ? 0 : 1, kLabelX, RowY(4));
}

PanelFaults CollectGasSwitch(CollectContext& c)
{
    uint8_t mask = Selection(c.View.R(1)) == 1 ? 0x80 : 0x00;
    for (int ch = 0; ch < 5; ++ch)
        if (c.View.C(ch + 1).Checked)
            mask |= kSwitchBits[size_t(ch)];
    c.Args.SwitchMask = c.Remembered.LastSwitchMask = mask;
    // The boxes now wait for the bench's answer.
    for (int ch = 0; ch < 5; ++ch)
        c.View.C(ch + 1).Checked = false;
    return {};
}

void ShowGasSwitch(PanelView& v, const BenchRecord& b, QChar)
{
    for (int ch = 0; ch < 5; ++ch)
        if (b.ServiceData.ChannelSwitchState & kSwitchBits[size_t(ch)])
            v.C(ch + 1).Checked = true;
}

// ---- $14 / $15 User memory ----
void UserMemoryRows(PanelView& v, const QString& location, const std::array<QString, 10>& rowLabels,
                     const std::array<QString, 20>& bytes)
{
    Label(v, 1, QStringLiteral("Memory Location  "), kLabelX, RowY(0), 130);
    Edit(v, 1, location, kNarrowX1, RowY(0), kNarrowWidth);
    for (int row = 0; row < 10; ++row) {
        const int y = RowY(row + 1);
        Label(v, row + 2, rowLabels[size_t(row)], kLabelX, y, 130);
        Edit(v, 2 + 2 * row, bytes[size_t(2 * row)], kNarrowX1, y, kNarrowWidth);
        Edit(v, 3 + 2 * row, bytes[size_t(2 * row + 1)], kNarrowX2, y, kNarrowWidth);
    }
}

void SetUpReadMemory(PanelView& v, const RememberedValues&, QChar)
{
    const std::array<QString, 10> labels{
        QStringLiteral("Bytes 1,2 (eg. 0x0A)"),   QStringLiteral("Bytes 3,4 (eg. 0x0A)"),
        QStringLiteral("Bytes 5,6 (eg. 0x0A)"),   QStringLiteral("Bytes 7,8 (eg. 0x0A)"),
        QStringLiteral("Bytes 9, 10 (eg. 0x0A)"), QStringLiteral("Bytes 11,12 (eg. 0x0A)"),
        QStringLiteral("Bytes 13,14 (eg. 0x0A)"), QStringLiteral("Bytes 15,16 (eg. 0x0A)"),
        QStringLiteral("Bytes 17,18 (eg. 0x0A)"), QStringLiteral("Bytes 19,20 (eg. 0x0A)")};
    UserMemoryRows(v, QString(), labels, {});
}

void ClearReadMemory(PanelView& v) { ClearEdits(v, 2, 21); }

PanelFaults CollectReadMemory(CollectContext& c)
{
    PanelFaults faults;
    auto location = Entry::ParseInteger(c.View.E(1).Text);
    if (!location) {
        // An unreadable location counts as 255, so it is also reported invalid.
        faults.push_back(Info("Check Location"));
        location = 255;
    }
    if (*location < 1 || *location > 20)
        faults.push_back(Info("Invalid location"));
    if (!faults.empty())
        return faults;
    c.Args.Location = c.Remembered.LastLocation = uint8_t(*location);
    return faults;
}

void ShowReadMemory(PanelView& v, const BenchRecord& b, QChar)
{
    for (int i = 0; i < 20; ++i)
        v.E(i + 2).Text = CommandTexts::HexByte(b.ServiceData.UserMemory[size_t(i)]);
}

void SetUpWriteMemory(PanelView& v, const RememberedValues& r, QChar)
{
    const std::array<QString, 10> labels{
        QStringLiteral("Bytes 1,2      "),   QStringLiteral("Bytes 3,4      "), QStringLiteral("Bytes 5,6      "),
        QStringLiteral("Bytes 7,8      "),   QStringLiteral("Bytes 9,10     "), QStringLiteral("Bytes 11,12    "),
        QStringLiteral("Bytes 13,14    "),   QStringLiteral("Bytes 15,16    "), QStringLiteral("Bytes 17,18  "),
        QStringLiteral("Bytes 19,20   ")};
    std::array<QString, 20> bytes;
    for (int i = 0; i < 20; ++i)
        bytes[size_t(i)] = Dec(r.LastWriteBytes[size_t(i)]);
    UserMemoryRows(v, Dec(r.LastLocation), labels, bytes);
}

PanelFaults CollectWriteMemory(CollectContext& c)
{
    PanelFaults faults;
    const auto location = Entry::ParseInteger(c.View.E(1).Text);
    if (!location)
        faults.push_back(Info("Check Location"));
    else if (*location < 1 || *location > 20)
        faults.push_back(Info("Invalid location"));
    std::array<uint8_t, 20> bytes{};
    bool tooBig = false;
    for (int i = 0; i < 20; ++i) {
        const auto value = Entry::ParseInteger(c.View.E(i + 2).Text);
        if (!value) {
            faults.push_back({QStringLiteral("Check Byte %1").arg(i + 1), IMessageSink::Icon::Information});
            continue;
        }
        // Negative values are let through as their low 8 bits.
        if (*value > 255)
            tooBig = true;
        bytes[size_t(i)] = uint8_t(*value);
    }
    if (tooBig)
        faults.push_back(Info("Invalid Byte"));
    if (!faults.empty())
        return faults;
    c.Args.Location = c.Remembered.LastLocation = uint8_t(*location);
    c.Args.WriteData = c.Remembered.LastWriteBytes = bytes;
    return faults;
}

// ---- $16 Pressure data ----
void SetUpPressure(PanelView& v, const RememberedValues&, QChar)
{
    WideRow(v, 1, QStringLiteral("Gage pressure [x1000 psi]"), 1, QString(), RowY(0));
    WideRow(v, 2, QStringLiteral("Absolute pressure [1/10th torr]"), 2, QString(), RowY(1));
    WideRow(v, 3, QStringLiteral("Ambient pressure [1/10th torr]"), 3, QString(), RowY(2));
}

void ClearPressure(PanelView& v) { ClearEdits(v, 1, 3); }

void ShowPressure(PanelView& v, const BenchRecord& b, QChar sep)
{
    const PressureReadings& p = b.PressureData;
    v.E(1).Text = Entry::FixedText(p.DifPressure * 0.1f, 1, sep);
    v.E(2).Text = Entry::FixedText(p.AbsPressure * 0.1f, 3, sep);
    v.E(3).Text = Entry::FixedText(p.AmbPressure * 0.1f, 3, sep);
}

// ---- $17 Standby ----
void SetUpStandby(PanelView& v, const RememberedValues&, QChar)
{
    Radio(v, 1, QStringLiteral("Standby"), {QStringLiteral("Read"), QStringLiteral("Disable"), QStringLiteral("Enable")},
          1, 0, kLabelX, RowY(0));
    Radio(v, 2, QStringLiteral("Standby"), {QStringLiteral("Temporary"), QStringLiteral("Permanent")}, 1, 0, kLabelX,
          Below(v, 1));
    Row(v, 1, QStringLiteral("Standby Mode State"), 1, QString(), Below(v, 2));
}

void ClearStandby(PanelView& v) { ClearEdits(v, 1, 1); }

PanelFaults CollectStandby(CollectContext& c)
{
    constexpr uint8_t kAction[3] = {0x00, 0x40, 0x80};
    uint8_t standby = kAction[Selection(c.View.R(1))];
    if (Selection(c.View.R(2)) == 1)
        standby |= 0x20;
    c.Args.Standby = standby;
    return {};
}

void ShowStandby(PanelView& v, const BenchRecord& b, QChar) { v.E(1).Text = CommandTexts::StandbyState(b.StandbyState); }

// ---- $18 SW checksum ----
void SetUpChecksum(PanelView& v, const RememberedValues&, QChar)
{
    Label(v, 1, QStringLiteral("SW Checksum  "), kLabelX, RowY(0));
    Label(v, 2, QStringLiteral("Bytes 1,2 (eg. 0x0A)"), kLabelX, RowY(1), 130);
    Edit(v, 2, QString(), kNarrowX1, RowY(1), kNarrowWidth);
    Edit(v, 3, QString(), kNarrowX2, RowY(1), kNarrowWidth);
    Label(v, 3, QStringLiteral("Bytes 3,4 (eg. 0x0A)"), kLabelX, RowY(2), 130);
    Edit(v, 4, QString(), kNarrowX1, RowY(2), kNarrowWidth);
    Edit(v, 5, QString(), kNarrowX2, RowY(2), kNarrowWidth);
}

void ClearChecksum(PanelView& v) { ClearEdits(v, 2, 5); }

void ShowChecksum(PanelView& v, const BenchRecord& b, QChar)
{
    for (int i = 0; i < 4; ++i)
        v.E(i + 2).Text = CommandTexts::HexByte(b.ServiceData.SwChecksum[size_t(i)]);
}

// ---- $F1 Mode select ----
void SetUpModeSelect(PanelView& v, const RememberedValues&, QChar)
{
    Radio(v, 1, QStringLiteral("Action"),
          {QStringLiteral("Report Mode"), QStringLiteral("Temporary Change"), QStringLiteral("Permanent Change")}, 1, 0,
          kLabelX, RowY(0));
    Radio(v, 2, QStringLiteral("New Mode"), CommandTexts::ModeItems(), 1, 0, kLabelX, Below(v, 1));
    Row(v, 12, QStringLiteral("Reported Mode"), 12, QString(), Below(v, 2));
}

void ClearModeSelect(PanelView& v) { v.E(12).Text.clear(); }

PanelFaults CollectModeSelect(CollectContext& c)
{
    c.Args.ModeAction = uint8_t(Selection(c.View.R(1)));
    c.Args.NewMode = uint8_t(Selection(c.View.R(2)));
    return {};
}

void ShowModeSelect(PanelView& v, const BenchRecord& b, QChar)
{
    v.E(12).Text = CommandTexts::ReportedMode(b.ServiceData.ReportedMode);
}

const PanelDef kBenchPanels[] = {
    {0x01, "Data Status ", SetUpDataStatus, nullptr, CollectDataStatus, nullptr},
    {0x02, "Zero O2 Span calibration $", SetUpZero, ClearInProg, CollectZero, nullptr},
    {0x03, "Span Calibration ", SetUpSpan, ClearInProg, CollectSpan, nullptr},
    {0x04, "System ID ", SetUpSystemId, ClearSystemId, nullptr, ShowSystemId},
    {0x05, "Miscellaneous Data ", SetUpMisc, ClearMisc, nullptr, ShowMisc},
    {0x07, "Pump Control ", SetUpPump, ClearPump, CollectPump, ShowPump},
    {0x08, "Device Control ", SetUpDevice, ClearDevice, CollectDevice, ShowDevice},
    {0x09, "Reset Span ", SetUpResetSpan, ClearInProg, CollectResetSpan, nullptr},
    {0x0A, "New NO Sensor ", SetUpNewNO, nullptr, nullptr, nullptr},
    {0x0B, "Leak Check $0B", SetUpLeak, nullptr, CollectLeak, nullptr},
    {0x11, "1 Point pressure Span $11", SetUpPressureSpan1, ClearInProg, CollectPressureSpan1, nullptr},
    {0x12, "Raw O2 and NO data $12", SetUpRawO2NO, ClearRawO2NO, nullptr, ShowRawO2NO},
    {0x13, "Gas Switch ON/OFF command ", SetUpGasSwitch, nullptr, CollectGasSwitch, ShowGasSwitch},
    {0x14, "Read User Memory $14", SetUpReadMemory, ClearReadMemory, CollectReadMemory, ShowReadMemory},
    {0x15, "Write User Memory $15", SetUpWriteMemory, nullptr, CollectWriteMemory, nullptr},
    {0x16, "Pressure Data ", SetUpPressure, ClearPressure, nullptr, ShowPressure},
    {0x17, "Standby Mode Enable/Disable ", SetUpStandby, ClearStandby, CollectStandby, ShowStandby},
    {0x18, "SW Checksum $18", SetUpChecksum, ClearChecksum, nullptr, ShowChecksum},
    {0x58, "Store Warmup $58", SetUpProcessStateOnly, ClearInProg, nullptr, nullptr},
    {0xF0, "Soft Reset ", SetUpProcessStateOnly, ClearInProg, nullptr, nullptr},
    {0xF1, "Mode Select", SetUpModeSelect, ClearModeSelect, CollectModeSelect, ShowModeSelect},
};

} // namespace

// ---- shared with the engineering menu ----
void SetUpDataStatus(PanelView& v, const RememberedValues& r, QChar)
{
    Radio(v, 1, QStringLiteral("Freon Mode"), {QStringLiteral("FREON1"), QStringLiteral("FREON2")}, 2,
          r.LastFreonMode ? 1 : 0, kLabelX, RowY(0));
    Radio(v, 2, QStringLiteral("Data Rate"),
          {QStringLiteral("Stop Continuous"), QStringLiteral("One Packet"), QStringLiteral("Continuous")}, 1,
          r.LastDataRate <= 2 ? r.LastDataRate : 2, kLabelX, Below(v, 1));
}

PanelFaults CollectDataStatus(CollectContext& c)
{
    c.Args.FreonMode = c.Remembered.LastFreonMode = Selection(c.View.R(1)) == 1 ? 1 : 0;
    c.Args.DataRate = c.Remembered.LastDataRate = uint8_t(Selection(c.View.R(2)));
    return {};
}

void SetUpPump(PanelView& v, const RememberedValues& r, QChar)
{
    Radio(v, 1, QStringLiteral("Pump"), {QStringLiteral("Off"), QStringLiteral("On"), QStringLiteral("No Change")}, 2,
          r.LastPump <= 2 ? r.LastPump : 0, kLabelX, RowY(0));
    Row(v, 1, QStringLiteral("Current Pump State"), 1, QString(), Below(v, 1));
}

void ClearPump(PanelView& v) { ClearEdits(v, 1, 1); }

PanelFaults CollectPump(CollectContext& c)
{
    c.Args.Pump = c.Remembered.LastPump = uint8_t(Selection(c.View.R(1)));
    return {};
}

void ShowPump(PanelView& v, const BenchRecord& b, QChar) { v.E(1).Text = CommandTexts::PumpState(b.PumpState); }

void SetUpTagValueSpan(PanelView& v, const RememberedValues& r, QChar sep, const QString& caption,
                       const QStringList& items)
{
    Row(v, 1, QStringLiteral("Tag Value"), 1, Entry::ScaledText(r.LastTagValue, Step::Tenth, 1, sep), RowY(0));
    Radio(v, 1, caption, items, 2, 0, kLabelX, RowY(1));
    ProcessStateRow(v);
}

PanelFaults CollectTagValueSpan(CollectContext& c, const std::array<uint8_t, 2>& modes)
{
    const uint8_t mode = modes[size_t(Selection(c.View.R(1)) == 1 ? 1 : 0)];
    const auto value = Entry::ParseScaled(c.View.E(1).Text, Step::Tenth, c.DecimalSeparator);
    if (!value)
        return {Info("Check Tag Value")};
    c.Args.TagMask = c.Remembered.LastTagMask = mode;
    c.Args.TagValue = c.Remembered.LastTagValue = *value;
    return {};
}

void SetUpSystemIdRows(PanelView& v, int count)
{
    for (int i = 0; i < count && i < 10; ++i)
        Row(v, i + 1, QString::fromLatin1(kSystemIdLabels[i]), i + 1, QString(), RowY(i));
}

void ShowSystemIdRows(PanelView& v, const BenchRecord& b, int count)
{
    const SystemIdentity& id = b.SystemId;
    const std::string* fields[10] = {&id.SerialNumber,  &id.ModelNumber,      &id.HwPartNumber, &id.HwRevision,
                                     &id.SwPartNumber,  &id.SwRevision,       &id.CalPartNumber, &id.CalRevision,
                                     &id.CalCalcPartNumber, &id.CalCalcRevision};
    for (int i = 0; i < count && i < 10; ++i)
        v.E(i + 1).Text = Latin1(*fields[i]);
}

void SetUpProcessStateOnly(PanelView& v, const RememberedValues&, QChar) { ProcessStateRow(v); }

void ClearInProg(PanelView& v) { v.InProgText.clear(); }

std::span<const PanelDef> BenchPanels() { return kBenchPanels; }

} // namespace Panels
