#pragma once
#include <cstdint>

class Link;
class IMessageSink;

// What the secondary windows ask of the main window: the bench link, which
// benches are switched on, the dialog command hand-over and program settings.
// The main window implements it; tests hand windows a small fake.
class BenchHost {
public:
    virtual ~BenchHost() = default;

    virtual Link& BenchLink() = 0;
    // ActiveBench box k (0..3) is enabled and ticked.
    virtual bool BenchSwitchedOn(int k) const = 0;
    virtual bool PortOpen(int k) const = 0;

    virtual uint8_t DialogCommand() const = 0;
    virtual void SetDialogCommand(uint8_t code) = 0;
    virtual bool DialogCommandPending() const = 0;
    virtual void SetDialogCommandPending(bool pending) = 0;

    virtual bool Closing() const = 0;
    virtual bool DecimalPointIsDot() const = 0;
    // HC Divisor radio group shows "100".
    virtual bool HCDivisor100() const = 0;

    virtual IMessageSink& Messages() = 0;
};
