#include "sim/sim_bench.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace sim;
using Bytes = std::vector<uint8_t>;

namespace {

// The replies a download of three writes gets, one letter per request in the
// order boot, erase, write 1..3, end: A ack, N nak, - nothing, C spoiled checksum.
std::string DownloadReplies(SimBench& bench, Bytes* wire)
{
    bench.SetOutput([wire](const Bytes& piece) { wire->insert(wire->end(), piece.begin(), piece.end()); });
    std::string seen;
    auto request = [&](uint8_t code, const Bytes& data) {
        wire->clear();
        bench.Feed(BuildRequest(code, data));
        if (wire->empty()) {
            seen += '-';
            return;
        }
        uint8_t sum = 0;
        for (uint8_t b : *wire)
            sum = uint8_t(sum + b);
        if (sum != 0)
            seen += 'C';
        else
            seen += (*wire)[0] == 0x06 ? 'A' : 'N';
    };
    request(0x25, {});
    request(0x26, {});
    request(0x27, {0x00, 0x10, 0x00, 0x11, 0x12});
    request(0x27, {0x00, 0x10, 0x02, 0x21, 0x22});
    request(0x27, {0x00, 0x10, 0x04, 0x31, 0x32});
    request(0x28, {});
    return seen;
}

TEST(SimFlash, KnobsRefuseLoseOrSpoilOneStep)
{
    struct Case {
        const char* Name;
        std::function<void(SimFlashFaults&)> Set;
        const char* Replies;
        Bytes Image; // from 0x1000
    };
    const Bytes all{0x11, 0x12, 0x21, 0x22, 0x31, 0x32};
    const Case cases[] = {
        {"clean", [](SimFlashFaults&) {}, "AAAAAA", all},
        {"erase refused", [](SimFlashFaults& f) { f.nakEraseReason = 0x07; }, "ANAAAA", all},
        {"second write refused", [](SimFlashFaults& f) { f.nakWriteNumber = 2; }, "AAANAA",
         {0x11, 0x12, 0xFF, 0xFF, 0x31, 0x32}},
        {"second write's reply lost", [](SimFlashFaults& f) { f.dropWriteNumber = 2; }, "AAA-AA", all},
        {"second write's reply spoiled", [](SimFlashFaults& f) { f.corruptWriteNumber = 2; }, "AAACAA", all},
    };
    for (const Case& c : cases) {
        SimBench bench;
        c.Set(bench.Faults().flash);
        Bytes wire;
        EXPECT_EQ(DownloadReplies(bench, &wire), c.Replies) << c.Name;
        uint32_t first = 0;
        const Bytes image = bench.Flash().ImageBytes(&first);
        EXPECT_EQ(image, c.Image) << c.Name;
        if (!image.empty()) {
            EXPECT_EQ(first, 0x1000u) << c.Name;
        }
        EXPECT_EQ(bench.Flash().EndDownloads(), 1) << c.Name;
        EXPECT_FALSE(bench.BootMode()) << c.Name;
    }
}

TEST(SimFlash, EraseAndWriteNeedTheBootProgramAndResetLeavesIt)
{
    SimBench bench;
    Bytes wire;
    bench.SetOutput([&](const Bytes& piece) { wire.insert(wire.end(), piece.begin(), piece.end()); });
    bench.Feed(BuildRequest(0x26, {}));
    bench.Feed(BuildRequest(0x27, {0, 0, 0, 1}));
    ASSERT_EQ(wire.size(), 10u);
    EXPECT_EQ(wire[0], 0x15);
    EXPECT_EQ(wire[5], 0x15);
    EXPECT_TRUE(bench.FlashImage().empty());

    bench.Feed(BuildRequest(0x25, {}));
    EXPECT_TRUE(bench.BootMode());
    bench.Feed(BuildRequest(0xF0, {}));
    EXPECT_FALSE(bench.BootMode());
    EXPECT_EQ(bench.Flash().Resets(), 1);
}

} // namespace
