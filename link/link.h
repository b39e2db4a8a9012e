#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "link/bench_record.h"
#include "link/link_listener.h"
#include <vector>

// The bench link: the four bench records, reply dispatch with ACK/NAK
// handling and the time-out pass of the poll tick. It announces what happened
// to its listeners and hands claimed replies to the service procedure that
// holds them; it knows no window.
class Link {
public:
    std::array<BenchRecord, 4> Benches;
    // Extra poll ticks granted to a dialog Soft Reset's reply.
    int SoftResetGrace = 0;

    Link();

    // Listeners are told in the order they subscribed; a listener unsubscribes before it goes.
    void Subscribe(LinkListener& listener);
    void Unsubscribe(LinkListener& listener);
    // Claims are asked in the order they were added.
    void AddClaim(ReplyClaim& claim);
    void RemoveClaim(ReplyClaim& claim);
    // Where closing, open ports and switched-on benches are read; none: all false.
    void SetSwitches(const LinkSwitches* switches) { switches_ = switches; }
    // Bench k's port went away: the listeners are told.
    void ReportPortLost(int k);

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
    // Bench k's status line is shown whether its port is open or not (a lost device says so).
    void ShowBenchStatus(int k);

    // Decoders with their announcements.
    void DecodeDataStatus(int k, const RxFrame& f);
    void DecodeDataStatus6(int k, const RxFrame& f);
    void DecodeEngineeringData(int k, const RxFrame& f);
    void DecodeRawIR(int k, const RxFrame& f);
    void DecodeEngineeringStatus(int k, const RxFrame& f);
    void DecodeValueReply(int k, const RxFrame& f);

private:
    // A bench whose input is being drained; a nested event loop must not re-enter it.
    std::array<bool, 4> receiving_{};
    const LinkSwitches* switches_ = nullptr;
    std::vector<LinkListener*> listeners_;
    std::vector<ReplyClaim*> claims_;
    // Announcements in progress: a listener leaving meanwhile is blanked, and dropped once they end.
    int announcing_ = 0;

    bool Closing() const { return switches_ && switches_->Closing(); }
    template <class F>
    void Announce(F&& tell);
    void Decoded(int k, ReplyKind kind, const RxFrame& frame);
    void RequestEnded(int k, uint8_t code);
};

// Status line texts.
std::string NakReasonText(uint8_t reason);
std::string HexByte(uint8_t b); // two upper-case hexadecimal digits
