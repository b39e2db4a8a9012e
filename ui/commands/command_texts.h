#pragma once
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

// Texts the command dialog shows for a bench's states, modes and command sets.
namespace CommandTexts {

// "Pump Off" / "Pump On"; empty for any other state.
QString PumpState(uint8_t state);
// "Set" when the bit is 1, "Clear" when it is 0.
QString BitState(uint8_t value, uint8_t bit);
// $80 "Enabled", $40 "Disabled", anything else empty.
QString StandbyState(uint8_t state);
// 0 "Alder", 1 "Birch", anything else empty.
QString DemodAlgorithm(uint8_t algorithm);
// Items of the Mode Select group ("0 - Osprey, Old" ...).
QStringList ModeItems();
// Reported mode 0..7 ("Osprey, Old" ...); empty outside.
QString ReportedMode(uint8_t mode);
// "0x" and two upper-case hexadecimal digits.
QString HexByte(uint8_t b);

// The bench models a command set can be switched to, with their four-digit
// type numbers. The bench answers with the type number it now runs, so these
// are what the user reads back in "Current Command Set". The numbers are this
// program's configuration: Osprey 2010 (what an Osprey bench reports as
// shipped), Condor 3020, Buzzard 4030.
struct CommandSetModel {
    const char* Name;
    int TypeNumber;
};
constexpr std::array<CommandSetModel, 3> kCommandSetModels{{
    {"Osprey", 2010},
    {"Condor", 3020},
    {"Buzzard", 4030},
}};
// Items of the Change Command Set group, "Current Command Set" first.
QStringList CommandSetItems();
// The four request bytes of item `index` of CommandSetItems(); all zero for
// "Current Command Set" or an index outside the list.
std::array<uint8_t, 4> CommandSetBytes(int index);
// "%2d%2d", followed by the third byte as a character when it is not 0.
QString CommandSetReply(const std::array<uint8_t, 3>& reply);

} // namespace CommandTexts
