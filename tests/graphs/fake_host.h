#pragma once
#include <QString>
#include <array>
#include <vector>

#include "bench_host.h"
#include "link.h"
#include "message_sink.h"

struct RecordingSink : IMessageSink {
    std::vector<QString> Texts;
    void Show(const QString&, const QString& text, Icon) override { Texts.push_back(text); }
};

// The main window as the graph windows see it; tests fill Link.Benches directly.
class FakeHost : public BenchHost {
public:
    Link TheLink;
    std::array<bool, 4> SwitchedOn{};
    bool Dot = true;
    bool Divisor100 = false;
    RecordingSink Sink;

    Link& BenchLink() override { return TheLink; }
    bool BenchSwitchedOn(int k) const override { return k >= 0 && k < 4 && SwitchedOn[size_t(k)]; }
    bool PortOpen(int k) const override { return BenchSwitchedOn(k); }
    void SetBenchTicked(int k, bool ticked) override
    {
        if (k >= 0 && k < 4)
            SwitchedOn[size_t(k)] = ticked;
    }
    uint8_t DialogCommand() const override { return 0; }
    void SetDialogCommand(uint8_t) override {}
    bool DialogCommandPending() const override { return false; }
    void SetDialogCommandPending(bool) override {}
    bool Closing() const override { return false; }
    bool DecimalPointIsDot() const override { return Dot; }
    bool HCDivisor100() const override { return Divisor100; }
    IMessageSink& Messages() override { return Sink; }
};
