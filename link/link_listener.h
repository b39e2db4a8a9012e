#pragma once
#include <cstdint>
#include <string>

#include "link/command_table.h"
#include "link/rx_assembler.h"

// What the link announces. Windows, the data rows, the logger and the feed subscribe
// (Link::Subscribe) and are told in the order they subscribed; the link never knows who
// listens. Every notice has an empty default, so a listener overrides only what it uses.
// Bench numbers are 0 to 3.
class LinkListener {
public:
    virtual ~LinkListener() = default;

    // A reply of bench k was decoded into its record; kind says what it carried. Measurement data,
    // engineering status and values come only when the frame held the whole layout; a raw IR
    // block and a flash parameter reply are handed on whole, for their window to judge.
    virtual void ReplyDecoded(int /*k*/, ReplyKind /*kind*/, const RxFrame& /*frame*/) {}
    // Bench k's status line (StatusText, StatusError) is shown again; told for benches whose port is open.
    virtual void StatusShown(int /*k*/, const std::string& /*text*/, bool /*error*/) {}
    // The request of bench k with this code is over: acknowledged, refused, timed out, or a reply
    // came that nothing awaited.
    virtual void RequestEnded(int /*k*/, uint8_t /*code*/) {}
    // A request of bench k got no reply in time.
    virtual void RequestTimedOut(int /*k*/, uint8_t /*code*/) {}
    // Bench k acknowledged a Soft Reset: it starts again and must be chosen anew.
    virtual void SoftResetAcknowledged(int /*k*/) {}
    // Bench k's port went away (adapter pulled).
    virtual void PortLost(int /*k*/) {}
};

// A service procedure that takes a bench's replies to itself while it runs (calibration load,
// parameter transfer, firmware upgrade). It registers once (Link::AddClaim) and says at each
// reply whether it holds the replies now.
class ReplyClaim {
public:
    virtual ~ReplyClaim() = default;
    // Holds the replies now (the procedure runs).
    virtual bool Claiming() const = 0;
    // Every expected reply of every bench goes to Claimed() alone: no status line, no decoder.
    virtual bool Exclusive() const { return false; }
    // An expected reply (ACK or NAK, frame.Start tells) after the link's own handling, or instead of
    // it for an exclusive claim. False when it is not one this procedure takes: the next claim is asked.
    virtual bool Claimed(int k, const RxFrame& frame) = 0;
    // A request timed out; told to every registered claim, running or not, before the link reports it.
    virtual void ClaimedTimeout(int /*k*/, uint8_t /*code*/) {}
};

// What the link reads of the program that owns the ports when it acts.
class LinkSwitches {
public:
    virtual ~LinkSwitches() = default;
    // The program is closing: port input is dropped.
    virtual bool Closing() const = 0;
    // Bench k's port is open: its status line is shown.
    virtual bool PortOpen(int k) const = 0;
    // Bench k is switched on: the time-out pass looks at its requests.
    virtual bool BenchSwitchedOn(int k) const = 0;
};
