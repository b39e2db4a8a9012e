#pragma once
#include <array>
#include <cstdint>
#include <span>

#include "ui/commands/panel_view.h"

// Every panel of the command dialog, by command code.
namespace Panels {

// The panel of a code, or nullptr for a code without one.
const PanelDef* Find(uint8_t code);

// Panels of the "Bench Commands" menu and of the engineering menu.
std::span<const PanelDef> BenchPanels();
std::span<const PanelDef> EngineeringPanels();

// Panels the engineering menu shares with the bench menu ($44 is laid out as
// $01, $52 as $07).
void SetUpDataStatus(PanelView& v, const RememberedValues& r, QChar separator);
PanelFaults CollectDataStatus(CollectContext& c);
void SetUpPump(PanelView& v, const RememberedValues& r, QChar separator);
void ClearPump(PanelView& v);
PanelFaults CollectPump(CollectContext& c);
void ShowPump(PanelView& v, const BenchRecord& b, QChar separator);
void SetUpProcessStateOnly(PanelView& v, const RememberedValues& r, QChar separator);
void ClearInProg(PanelView& v);

// The pressure spans ($11, $50): a "Tag Value" row in tenths above a two-item
// span mode group, and the "Process State" row. The collect step sends the
// mode of the selected item and remembers it in LastTagMask.
void SetUpTagValueSpan(PanelView& v, const RememberedValues& r, QChar separator, const QString& caption,
                       const QStringList& items);
PanelFaults CollectTagValueSpan(CollectContext& c, const std::array<uint8_t, 2>& modes);

// Identification rows of the first `count` fields of SystemIdentity ($04: 6, $51: 10).
void SetUpSystemIdRows(PanelView& v, int count);
void ShowSystemIdRows(PanelView& v, const BenchRecord& b, int count);

// Captions of the identification rows, in the order of SystemIdentity.
extern const char* const kSystemIdLabels[10];

} // namespace Panels
