#pragma once
// A fixed stream of data replies for benches whose ports are open: the same frames, in the
// same order, whoever reads them, so two hosts fed this stream must log the same lines.
#include "link/link.h"
#include "support/memory_port.h"
#include "sim/sim_frame.h"
#include "sim/sim_model.h"

#include <array>
#include <cstdint>
#include <vector>

struct ScriptedReplies {
    // Values wander as the simulator's do, from a fixed seed and a fixed 20 ms step.
    static std::vector<std::vector<uint8_t>> Frames(int bench, int count)
    {
        sim::SimModel model(uint32_t(100 + bench));
        std::vector<std::vector<uint8_t>> frames;
        for (int i = 0; i < count; ++i) {
            model.Advance(int64_t(i) * 20);
            const sim::SimMeasurements m = model.Sample();
            std::vector<uint8_t> v = {0x00, 0x00, 0x00, 0x00}; // status: normal, nothing required
            auto put16 = [&v](int32_t x) {
                v.push_back(uint8_t((x >> 8) & 0xFF));
                v.push_back(uint8_t(x & 0xFF));
            };
            put16(m.co2);
            put16(m.nh3);
            const uint32_t freon = uint32_t(m.freon);
            for (int shift : {24, 16, 8, 0})
                v.push_back(uint8_t(freon >> shift));
            put16(m.o2);
            put16(m.no);
            frames.push_back(sim::BuildReply(sim::kAck, 0x01, v));
        }
        return frames;
    }

    // Puts memory ports under the link's benches, so requests go nowhere and replies come from here.
    explicit ScriptedReplies(Link& link) : TheLink(link)
    {
        for (int k = 0; k < 4; ++k)
            link.Benches[k].Setup(&Ports[k]);
    }

    // Step i of the stream: one reply of every chosen bench, lowest bench first.
    void Feed(const std::array<bool, 4>& benches, int count)
    {
        std::array<std::vector<std::vector<uint8_t>>, 4> frames;
        for (int k = 0; k < 4; ++k)
            if (benches[k])
                frames[k] = Frames(k, count);
        for (int i = 0; i < count; ++i)
            for (int k = 0; k < 4; ++k) {
                if (!benches[k])
                    continue;
                Ports[k].Receive(frames[k][size_t(i)]);
                TheLink.PortDataAvailable(k);
            }
    }

    Link& TheLink;
    std::array<MemoryPort, 4> Ports;
};
