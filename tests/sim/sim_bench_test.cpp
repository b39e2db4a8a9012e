#include "sim/sim_bench.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

using namespace sim;
using Bytes = std::vector<uint8_t>;

namespace {

// A reply as the host would see it, parsed here independently of the simulator's own code.
struct Reply {
    uint8_t start = 0;
    uint8_t code = 0;
    Bytes data;
    bool checksumOk = false;
};

class BenchFixture : public ::testing::Test {
protected:
    explicit BenchFixture(SimBenchConfig cfg = {}) : bench(cfg)
    {
        bench.SetOutput([this](const Bytes& piece) {
            pieces.push_back(piece);
            wire.insert(wire.end(), piece.begin(), piece.end());
        });
    }

    void Send(uint8_t code, const Bytes& data = {}) { bench.Feed(BuildRequest(code, data)); }

    // Takes every complete reply off the wire, skipping bytes that start none.
    std::vector<Reply> Take()
    {
        std::vector<Reply> out;
        size_t i = 0;
        while (i < wire.size()) {
            if (wire[i] != 0x06 && wire[i] != 0x15) {
                ++i;
                continue;
            }
            if (i + 3 > wire.size())
                break;
            const size_t n = wire[i + 2];
            if (i + 4 + n > wire.size())
                break;
            Reply r;
            r.start = wire[i];
            r.code = wire[i + 1];
            r.data.assign(wire.begin() + long(i) + 3, wire.begin() + long(i + 3 + n));
            uint8_t sum = 0;
            for (size_t k = i; k < i + 4 + n; ++k)
                sum = uint8_t(sum + wire[k]);
            r.checksumOk = sum == 0;
            out.push_back(r);
            i += 4 + n;
        }
        wire.erase(wire.begin(), wire.begin() + long(std::min(i, wire.size())));
        return out;
    }

    Reply One()
    {
        auto replies = Take();
        EXPECT_EQ(replies.size(), 1u);
        return replies.empty() ? Reply{} : replies.front();
    }

    SimBench bench;
    Bytes wire;
    std::vector<Bytes> pieces;
};

int S16(const Bytes& d, size_t at) { return int16_t((d[at] << 8) | d[at + 1]); }
int S32(const Bytes& d, size_t at)
{
    return int32_t((uint32_t(d[at]) << 24) | (uint32_t(d[at + 1]) << 16) | (uint32_t(d[at + 2]) << 8) | d[at + 3]);
}

struct CommandCase {
    uint8_t code;
    Bytes data;
    size_t replyBytes;
};

} // namespace

// Every command of the command set gets a well-formed ACK of its reply layout.
TEST_F(BenchFixture, EveryCommandGetsItsReplyLayout)
{
    const std::vector<CommandCase> cases = {
        {0x01, {1, 0}, 16},  {0x06, {1, 0}, 30},     {0x44, {1, 1}, 86},  {0x41, {1}, 16},
        {0x40, {1}, 201},    {0x42, {1}, 201},       {0x04, {}, 34},      {0x51, {}, 58},
        {0x05, {}, 10},      {0x07, {1}, 1},         {0x52, {0}, 1},      {0x08, {0xFF, 0x81}, 1},
        {0x12, {}, 6},       {0x13, {0}, 1},         {0x14, {1}, 20},     {0x16, {}, 6},
        {0x17, {0}, 1},      {0x18, {}, 4},          {0x45, {0x31}, 1},   {0x46, {1}, 1},
        {0xD4, {0, 0, 0, 0}, 3}, {0xF1, {0, 0}, 1},  {0x02, {0}, 0},      {0x03, {0x05, 1, 0xF4, 7, 0xD0}, 0},
        {0x09, {1}, 0},      {0x0A, {}, 0},          {0x0B, {5, 10, 3}, 0}, {0x11, {2, 0, 100}, 0},
        {0x15, Bytes(21, 1), 0}, {0x50, {0x88, 0, 123}, 0}, {0x56, {}, 0}, {0x57, {}, 0},
        {0x58, {}, 0},       {0x48, {0, 12, '1', '.', '5', 0}, 0}, {0x54, {0x5E, 0xA3, 0, 12}, 0},
        {0x55, {0, 12}, 0},  {0x25, {}, 0},          {0x26, {}, 0},       {0x27, {0x01, 0x23, 0x45, 0xAA, 0xBB}, 0},
        {0x28, {}, 0},       {0xF0, {}, 0},
    };
    for (const auto& c : cases) {
        Send(c.code, c.data);
        const Reply r = One();
        EXPECT_EQ(r.start, 0x06) << std::hex << int(c.code);
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.data.size(), c.replyBytes) << std::hex << int(c.code);
        EXPECT_TRUE(r.checksumOk);
    }
    EXPECT_EQ(bench.RepliesSent(0x01), 1);
    EXPECT_EQ(bench.TotalRepliesSent(), int(cases.size()));
}

TEST_F(BenchFixture, OnePacketDataStatusCarriesTheLoggedValues)
{
    bench.Feed(Bytes{0x02, 0x03, 0x01, 0x01, 0x00, 0xF9});
    const auto replies = Take();
    ASSERT_EQ(replies.size(), 1u);
    const Reply& r = replies[0];
    ASSERT_EQ(r.data.size(), 16u);
    EXPECT_TRUE(r.checksumOk);
    ASSERT_EQ(bench.Readings().size(), 1u);
    const SimReading& v = bench.Readings().back();
    EXPECT_EQ(v.code, 0x01);
    EXPECT_TRUE(std::equal(v.status.begin(), v.status.begin() + 4, r.data.begin()));
    EXPECT_EQ(S16(r.data, 4), v.values.co2);
    EXPECT_EQ(S16(r.data, 6), v.values.nh3);
    EXPECT_EQ(S32(r.data, 8), v.values.freon);
    EXPECT_EQ(S16(r.data, 12), v.values.o2);
    EXPECT_EQ(S16(r.data, 14), v.values.no);
    // Plausible ranges of a bench breathing room air.
    EXPECT_GE(v.values.co2, 0);
    EXPECT_LE(v.values.co2, 1600);
    EXPECT_NEAR(v.values.o2, 2090, 120);
    EXPECT_EQ(v.status[0] & 0x01, 0); // FREON1
    // The request log holds the request.
    ASSERT_EQ(bench.Requests().size(), 1u);
    EXPECT_EQ(bench.Requests()[0].code, 0x01);
    EXPECT_EQ(bench.Requests()[0].data, (Bytes{0x01, 0x00}));
}

TEST_F(BenchFixture, EngineeringDataLayoutMatchesItsReading)
{
    Send(0x44, {1, 1});
    const Reply r = One();
    ASSERT_EQ(r.data.size(), 86u);
    const SimReading& v = bench.Readings().back();
    EXPECT_EQ(S16(r.data, 0), v.values.difPressure);
    EXPECT_EQ(S16(r.data, 6), v.values.detCel);
    EXPECT_EQ(S16(r.data, 16), v.values.ambPressure);
    EXPECT_EQ(S32(r.data, 20), v.values.demodIR[0]);
    EXPECT_EQ(S32(r.data, 46), v.values.rawNO);
    EXPECT_EQ(S16(r.data, 56), v.values.detTemp[3]);
    EXPECT_EQ(S16(r.data, 58), v.values.co2);
    EXPECT_EQ(S32(r.data, 62), v.values.freon);
    EXPECT_EQ(S16(r.data, 68), v.values.no);
    EXPECT_TRUE(std::equal(v.status.begin(), v.status.end(), r.data.begin() + 70));
    EXPECT_EQ(r.data[70] & 0x01, 0x01); // FREON2 requested
}

TEST_F(BenchFixture, DataStatus6LayoutMatchesItsReading)
{
    Send(0x06, {1, 0});
    const Reply r = One();
    ASSERT_EQ(r.data.size(), 30u);
    const SimMeasurements& v = bench.Readings().back().values;
    // Byte position, width and the reading that belongs there, as the reply layout gives them.
    const struct {
        const char* field;
        size_t at;
        int bytes;
        int32_t expected;
    } fields[] = {
        {"CO2", 4, 2, v.co2},          {"NH3", 6, 2, v.nh3},
        {"Freon", 8, 4, v.freon},      {"O2", 12, 2, v.o2},
        {"NO", 14, 2, v.no},           {"differential pressure", 16, 2, v.difPressure},
        {"absolute pressure", 18, 2, v.absPressure}, {"raw O2", 20, 2, v.rawO2},
        {"raw NO", 22, 4, v.rawNO},    {"ambient temperature", 26, 2, v.ambientTemp},
        {"PEF", 28, 2, v.pef},
    };
    for (const auto& f : fields)
        EXPECT_EQ(f.bytes == 2 ? S16(r.data, f.at) : S32(r.data, f.at), f.expected) << f.field;
    // Readings that could stand in each other's slots unnoticed must differ.
    EXPECT_NE(v.difPressure, v.absPressure);
    EXPECT_NE(v.rawO2, v.ambientTemp);
}

TEST_F(BenchFixture, ContinuousRateStreamsAtThePeriodUntilStopped)
{
    bench.Advance(1000);
    Send(0x01, {2, 0});
    EXPECT_EQ(Take().size(), 1u); // one right away
    bench.Advance(1050);
    EXPECT_EQ(Take().size(), 0u);
    bench.Advance(1100);
    EXPECT_EQ(Take().size(), 1u);
    bench.Advance(1150);
    bench.Advance(1200);
    EXPECT_EQ(Take().size(), 1u);
    // A late clock does not make the bench burst to catch up.
    bench.Advance(2000);
    EXPECT_EQ(Take().size(), 1u);
    bench.Advance(2100);
    EXPECT_EQ(Take().size(), 1u);
    EXPECT_TRUE(bench.Streaming(0x01));

    Send(0x01, {0, 0}); // stop: exactly one reply, then quiet
    EXPECT_EQ(Take().size(), 1u);
    EXPECT_FALSE(bench.Streaming(0x01));
    for (int t = 2100; t <= 3000; t += 50)
        bench.Advance(t);
    EXPECT_TRUE(Take().empty());
}

TEST_F(BenchFixture, OnePacketRateEndsAStream)
{
    Send(0x06, {2, 0});
    Send(0x06, {1, 0});
    EXPECT_EQ(Take().size(), 2u);
    for (int t = 0; t <= 500; t += 50)
        bench.Advance(t);
    EXPECT_TRUE(Take().empty());
}

TEST_F(BenchFixture, SeveralCodesStreamAtOnce)
{
    Send(0x01, {2, 0});
    Send(0x41, {2});
    Send(0x40, {2});
    Take();
    for (int t = 0; t <= 1000; t += 10)
        bench.Advance(t);
    int n01 = 0, n41 = 0, n40 = 0;
    for (const Reply& r : Take()) {
        n01 += r.code == 0x01;
        n41 += r.code == 0x41;
        n40 += r.code == 0x40;
    }
    EXPECT_EQ(n01, 10);
    EXPECT_EQ(n41, 10);
    EXPECT_EQ(n40, 10);
}

class LineRateBench : public BenchFixture {
protected:
    static SimBenchConfig Config()
    {
        SimBenchConfig c;
        c.lineRate = true;
        c.baud = 115200;
        return c;
    }
    LineRateBench() : BenchFixture(Config()) {}
};

TEST_F(LineRateBench, StreamsBackToBackButNeverFasterThanTheLine)
{
    Send(0x44, {2, 0});
    std::vector<int64_t> times;
    for (int t = 0; t <= 1000; ++t) {
        bench.Advance(t);
        for (size_t i = 0; i < Take().size(); ++i)
            times.push_back(t);
    }
    const double frameMs = 90 * 10 * 1000.0 / 115200; // 7.8 ms
    EXPECT_NEAR(bench.FrameMs(86), frameMs, 1e-9);
    ASSERT_GE(times.size(), 100u); // back to back: far more than at a 100 ms period
    for (size_t i = 1; i < times.size(); ++i)
        EXPECT_GE(double(times[i] - times[i - 1]), frameMs - 1.0) << i;
    EXPECT_LE(double(times.size()), 1000.0 / frameMs + 2);
}

// Paced, a flash write at 19200 baud is answered once its 39 request bytes and the 4 bytes of
// its acknowledgement would have crossed the line, never earlier; the next one queues behind it.
TEST(SimBenchPace, RequestAndReplyEachTakeTheirTimeOnTheLine)
{
    SimBenchConfig c;
    c.paceLine = true;
    c.baud = 19200;
    SimBench bench(c);
    std::vector<std::pair<int64_t, uint8_t>> arrived; // time, code
    int64_t now = 0;
    bench.SetOutput([&](const Bytes& piece) { arrived.emplace_back(now, piece.at(1)); });
    const Bytes write = BuildRequest(0x27, Bytes(3 + 32, 0x5A));
    const double requestMs = bench.FrameMs(3 + 32), replyMs = bench.FrameMs(0);
    EXPECT_NEAR(requestMs + replyMs, 43 * 10 * 1000.0 / 19200, 1e-9); // 22.4 ms
    bench.Feed(BuildRequest(0x25, {}));
    bench.Feed(write);
    bench.Feed(write);
    for (now = 0; now <= 200; ++now)
        bench.Advance(now);
    ASSERT_EQ(arrived.size(), 3u);
    // Boot mode: its own 4 bytes in, 4 out; each write adds its request to the line in and its
    // reply to the line out, after the frames before it.
    // (a request without data bytes is as long as an acknowledgement).
    const double bootDone = replyMs + replyMs;
    const double firstDone = std::max(bootDone, replyMs + requestMs) + replyMs;
    const double secondDone = std::max(firstDone, replyMs + 2 * requestMs) + replyMs;
    EXPECT_EQ(arrived[0].first, int64_t(std::ceil(bootDone)));
    EXPECT_EQ(arrived[1].first, int64_t(std::ceil(firstDone)));
    EXPECT_EQ(arrived[2].first, int64_t(std::ceil(secondDone)));
    EXPECT_EQ(arrived[1].second, 0x27);
}

struct RefusalCase {
    uint8_t code;
    Bytes data;
    uint8_t reason;
};

TEST_F(BenchFixture, BadArgumentsAndUnknownCodesAreRefused)
{
    const std::vector<RefusalCase> cases = {
        {0x14, {0}, 0x01},           {0x14, {21}, 0x01},          {0x15, Bytes(21, 0), 0x01},
        {0x07, {3}, 0x01},           {0x01, {3, 0}, 0x01},        {0x44, {2, 2}, 0x01},
        {0x46, {2}, 0x01},           {0xF1, {1, 8}, 0x01},        {0x03, {0x05, 1, 2}, 0x01},
        {0x03, {0x00}, 0x01},        {0x11, {3, 0, 0}, 0x01},     {0x50, {0x07, 0, 0}, 0x01},
        {0x49, {0x01, 0x91}, 0x46},  {0x55, {0xFF, 0xFF}, 0x46},  {0x54, {0x5E, 0xA4, 0, 1}, 0x45},
        {0x26, {}, 0x02},            {0x27, {0, 0, 0, 1}, 0x02},  {0x47, {}, 0x02},
        {0x33, {1, 2, 3}, 0x02},
    };
    for (const auto& c : cases) {
        Send(c.code, c.data);
        const Reply r = One();
        EXPECT_EQ(r.start, 0x15) << std::hex << int(c.code);
        EXPECT_EQ(r.code, c.code);
        ASSERT_EQ(r.data.size(), 1u);
        EXPECT_EQ(r.data[0], c.reason) << std::hex << int(c.code);
        EXPECT_TRUE(r.checksumOk);
    }
}

TEST_F(BenchFixture, BadChecksumOrUnknownLengthGetsNoAnswer)
{
    Bytes bad = BuildRequest(0x04, {});
    bad.back() ^= 1;
    bench.Feed(bad);
    Send(0x04, {0});       // System ID carries no data
    Send(0x01, {2});       // rate without the Freon byte
    Send(0x15, Bytes(5));  // user memory write needs 21 bytes
    bench.Advance(1000);
    EXPECT_TRUE(wire.empty());
    EXPECT_FALSE(bench.Streaming(0x01));
    EXPECT_EQ(bench.Requests().size(), 3u); // the bad checksum never made a request
}

TEST_F(BenchFixture, NakKnobAnswersWithTheReason)
{
    bench.NakCode(0x04, 0x03);
    Send(0x04);
    Reply r = One();
    EXPECT_EQ(r.start, 0x15);
    EXPECT_EQ(r.data, Bytes{0x03});
    bench.ClearNak(0x04);
    Send(0x04);
    EXPECT_EQ(One().start, 0x06);

    bench.Faults().nakParameter[7] = 0x02;
    Send(0x55, {0, 7});
    r = One();
    EXPECT_EQ(r.start, 0x15);
    EXPECT_EQ(r.data, Bytes{0x02});
    Send(0x55, {0, 8});
    EXPECT_EQ(One().start, 0x06);
}

TEST_F(BenchFixture, SilenceForAllOrOneCode)
{
    bench.SetSilentCode(0x05, true);
    Send(0x05);
    Send(0x04);
    auto replies = Take();
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].code, 0x04);

    bench.SetSilent(true);
    Send(0x01, {2, 0}); // heard: the stream runs unseen
    bench.Advance(300);
    EXPECT_TRUE(Take().empty());
    EXPECT_TRUE(bench.Streaming(0x01));
    bench.SetSilent(false);
    bench.Advance(400);
    EXPECT_EQ(Take().size(), 1u); // the stream resumes
}

TEST_F(BenchFixture, CorruptKnobSpoilsExactlyTheNextReplies)
{
    bench.CorruptNextReplies(2);
    for (int i = 0; i < 3; ++i)
        Send(0x04);
    const auto replies = Take();
    ASSERT_EQ(replies.size(), 3u);
    EXPECT_FALSE(replies[0].checksumOk);
    EXPECT_FALSE(replies[1].checksumOk);
    EXPECT_TRUE(replies[2].checksumOk);
    EXPECT_TRUE(bench.Replies()[0].corrupted);
    EXPECT_FALSE(bench.Replies()[2].corrupted);

    bench.SetCorruptAll(true);
    Send(0x01, {1, 0});
    EXPECT_FALSE(One().checksumOk);
    EXPECT_TRUE(bench.Readings().back().corrupted);
}

TEST_F(BenchFixture, NoiseComesBetweenFramesWithoutStartBytes)
{
    bench.Faults().noiseMaxBytes = 8;
    bench.InsertNoiseBursts(50);
    for (int i = 0; i < 50; ++i)
        Send(0x04);
    EXPECT_GT(bench.NoiseBytesSent(), 50u);
    EXPECT_EQ(wire.size(), bench.NoiseBytesSent() + 50 * 38);
    // Frames stay whole: every reply is found and every noise byte is skipped.
    const auto replies = Take();
    ASSERT_EQ(replies.size(), 50u);
    for (const auto& r : replies)
        EXPECT_TRUE(r.checksumOk);
}

TEST_F(BenchFixture, SplitWritesHandTheFrameOverInPieces)
{
    bench.SetSplitWrites(true);
    Send(0x01, {1, 0});
    EXPECT_GT(pieces.size(), 3u);
    for (const Bytes& p : pieces)
        EXPECT_LE(p.size(), 3u);
    const Reply r = One();
    EXPECT_TRUE(r.checksumOk);
    EXPECT_EQ(r.data.size(), 16u);
}

TEST_F(BenchFixture, VanishEndsEverything)
{
    int vanished = 0;
    bench.SetVanishHandler([&]() { ++vanished; });
    bench.Faults().vanishAtMs = 500;
    Send(0x01, {2, 0});
    bench.Advance(400);
    Take();
    bench.Advance(500);
    bench.Advance(600);
    Send(0x04);
    bench.Vanish();
    EXPECT_EQ(vanished, 1);
    EXPECT_TRUE(bench.Vanished());
    EXPECT_TRUE(wire.empty());
    EXPECT_EQ(bench.NextEventMs(), -1);
}

TEST_F(BenchFixture, ZeroRunsInProgressAndClearsZeroRequired)
{
    bench.SetZeroRequired(true);
    bench.Advance(1000);
    Send(0x01, {1, 0});
    EXPECT_EQ(One().data[0] & 0x30, 0x20);
    Send(0x02, {0});
    EXPECT_EQ(One().start, 0x06);
    Send(0x01, {1, 0});
    EXPECT_EQ(One().data[0] & 0x30, 0x30); // zero required, in progress
    EXPECT_EQ(bench.NextEventMs(), 1000 + bench.Config().processMs);
    bench.Advance(1000 + bench.Config().processMs);
    Send(0x01, {1, 0});
    EXPECT_EQ(One().data[0] & 0x30, 0x00);

    Send(0x03, {0x01, 0x01, 0xF4}); // span: in progress, zero-required untouched
    Send(0x41, {1});
    auto replies = Take();
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[1].data[0] & 0x30, 0x10);
}

TEST_F(BenchFixture, UserMemoryKeepsWhatWasWrittenPerLocation)
{
    Bytes write{3};
    for (int i = 0; i < 20; ++i)
        write.push_back(uint8_t(0xA0 + i));
    Send(0x15, write);
    EXPECT_TRUE(One().data.empty());
    Send(0x14, {3});
    EXPECT_EQ(One().data, Bytes(write.begin() + 1, write.end()));
    Send(0x14, {4});
    EXPECT_EQ(One().data, Bytes(20, 0));
    Send(0x14, {20}); // the highest location the host offers
    EXPECT_EQ(One().start, 0x06);
}

TEST_F(BenchFixture, SystemIdFieldsHaveTheirWidths)
{
    Send(0x04);
    const Reply id = One();
    ASSERT_EQ(id.data.size(), 34u);
    const std::string text(id.data.begin(), id.data.end());
    EXPECT_EQ(text.substr(0, 6), "KS1001");
    EXPECT_EQ(text.substr(6, 4), "2100");
    EXPECT_EQ(text.substr(10, 10), "HW-4410-01");
    EXPECT_EQ(text.substr(20, 2), std::string("C\0", 2)); // a short field ends in zero bytes
    EXPECT_EQ(text.substr(22, 10), "SW-7720-05");
    EXPECT_EQ(text.substr(32, 2), "12");
    Send(0x51);
    const Reply eng = One();
    ASSERT_EQ(eng.data.size(), 58u);
    EXPECT_TRUE(std::equal(id.data.begin(), id.data.end(), eng.data.begin()));
    EXPECT_EQ(std::string(eng.data.begin() + 34, eng.data.begin() + 44), "CAL-118-00");
}

TEST_F(BenchFixture, RawIrCyclesThroughFourPhasesOfAChopperWave)
{
    bench.Model().SetDrift(false); // clean waveform
    std::vector<int> ch0(100);
    for (int i = 0; i < 5; ++i) {
        Send(0x40, {1});
        const Reply r = One();
        ASSERT_EQ(r.data.size(), 201u);
        EXPECT_EQ(r.data[0], i % 4);
        if (i < 4)
            for (int s = 0; s < 25; ++s)
                ch0[size_t(r.data[0] * 25 + s)] = S16(r.data, size_t(1 + 8 * s));
    }
    // Square-ish: a high half and a low half, far apart.
    const int high = *std::max_element(ch0.begin(), ch0.begin() + 50);
    const int low = *std::min_element(ch0.begin() + 50, ch0.end());
    EXPECT_GT(ch0[25], 10000);
    EXPECT_LT(ch0[75], -10000);
    EXPECT_GE(*std::min_element(ch0.begin() + 10, ch0.begin() + 40), high - 2000);
    EXPECT_LE(*std::max_element(ch0.begin() + 60, ch0.begin() + 90), low + 2000);
}

TEST_F(BenchFixture, FlashParametersReadWriteStoreAndLoad)
{
    auto read = [&](int n) {
        Send(0x49, {uint8_t(n >> 8), uint8_t(n)});
        const Reply r = One();
        return std::string(r.data.begin(), r.data.end());
    };
    const std::string original = read(300);
    EXPECT_FALSE(original.empty());
    EXPECT_EQ(original, bench.Parameters().Ram(300));

    const std::string text = "1.50,2,0";
    Bytes write{0x01, 0x2C};
    write.insert(write.end(), text.begin(), text.end());
    write.push_back(0);
    Send(0x48, write);
    EXPECT_EQ(One().start, 0x06);
    EXPECT_EQ(read(300), "1.5,2,0"); // the bench's own formatting

    Send(0x55, {0x01, 0x2C}); // load from flash undoes the RAM write
    EXPECT_EQ(One().start, 0x06);
    EXPECT_EQ(read(300), original);

    Send(0x48, write);
    Send(0x54, {0x5E, 0xA3, 0x01, 0x2C});
    Send(0x55, {0x01, 0x2C});
    Take();
    EXPECT_EQ(read(300), "1.5,2,0");
    EXPECT_EQ(read(400), bench.Parameters().Ram(400));
}

TEST_F(BenchFixture, FlashDownloadRemembersTheBytes)
{
    Send(0x25);
    Send(0x26);
    Send(0x27, {0x01, 0x23, 0x45, 0xAA, 0xBB});
    Send(0x28);
    for (const Reply& r : Take())
        EXPECT_EQ(r.start, 0x06);
    const auto& image = bench.FlashImage();
    ASSERT_EQ(image.size(), 2u);
    EXPECT_EQ(image.at(0x012345), 0xAA);
    EXPECT_EQ(image.at(0x012346), 0xBB);
    EXPECT_FALSE(bench.BootMode());
    Send(0x18);
    EXPECT_EQ(One().data, (Bytes{0x00, 0x00, 0x01, 0x65}));
}

TEST_F(BenchFixture, SoftResetStopsStreams)
{
    Send(0x44, {2, 0});
    Send(0x41, {2});
    Send(0xF0);
    auto replies = Take();
    ASSERT_EQ(replies.size(), 3u);
    EXPECT_EQ(replies[2].code, 0xF0);
    bench.Advance(1000);
    EXPECT_TRUE(Take().empty());
}

TEST_F(BenchFixture, StateCommandsReportWhatWasSet)
{
    const struct {
        uint8_t code;
        Bytes data;
        Bytes reply;
    } cases[] = {
        {0x07, {0}, {0}},          {0x07, {2}, {0}},          {0x52, {1}, {1}},
        {0x08, {0x0F, 0x05}, {0x05}}, {0x08, {0x01, 0x00}, {0x04}},
        {0x13, {0x85}, {0x05}},    {0x13, {0x00}, {0x05}},
        {0x17, {0x80}, {0x80}},    {0x17, {0x00}, {0x80}},    {0x17, {0x60}, {0x40}},
        {0x45, {0x20}, {0x20}},    {0x46, {1}, {1}},
        {0xD4, {12, 34, 0, 1}, {12, 34, 'A'}}, {0xD4, {0, 0, 0, 0}, {12, 34, 'A'}},
        {0xF1, {1, 5}, {5}},       {0xF1, {0, 7}, {5}},
    };
    for (const auto& c : cases) {
        Send(c.code, c.data);
        EXPECT_EQ(One().data, c.reply) << std::hex << int(c.code);
    }
    // Standby shows as operating mode 2 and the pump bit follows the pump.
    Send(0x17, {0x80});
    Send(0x07, {1});
    Send(0x01, {1, 0});
    const auto replies = Take();
    ASSERT_EQ(replies.size(), 3u);
    EXPECT_EQ(replies[2].data[0] & 0xC2, 0x82);
}

TEST(SimBenchSeed, SameSeedSameReplies)
{
    auto run = [](uint32_t seed) {
        SimBenchConfig c;
        c.seed = seed;
        SimBench b(c);
        Bytes out;
        b.SetOutput([&](const Bytes& p) { out.insert(out.end(), p.begin(), p.end()); });
        b.Feed(BuildRequest(0x44, {2, 0}));
        b.Feed(BuildRequest(0x40, {2}));
        for (int t = 0; t < 2000; t += 20)
            b.Advance(t);
        return out;
    };
    EXPECT_EQ(run(5), run(5));
    EXPECT_NE(run(5), run(6));
}

TEST(SimBenchModel, ReadingsDriftSlowlyWithinTheirRanges)
{
    SimModel m(3);
    int lo = 100000, hi = -100000;
    for (int t = 0; t <= 3600 * 1000; t += 1000) {
        m.Advance(t);
        const SimMeasurements s = m.Sample();
        lo = std::min<int>(lo, s.co2);
        hi = std::max<int>(hi, s.co2);
        ASSERT_GE(s.co2, 0);
        ASSERT_LE(s.co2, 1600);
        ASSERT_GE(s.o2, 1900);
        ASSERT_LE(s.o2, 2200);
    }
    EXPECT_GT(hi - lo, 20); // it moves
    m.SetDrift(false);
    EXPECT_EQ(m.Sample().co2, 420);
    EXPECT_EQ(m.Sample().freon, 1200);
}

// Whatever the host sends, the bench neither crashes nor stops answering.
TEST(SimBenchGarbage, RandomBytesThenAGoodRequest)
{
    SimBench bench;
    Bytes out;
    bench.SetOutput([&](const Bytes& p) { out.insert(out.end(), p.begin(), p.end()); });
    std::mt19937 rng(11);
    int64_t t = 0;
    for (int round = 0; round < 2000; ++round) {
        Bytes junk(1 + rng() % 64);
        for (auto& b : junk) {
            const uint32_t r = rng();
            b = (r % 7 == 0) ? 0x02 : uint8_t(r >> 8); // plenty of start bytes
        }
        if (round % 5 == 0) { // and now and then a well-formed request of any code
            Bytes data(rng() % 24);
            for (auto& b : data)
                b = uint8_t(rng());
            const Bytes req = BuildRequest(uint8_t(rng()), data);
            junk.insert(junk.end(), req.begin(), req.end());
        }
        bench.Feed(junk);
        t += 7;
        bench.Advance(t);
    }
    bench.Feed(BuildRequest(0x01, {0, 0})); // settle any streams the junk started
    bench.Advance(t += 1000);                // and let a stale half frame expire
    bench.Feed(BuildRequest(0xF0, {}));
    bench.Advance(t += 1000);
    out.clear();
    bench.Feed(BuildRequest(0x04, {}));
    ASSERT_EQ(out.size(), 38u);
    EXPECT_EQ(out[0], 0x06);
    EXPECT_EQ(out[1], 0x04);
}

namespace {

// A bench streaming at line rate whose clock moves in steps of 1 to 3 ms, as a loaded event loop
// wakes a 1 ms timer late; counts what reaches the line in each simulated second.
struct PacedLine {
    SimBench bench;
    Bytes wire;
    size_t pieces = 0;
    std::mt19937 rng{5};
    int64_t now = 0;

    PacedLine(int baud, uint8_t code) : bench([baud] {
        SimBenchConfig c;
        c.lineRate = true;
        c.baud = baud;
        return c;
    }())
    {
        bench.SetOutput([this](const Bytes& p) {
            wire.insert(wire.end(), p.begin(), p.end());
            ++pieces;
        });
        bench.Feed(BuildRequest(code, {2, 0}));
    }
    // Bytes and frames sent while the clock runs on for ms.
    std::pair<size_t, int> Run(int64_t ms)
    {
        const size_t bytesBefore = wire.size();
        const int framesBefore = bench.TotalRepliesSent();
        for (const int64_t end = now + ms; now < end;) {
            now = std::min(end, now + 1 + int64_t(rng() % 3));
            bench.Advance(now);
        }
        return {wire.size() - bytesBefore, bench.TotalRepliesSent() - framesBefore};
    }
};

} // namespace

// A late timer must not cost line time: each second carries as many bytes as the line's rate
// (10 bits a byte), never more.
TEST(SimBenchLineRate, EverySecondFillsTheLine)
{
    struct Case {
        int baud;
        uint8_t code;
        int frameBytes; // reply frame on the wire
    };
    for (const Case& c : {Case{115200, 0x06, 34}, Case{115200, 0x01, 20}, Case{19200, 0x01, 20},
                          Case{38400, 0x44, 90}}) {
        PacedLine line(c.baud, c.code);
        line.Run(1000); // settle
        for (int second = 0; second < 3; ++second) {
            const auto [bytes, frames] = line.Run(1000);
            const double lineBytes = c.baud / 10.0;
            EXPECT_GE(double(bytes), 0.98 * lineBytes) << c.baud << " code " << int(c.code);
            EXPECT_LE(double(bytes), lineBytes + c.frameBytes) << c.baud << " code " << int(c.code);
            EXPECT_EQ(size_t(frames) * size_t(c.frameBytes), bytes);
        }
    }
}

TEST(SimBenchLineRate, FourBenchesOfDataStatusAt115200MakeAbout576RepliesEachPerSecond)
{
    PacedLine line(115200, 0x01);
    line.Run(500);
    const auto [bytes, frames] = line.Run(1000);
    EXPECT_GE(frames, 565);
    EXPECT_LE(frames, 577);
}

// After the bench's loop stalled, only a few milliseconds of the line are made up, then the stream
// goes on at its pace.
TEST(SimBenchLineRate, AStallIsNotMadeUpInABurst)
{
    PacedLine line(115200, 0x06); // 34-byte frames, 2.95 ms each
    line.Run(100);
    const size_t before = line.wire.size();
    line.now += 500;
    line.bench.Advance(line.now);
    const size_t burst = line.wire.size() - before;
    EXPECT_GE(burst, 34u);
    EXPECT_LE(burst, 4u * 34u) << "10 ms of catch-up hold at most 4 frames";
    const auto [bytes, frames] = line.Run(1000);
    EXPECT_GE(double(bytes), 0.98 * 11520);
    EXPECT_LE(double(bytes), 11520.0 + 34);
}

// Delayed replies: each frame reaches the line the set time after it was made, in order; once the
// delay is lifted the held frames follow, none lost.
TEST_F(BenchFixture, DelayedRepliesComeLateInOrderAndNoneIsLost)
{
    bench.SetReplyPeriodMs(20);
    bench.SetReplyDelayMs(300);
    Send(0x01, {2, 0}); // at 0 ms: the first frame is made now
    std::vector<std::pair<int64_t, size_t>> arrivals; // time, frames so far
    for (int64_t t = 1; t <= 1000; ++t) {
        bench.Advance(t);
        for (const Reply& r : Take()) {
            EXPECT_TRUE(r.checksumOk);
            arrivals.push_back({t, arrivals.size()});
        }
    }
    ASSERT_FALSE(arrivals.empty());
    EXPECT_EQ(arrivals.front().first, 300);
    const auto& replies = bench.Replies();
    ASSERT_GE(replies.size(), arrivals.size());
    for (size_t i = 0; i < arrivals.size(); ++i)
        EXPECT_EQ(arrivals[i].first, replies[i].timeMs + 300) << i;
    EXPECT_GT(bench.DelayedWrites(), 0u);

    bench.SetReplyDelayMs(0);
    bench.Advance(1001);
    const size_t released = Take().size();
    EXPECT_EQ(bench.DelayedWrites(), 0u);
    EXPECT_EQ(arrivals.size() + released, bench.Replies().size()) << "every frame made went out";
}

// A NAK storm: while it lasts each stream frame is a NAK of the stream's code with the reason, at the
// stream's pace, and no reading is recorded; afterwards data flows again.
TEST_F(BenchFixture, NakStreamReplacesEachStreamFrameUntilLifted)
{
    auto runTo = [&](int64_t end) {
        for (int64_t t = bench.Now() + 1; t <= end; ++t)
            bench.Advance(t);
    };
    bench.SetReplyPeriodMs(10);
    Send(0x01, {2, 0});
    runTo(50);
    EXPECT_EQ(Take().size(), 6u);
    const size_t readings = bench.Readings().size();

    bench.SetNakStream(0x03);
    runTo(100);
    const std::vector<Reply> storm = Take();
    ASSERT_EQ(storm.size(), 5u);
    for (const Reply& r : storm) {
        EXPECT_EQ(r.start, 0x15);
        EXPECT_EQ(r.code, 0x01);
        EXPECT_EQ(r.data, Bytes{0x03});
        EXPECT_TRUE(r.checksumOk);
    }
    EXPECT_EQ(bench.Readings().size(), readings);

    bench.SetNakStream(-1);
    runTo(120);
    const std::vector<Reply> after = Take();
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[0].start, 0x06);
    EXPECT_EQ(after[0].data.size(), 16u);
}

// The garbage burst: exactly the bytes asked for, start bytes among them, in pieces that never cut a
// reply frame in two; the stream goes on meanwhile and then the burst is over.
TEST_F(BenchFixture, GarbageBurstIsOneShotAndLeavesFramesWhole)
{
    bench.SetReplyPeriodMs(5);
    Send(0x01, {2, 0});
    pieces.clear();
    wire.clear();
    const int before = bench.RepliesSent(0x01);
    bench.InsertGarbage(1 << 20);
    int64_t t = 0;
    while (bench.NextEventMs() >= 0 && bench.NextEventMs() <= t && t < 1000) // due at once, piece by piece
        bench.Advance(t);
    for (t = 1; t <= 400; ++t)
        bench.Advance(t);
    EXPECT_EQ(bench.GarbageBytesSent(), uint64_t(1) << 20);

    uint64_t garbage = 0;
    int frames = 0;
    size_t acks = 0, naks = 0;
    for (const Bytes& p : pieces) {
        const bool isFrame = std::any_of(bench.Replies().begin(), bench.Replies().end(),
                                         [&](const SimReplyRecord& r) { return r.frame == p; });
        if (isFrame) {
            ++frames;
            continue;
        }
        garbage += p.size();
        EXPECT_LE(p.size(), 16384u);
        acks += size_t(std::count(p.begin(), p.end(), uint8_t(0x06)));
        naks += size_t(std::count(p.begin(), p.end(), uint8_t(0x15)));
    }
    EXPECT_EQ(garbage, uint64_t(1) << 20) << "every other piece is a whole reply frame";
    EXPECT_EQ(frames, bench.RepliesSent(0x01) - before);
    EXPECT_GE(frames, 70);
    EXPECT_GT(acks, 1000u);
    EXPECT_GT(naks, 1000u);
    EXPECT_EQ(bench.Faults().garbageBytes, 0);
}

TEST_F(BenchFixture, AVanishedBenchComesBackFreshAndAnswers)
{
    bench.SetReplyPeriodMs(10);
    Send(0x01, {2, 0});
    bench.Advance(30);
    bench.Vanish();
    EXPECT_TRUE(bench.Vanished());
    bench.Advance(100);
    Take();
    Send(0x04);
    EXPECT_TRUE(Take().empty()) << "a vanished bench hears nothing";

    bench.Reappear();
    EXPECT_FALSE(bench.Vanished());
    bench.Advance(200);
    EXPECT_TRUE(Take().empty()) << "nothing streams after the power-up";
    Send(0x01, {2, 0});
    for (int64_t t = 201; t <= 230; ++t)
        bench.Advance(t);
    const std::vector<Reply> replies = Take();
    ASSERT_GE(replies.size(), 3u);
    EXPECT_EQ(replies[0].code, 0x01);
    EXPECT_TRUE(replies[0].checksumOk);
}
