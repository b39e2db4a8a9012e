// Panels of the "Engineering Bench  Commands" menu.
#include "link/bench_record.h"
#include "ui/commands/command_texts.h"
#include "ui/commands/panel_layout.h"
#include "ui/commands/panels.h"

using namespace PanelLayout;

namespace Panels {

namespace {

// ---- $45 Filter ----
struct FilterGroup {
    const char* Caption;
    uint8_t Bit;
};
constexpr FilterGroup kFilters[3] = {{"Input Filter 1", 0x20}, {"Input Filter 2", 0x10}, {"Output Filter", 0x01}};

void SetUpFilter(PanelView& v, const RememberedValues& r, QChar)
{
    for (int i = 0; i < 3; ++i) {
        const int y = RowY(0) + 50 * i;
        Radio(v, i + 1, QString::fromLatin1(kFilters[i].Caption), {QStringLiteral("Off"), QStringLiteral("On")}, 2,
              (r.LastFilterBits & kFilters[i].Bit) ? 1 : 0, kLabelX, y, 130, 44);
        Edit(v, i + 1, QString(), kFieldX, y + 16);
    }
}

void ClearFilter(PanelView& v)
{
    for (int n = 1; n <= 3; ++n)
        v.E(n).Text.clear();
}

PanelFaults CollectFilter(CollectContext& c)
{
    uint8_t bits = 0;
    for (int i = 0; i < 3; ++i)
        if (Selection(c.View.R(i + 1)) == 1)
            bits |= kFilters[i].Bit;
    c.Args.FilterBits = c.Remembered.LastFilterBits = bits;
    return {};
}

void ShowFilter(PanelView& v, const BenchRecord& b, QChar)
{
    for (int i = 0; i < 3; ++i)
        v.E(i + 1).Text = CommandTexts::BitState(b.FilterState, kFilters[i].Bit);
}

// ---- $46 Demodulation ----
void SetUpDemod(PanelView& v, const RememberedValues& r, QChar)
{
    Radio(v, 1, QStringLiteral("Demodulation"), {QStringLiteral("Alder"), QStringLiteral("Birch")}, 2,
          r.LastAlgorithm == 1 ? 1 : 0, kLabelX, RowY(0));
    Row(v, 1, QStringLiteral("Current Setting"), 1, QString(), Below(v, 1));
}

void ClearDemod(PanelView& v) { v.E(1).Text.clear(); }

PanelFaults CollectDemod(CollectContext& c)
{
    c.Args.Algorithm = c.Remembered.LastAlgorithm = Selection(c.View.R(1)) == 1 ? 1 : 0;
    return {};
}

void ShowDemod(PanelView& v, const BenchRecord& b, QChar) { v.E(1).Text = CommandTexts::DemodAlgorithm(b.DemodAlgorithm); }

// ---- $50 Two point pressure span ----
void SetUpTwoPoint(PanelView& v, const RememberedValues& r, QChar sep)
{
    SetUpTagValueSpan(v, r, sep, QStringLiteral("2 Point Pressure Span"), {QStringLiteral("Low"), QStringLiteral("High")});
}

PanelFaults CollectTwoPoint(CollectContext& c) { return CollectTagValueSpan(c, {0x08, 0x88}); }

// ---- $51 Engineering system ID ----
void SetUpEngSystemId(PanelView& v, const RememberedValues&, QChar) { SetUpSystemIdRows(v, 10); }

void ClearEngSystemId(PanelView& v)
{
    for (int n = 1; n <= 10; ++n)
        v.E(n).Text.clear();
}

void ShowEngSystemId(PanelView& v, const BenchRecord& b, QChar) { ShowSystemIdRows(v, b, 10); }

// ---- $D4 Change command set ----
void SetUpCommandSet(PanelView& v, const RememberedValues&, QChar)
{
    // Wide enough for the whole item: "..., Temporary" and "..., Permanent" must be told apart.
    Radio(v, 1, QString(), CommandTexts::CommandSetItems(), 1, 0, kLabelX, RowY(0), 260, 200);
    Row(v, 1, QStringLiteral("Current Command Set"), 1, QString(), Below(v, 1));
}

PanelFaults CollectCommandSet(CollectContext& c)
{
    c.Args.CommandSet = CommandTexts::CommandSetBytes(Selection(c.View.R(1)));
    return {};
}

void ShowCommandSet(PanelView& v, const BenchRecord& b, QChar)
{
    v.E(1).Text = CommandTexts::CommandSetReply(b.CommandSetReply);
}

const PanelDef kEngineeringPanels[] = {
    {0x44, "Engineering Data $44", SetUpDataStatus, nullptr, CollectDataStatus, nullptr},
    {0x45, "Filter $45", SetUpFilter, ClearFilter, CollectFilter, ShowFilter},
    {0x46, "SelectDemodulation $46", SetUpDemod, ClearDemod, CollectDemod, ShowDemod},
    {0x50, "2 Point Span $50", SetUpTwoPoint, ClearInProg, CollectTwoPoint, nullptr},
    {0x51, "Engineering System ID $51", SetUpEngSystemId, ClearEngSystemId, nullptr, ShowEngSystemId},
    {0x52, "Engineering Pump ON OFF $52", SetUpPump, ClearPump, CollectPump, ShowPump},
    {0x56, "Store Defaults $56", SetUpProcessStateOnly, ClearInProg, nullptr, nullptr},
    {0x57, "Reset To Defaults $57", SetUpProcessStateOnly, ClearInProg, nullptr, nullptr},
    {0xD4, "Change Command set $D4", SetUpCommandSet, nullptr, CollectCommandSet, ShowCommandSet},
};

} // namespace

std::span<const PanelDef> EngineeringPanels() { return kEngineeringPanels; }

} // namespace Panels
