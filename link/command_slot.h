#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "link/ticks.h"

class IComPort;

// Reply frame as assembled from the line: [0x06 ACK | 0x15 NAK][code][length][data][checksum].
struct RxFrame {
    uint8_t Start = 0;
    uint8_t Code = 0;
    uint8_t Length = 0;
    std::array<uint8_t, 255> Data{};
};

constexpr uint8_t kAck = 0x06;
constexpr uint8_t kNak = 0x15;
constexpr uint32_t kReplyTimeoutTicks = 36; // 1.98 s

// One command slot: the request builder for one code plus its reply supervision.
// A bench keeps 256 of them, indexed by command code.
struct CommandSlot {
    // Request being built: [Start][Length][Payload...][checksum].
    uint8_t Start = 0;
    uint8_t Length = 0;
    uint16_t Sum = 0;
    std::array<uint8_t, 256> Payload{};

    // Reply supervision.
    bool AwaitingReply = false;
    std::string CommandName;
    EventTimer ReplyTimer;
    bool FirstReplyPending = false;
    int RequestedRate = 0;
    bool Continuous = false;
    bool ReplyReady = false;

    void Begin(uint8_t code);
    void AddByte(uint8_t b);
    void AddWord(uint16_t w);
    // Transmits the request; 0 when sent, Length + 4 when the output buffer had no room.
    int Send(IComPort* port);

    // Checksum byte of the request built so far.
    uint8_t Checksum() const;
};

// Start byte a request for this code must carry.
uint8_t RequestStartByte(uint8_t code);
