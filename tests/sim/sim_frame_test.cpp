#include "sim/sim_frame.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using sim::BuildReply;
using sim::BuildRequest;
using sim::RequestAssembler;
using sim::RequestFrame;
using Bytes = std::vector<uint8_t>;

TEST(SimFrame, RepliesAndRequestsCarryTheWireChecksums)
{
    EXPECT_EQ(BuildReply(0x06, 0x04, Bytes{}), (Bytes{0x06, 0x04, 0x00, 0xF6}));
    EXPECT_EQ(BuildReply(0x15, 0x03, Bytes{0x01}), (Bytes{0x15, 0x03, 0x01, 0x01, 0xE6}));
    EXPECT_EQ(BuildRequest(0x04, {}), (Bytes{0x02, 0x01, 0x04, 0xF9}));
    EXPECT_EQ(BuildRequest(0x26, {}), (Bytes{0x22, 0x01, 0x26, 0xB7}));
    EXPECT_EQ(BuildRequest(0x01, {0x01, 0x00}), (Bytes{0x02, 0x03, 0x01, 0x01, 0x00, 0xF9}));
    EXPECT_EQ(BuildRequest(0x49, {0x00, 0x05}), (Bytes{0x02, 0x03, 0x49, 0x00, 0x05, 0xAD}));
    // A reply of 255 data bytes still sums to zero.
    const Bytes big = BuildReply(0x06, 0x49, Bytes(255, 0xAB));
    uint8_t sum = 0;
    for (uint8_t b : big)
        sum = uint8_t(sum + b);
    EXPECT_EQ(big.size(), 259u);
    EXPECT_EQ(sum, 0);
}

struct AssemblyCase {
    const char* name;
    std::vector<Bytes> feeds;    // one Feed() call each
    std::vector<uint8_t> codes;  // codes of the frames that must come out, in order
};

class SimFrameAssembly : public ::testing::TestWithParam<AssemblyCase> {};

TEST_P(SimFrameAssembly, YieldsExactlyTheGoodFrames)
{
    std::vector<uint8_t> got;
    RequestAssembler assembler([&](const RequestFrame& f) { got.push_back(f.code); });
    for (const Bytes& feed : GetParam().feeds)
        assembler.Feed(feed.data(), feed.size(), 0);
    EXPECT_EQ(got, GetParam().codes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SimFrameAssembly,
    ::testing::Values(
        AssemblyCase{"one", {{0x02, 0x01, 0x04, 0xF9}}, {0x04}},
        AssemblyCase{"flashStart", {{0x22, 0x01, 0x26, 0xB7}}, {0x26}},
        AssemblyCase{"badChecksum", {{0x02, 0x01, 0x04, 0xF8}}, {}},
        AssemblyCase{"splitAnywhere", {{0x02}, {0x03, 0x01}, {0x01, 0x00}, {0xF9}}, {0x01}},
        AssemblyCase{"twoInOneRead", {{0x02, 0x01, 0x04, 0xF9, 0x02, 0x01, 0x05, 0xF8}}, {0x04, 0x05}},
        AssemblyCase{"noiseBetween", {{0x55, 0x00, 0x02, 0x01, 0x04, 0xF9, 0x99, 0x02, 0x01, 0x05, 0xF8}},
                     {0x04, 0x05}},
        // A false start byte swallows the genuine frame's bytes, fails, and the
        // hunt resumes right after it, so the genuine frame is still found.
        AssemblyCase{"falseStartInNoise", {{0x02, 0x07, 0x02, 0x01, 0x04, 0xF9, 0x00, 0x00, 0x00, 0x00, 0x00}},
                     {0x04}},
        AssemblyCase{"zeroLength", {{0x02, 0x00, 0x02, 0x01, 0x04, 0xF9}}, {0x04}},
        AssemblyCase{"badThenGood", {{0x02, 0x01, 0x04, 0x00}, {0x02, 0x01, 0x04, 0xF9}}, {0x04}}),
    [](const ::testing::TestParamInfo<AssemblyCase>& info) { return std::string(info.param.name); });

TEST(SimFrame, StaleHalfFrameIsDroppedAfterTheTimeout)
{
    std::vector<uint8_t> got;
    RequestAssembler assembler([&](const RequestFrame& f) { got.push_back(f.code); });
    // A stray start byte with a large length would otherwise hold the next request hostage.
    const Bytes stray{0x02, 0xF0, 0x11, 0x22, 0xE0}; // two false starts
    assembler.Feed(stray.data(), stray.size(), 1000);
    EXPECT_FALSE(assembler.Expire(1100, 250));
    EXPECT_TRUE(assembler.Expire(1300, 250));
    const Bytes request = BuildRequest(0x04, {});
    assembler.Feed(request.data(), request.size(), 1400);
    EXPECT_EQ(got, (std::vector<uint8_t>{0x04}));
    EXPECT_EQ(assembler.Pending(), 0u);
}
