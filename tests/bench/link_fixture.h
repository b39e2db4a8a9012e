#pragma once
#include <array>
#include <string>
#include <vector>

#include "link.h"
#include "memory_port.h"
#include "ticks.h"

// A link over four in-memory ports with a hand-driven clock, recording what it
// tells the windows around it.
struct LinkFixture {
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
        LinkHooks& h = link.Hooks;
        h.Closing = [this] { return closing; };
        h.DialogCommand = [this] { return dialogCommand; };
        h.BenchSwitchedOn = [this](int k) { return switchedOn[k]; };
        h.PortOpen = [this](int k) { return switchedOn[k]; };
        h.Collecting = [this] { return collecting; };
        h.ShowStatusEdit = [this](int k, const std::string& t, bool red) {
            edits[k] = t;
            editRed[k] = red;
        };
        h.CompleteCommand = [this] { events.push_back("complete"); };
        h.ShowCommandReply = [this](uint8_t c) { events.push_back("reply " + HexByte(c)); };
        h.RowOutput = [this](int k) { events.push_back("row " + std::to_string(k)); };
    }
    ~LinkFixture() { Ticks::SetClock({}); }

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
