#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "bench.h"
#include "link_hooks.h"

// The bench link: the four bench records, reply dispatch with ACK/NAK
// handling, the decoders' notices, and the time-out pass of the poll tick.
class Link {
public:
    std::array<TBench, 4> Benches;
    LinkHooks Hooks;
    // Extra poll ticks granted to a dialog Soft Reset's reply.
    int SoftResetGrace = 0;

    Link();

    // Data-available handler of bench k's port: drains its input buffer
    // (nothing is read while the program is closing).
    void PortDataAvailable(int k);
    // Reads up to 256 waiting bytes and assembles them into frames.
    void Receive(int k, int count);

    void DispatchReply(int k, const RxFrame& frame);
    void HandleAck(int k, const RxFrame& frame);
    void HandleNak(int k, const RxFrame& frame);
    // First thing on every poll tick; false ends the tick.
    bool CheckReplyTimeouts();
    void ShowLinkStatus();

    // Decoders with their notices to the consumers.
    void DecodeDataStatus(int k, const RxFrame& f);
    void DecodeDataStatus6(int k, const RxFrame& f);
    void DecodeEngineeringData(int k, const RxFrame& f);
    void DecodeRawIR(int k, const RxFrame& f);
    void DecodeEngineeringStatus(int k, const RxFrame& f);
    void DecodeValueReply(int k, const RxFrame& f);

private:
    // A bench whose input is being drained; a nested event loop must not re-enter it.
    std::array<bool, 4> receiving_{};

    void CompleteIfDialog(uint8_t code);
    void DataReplyNotices(int k);
};

// Status line texts.
std::string NakReasonText(uint8_t reason);
std::string HexByte(uint8_t b); // two upper-case hexadecimal digits
