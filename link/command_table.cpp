#include "link/command_table.h"

#include <array>

namespace {
using K = ReplyKind;
constexpr CommandInfo kTable[] = {
    {0x01, "Data Status ", "Data / Status", K::DataStatus},
    {0x02, "Zero O2 Span calibration ", "Zero / O2 Span Calibration ", K::AckOnly},
    {0x03, "Span Calibration ", "Span Calibration", K::AckOnly},
    {0x04, "System ID ", "System Id", K::Value},
    {0x05, "Miscellaneous Data ", "Miscellaneous Data", K::Value},
    {0x06, "Data Status ", nullptr, K::DataStatus},
    {0x07, "Pump Control ", "Pump On / Off", K::Value},
    {0x08, "Device Control ", "Device Control", K::Value},
    {0x09, "Reset Span ", "Reset Span", K::AckOnly},
    {0x0A, "New NO Sensor ", "New NOx Sensor", K::AckOnly},
    {0x0B, "Leak Check ", "$0B Leak Check", K::AckOnly},
    {0x11, "1 Point pressure Span ", "$11 Pressure Span 1", K::AckOnly},
    {0x12, "Raw O2 and NO data ", "$12 Raw NOx and O2 Data", K::Value},
    {0x13, "Gas Switch ON/OFF command ", "Channel Switch ON/OFF command", K::Value},
    {0x14, "Read User Memory ", "$14 Read User Memory", K::Value},
    {0x15, "Write User Memory ", "$15 Write User Memory", K::AckOnly},
    {0x16, "Pressure Data ", "Pressure Data", K::Value},
    {0x17, "Standby Mode Enable / Disable ", "Standby Enable/Disable", K::Value},
    {0x18, "SW Checksum ", "$18 SW Checksum", K::Value},
    {0x25, "Start Boot Mode ", nullptr, K::Boot},
    {0x26, "Initiate Flash Download ", nullptr, K::Boot},
    {0x27, "Write Flash Memory ", nullptr, K::Boot},
    {0x28, "End Flash Download ", nullptr, K::Boot},
    {0x40, "Raw IR ", nullptr, K::RawIR},
    {0x41, "Engineering Status ", nullptr, K::EngStatus},
    {0x42, "Filtered Raw IR Data ", nullptr, K::RawIR},
    {0x44, "Engineering Data ", "$44 Engineering Data/Status", K::DataStatus},
    {0x45, "Filter ", "$45 Filter Control", K::Value},
    {0x46, "SelectDemodulation ", "$46 Select Demodulation Algorithm", K::Value},
    {0x48, "Write Flash Parameters ", nullptr, K::FlashParam},
    {0x49, "Read Flash Parameters ", nullptr, K::FlashParam},
    {0x50, "2 Point Span ", "$50 2 Point Pressure Span Calibration", K::AckOnly},
    {0x51, "Engineering System ID ", "$51 Engineering System ID", K::Value},
    {0x52, "Engineering Pump ON OFF ", "$52 Eng Pump On / Off", K::Value},
    {0x54, "Store Flash Parameters ", nullptr, K::FlashParam},
    {0x55, "Load Flash Parameters ", nullptr, K::FlashParam},
    {0x56, "Store Defaults ", "$56 Store Defaults", K::AckOnly},
    {0x57, "Reset To Defaults ", "$57 Reset To Defaults", K::AckOnly},
    {0x58, "Store Warmup ", "$58 Characterize Warmup", K::AckOnly},
    {0xD4, "Change Command Set ", "$D4 Change Command Set", K::Value},
    {0xF0, "Soft Reset ", "Soft Reset", K::SoftReset},
    {0xF1, "Mode Select ", "Mode Select", K::Value},
};

const std::array<const CommandInfo*, 256>& Index()
{
    static const auto index = [] {
        std::array<const CommandInfo*, 256> a{};
        for (const auto& c : kTable)
            a[c.Code] = &c;
        return a;
    }();
    return index;
}
} // namespace

std::span<const CommandInfo> CommandTable() { return kTable; }

const CommandInfo* FindCommand(uint8_t code) { return Index()[code]; }

ReplyKind ReplyKindOf(uint8_t code)
{
    const CommandInfo* c = FindCommand(code);
    return c ? c->Reply : ReplyKind::None;
}
