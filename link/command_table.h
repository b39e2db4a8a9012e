#pragma once
#include <cstdint>
#include <span>

// How the ACK handler treats a reply of a code.
enum class ReplyKind : uint8_t {
    None,          // nothing is decoded
    DataStatus,    // 0x01, 0x06, 0x44
    RawIR,         // 0x40, 0x42
    EngStatus,     // 0x41
    Value,         // value decoders
    AckOnly,       // acknowledgement without data
    FlashParam,    // 0x48, 0x49, 0x54, 0x55: the parameter editor acts on it
    SoftReset,     // 0xF0
    Boot,          // 0x25 to 0x28: only the firmware upgrade looks at them
};

struct CommandInfo {
    uint8_t Code;
    const char* Name;     // status-line name, trailing blank included
    const char* MenuItem; // caption of the menu item that opens the dialog, or nullptr
    ReplyKind Reply;
};

// Every named command, in code order.
std::span<const CommandInfo> CommandTable();
// The entry of a code, or nullptr for a code without a command.
const CommandInfo* FindCommand(uint8_t code);
// The kind of reply handling for a code (None for codes without a command).
ReplyKind ReplyKindOf(uint8_t code);

constexpr const char* kUnknownCommandName = "Unknown"; // slot 0xFF
