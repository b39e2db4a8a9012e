#pragma once
#include <array>
#include <string>
#include <vector>

#include "link/decoders.h"
#include "link/link.h"
#include "memory_port.h"
#include "link/ticks.h"

// A link over four in-memory ports with a hand-driven clock, recording what it
// announces the way the main window and the command dialog take it.
struct LinkFixture : LinkSwitches, LinkListener {
    Link link;
    std::array<MemoryPort, 4> ports;
    int64_t nowMs = 1'000'000;
    uint8_t dialogCommand = 0;
    bool collecting = false;
    bool closing = false;
    std::array<bool, 4> switchedOn{true, true, true, true};
    std::array<std::string, 4> edits;
    std::array<bool, 4> editRed{};
    std::vector<std::string> events;

    LinkFixture()
    {
        Ticks::SetClock([this] { return nowMs; });
        for (int k = 0; k < 4; ++k)
            link.Benches[k].Setup(&ports[k]);
        link.SetSwitches(this);
        link.Subscribe(*this);
    }

    bool Closing() const override { return closing; }
    bool PortOpen(int k) const override { return switchedOn[k]; }
    bool BenchSwitchedOn(int k) const override { return switchedOn[k]; }
    void StatusShown(int k, const std::string& t, bool red) override
    {
        edits[k] = t;
        editRed[k] = red;
    }
    // As the main window's rows and the command dialog take the notices.
    void ReplyDecoded(int k, ReplyKind kind, const RxFrame& f) override
    {
        auto shown = [&](uint8_t code) {
            if (dialogCommand == code) {
                link.Benches[k].Commands[code].ReplyReady = true;
                events.push_back("reply " + HexByte(code));
            }
        };
        switch (kind) {
        case ReplyKind::DataStatus:
            if (collecting)
                events.push_back("row " + std::to_string(k));
            if (f.Code == 0x44)
                shown(0x44);
            events.push_back("reply 00");
            break;
        case ReplyKind::RawIR:
            if (f.Length >= ReplyLayoutLength(f.Code))
                shown(f.Code);
            break;
        case ReplyKind::EngStatus:
        case ReplyKind::Value:
        case ReplyKind::AckOnly:
        case ReplyKind::SoftReset: shown(f.Code); break;
        default: break;
        }
    }
    void RequestEnded(int, uint8_t code) override
    {
        if (dialogCommand == code)
            events.push_back("complete");
    }
    ~LinkFixture() override
    {
        link.Unsubscribe(*this);
        link.SetSwitches(nullptr);
        Ticks::SetClock({});
    }

    // Delivers a reply frame to bench k as the bench would send it.
    void Reply(int k, uint8_t start, uint8_t code, std::vector<uint8_t> data)
    {
        std::vector<uint8_t> f{start, code, uint8_t(data.size())};
        unsigned sum = start + code + data.size();
        for (auto b : data) {
            f.push_back(b);
            sum += b;
        }
        f.push_back(uint8_t(-sum));
        ports[k].Receive(f);
        link.PortDataAvailable(k);
    }
    void Ack(int k, uint8_t code, std::vector<uint8_t> data = {}) { Reply(k, 0x06, code, std::move(data)); }
    void Nak(int k, uint8_t code, uint8_t reason) { Reply(k, 0x15, code, {reason}); }
    void AdvanceMs(int64_t ms) { nowMs += ms; }
};
