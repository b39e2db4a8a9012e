#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Status bytes of a bench turned into the texts and colours of the two status
// screens. Plain tables and functions: the windows only copy the results into
// their fields.
namespace StatusDecode {

enum class Tone { Green, Red };

struct Rgb {
    uint8_t R, G, B;
    bool operator==(const Rgb&) const = default;
};
constexpr Rgb kGreen{0, 128, 0};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb ToneRgb(Tone t) { return t == Tone::Green ? kGreen : kRed; }

// One field to write: its control name, text and colour.
struct FieldText {
    std::string_view Field;
    std::string Text;
    Tone Colour;
    bool operator==(const FieldText&) const = default;
};

using StatusBytes = std::array<uint8_t, 16>;

// ---- Status screen (status bytes 0 to 3) ----

struct StatusRow {
    std::string_view Label;
    std::string_view Field;
    bool Hidden = false; // row exists but is never shown
};

struct StatusGroup {
    std::string_view Name;    // control name of the group box
    std::string_view Caption;
    std::span<const StatusRow> Rows;
};

// The three groups, top to bottom.
std::span<const StatusGroup> StatusScreenGroups();

// Every field of the status screen with its text and colour.
std::vector<FieldText> DecodeStatusScreen(const StatusBytes& status);

// Texts of the single decoders, exposed for the tables that use them.
std::string_view ChannelValidityText(unsigned code); // 0..3
std::string_view FlagText(bool set);                 // " Check " / " OK "

// ---- Engineering status screen (status bytes 4 to 15) ----

enum class RowKind {
    Flag,      // one bit: " Check " red when set, " OK " green when clear
    PumpState, // bits 6-5: " Off ", " On ", " Purge ", always green; 3 leaves the field alone
};

struct EngineeringRow {
    std::string_view Label;
    std::string_view Field;
    int Byte; // index into the status bytes (4..15)
    int Bit;  // Flag: the bit; PumpState: the lower bit of the pair
    RowKind Kind = RowKind::Flag;
};

struct EngineeringGroup {
    std::string_view Caption; // "EStat1".."EStat12", also the group box's control name
    int Column;               // 0, 1, 2
    std::span<const EngineeringRow> Rows;
};

std::span<const EngineeringGroup> EngineeringGroups();

// Every field the bytes determine; a field whose value leaves it as it was
// (pump state 3) is missing from the result.
std::vector<FieldText> DecodeEngineeringStatus(const StatusBytes& status);

} // namespace StatusDecode
