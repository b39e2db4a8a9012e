#pragma once
#include "link/bench_host.h"
#include "link/link.h"
#include "link/message_sink.h"

// The main window as the graph windows see it: bench 1 alone switched on, messages dropped.
struct QuietSink : IMessageSink {
    void Show(const QString&, const QString&, Icon) override {}
};

class BenchmarkHost : public BenchHost {
public:
    Link TheLink;
    QuietSink Sink;
    Link& BenchLink() override { return TheLink; }
    bool BenchSwitchedOn(int k) const override { return k == 0; }
    bool PortOpen(int k) const override { return k == 0; }
    uint8_t DialogCommand() const override { return 0; }
    void SetDialogCommand(uint8_t) override {}
    bool DialogCommandPending() const override { return false; }
    void SetDialogCommandPending(bool) override {}
    bool Closing() const override { return false; }
    bool DecimalPointIsDot() const override { return true; }
    bool HCDivisor100() const override { return false; }
    IMessageSink& Messages() override { return Sink; }
};
