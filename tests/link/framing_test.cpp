#include <gtest/gtest.h>

#include <vector>

#include "link/bench_record.h"
#include "support/memory_port.h"
#include "link/rx_assembler.h"
#include "link/ticks.h"

using Bytes = std::vector<uint8_t>;

namespace {
// Feeds the given reads to a fresh assembler and returns every dispatched frame as bytes.
struct Collector {
    RxState rx;
    std::vector<Bytes> frames;

    void Read(const Bytes& chunk, bool lineError = false)
    {
        std::copy(chunk.begin(), chunk.end(), rx.RxChunk.begin());
        AssembleChunk(rx, int(chunk.size()), lineError, [&](const RxFrame& f) {
            Bytes b{f.Start, f.Code, f.Length};
            b.insert(b.end(), f.Data.begin(), f.Data.begin() + f.Length);
            frames.push_back(b);
        });
    }
};
} // namespace

TEST(RequestFrame, BytesOfKnownRequests)
{
    struct Case {
        const char* what;
        Bytes payload;
        Bytes wire;
    } cases[] = {
        {"system id", {0x04}, {0x02, 0x01, 0x04, 0xF9}},
        {"code 0x26 takes start 0x22", {0x26}, {0x22, 0x01, 0x26, 0xB7}},
        {"data status one packet", {0x01, 0x01, 0x00}, {0x02, 0x03, 0x01, 0x01, 0x00, 0xF9}},
        {"read flash parameter 5", {0x49, 0x00, 0x05}, {0x02, 0x03, 0x49, 0x00, 0x05, 0xAD}},
        {"sum a multiple of 256 gives checksum 0", {0xFD}, {0x02, 0x01, 0xFD, 0x00}},
    };
    for (const auto& c : cases) {
        MemoryPort port;
        CommandSlot cmd;
        cmd.Begin(c.payload[0]);
        for (size_t i = 1; i < c.payload.size(); ++i)
            cmd.AddByte(c.payload[i]);
        EXPECT_EQ(cmd.Send(&port), 0) << c.what;
        EXPECT_EQ(port.Out, c.wire) << c.what;
        EXPECT_TRUE(cmd.AwaitingReply) << c.what;
        EXPECT_TRUE(cmd.FirstReplyPending) << c.what;
    }
}

TEST(RequestFrame, NoRoomInOutputBufferSendsNothing)
{
    MemoryPort port;
    port.OutCapacity = 4;
    CommandSlot cmd;
    cmd.Begin(0x01);
    cmd.AddByte(1);
    EXPECT_EQ(cmd.Send(&port), 2 + 4);
    EXPECT_TRUE(port.Out.empty());
    EXPECT_FALSE(cmd.AwaitingReply);
}

TEST(RequestFrame, PayloadNeverPassesTheLengthByte)
{
    CommandSlot cmd;
    cmd.Begin(0x27);
    for (int i = 0; i < 400; ++i)
        cmd.AddByte(0xAA);
    EXPECT_EQ(cmd.Length, 255);
}

TEST(Assembler, WholeSplitAndMultipleFrames)
{
    struct Case {
        const char* what;
        std::vector<Bytes> reads;
        std::vector<Bytes> expected;
    } cases[] = {
        {"ACK without data", {{0x06, 0x04, 0x00, 0xF6}}, {{0x06, 0x04, 0x00}}},
        {"NAK with reason", {{0x15, 0x03, 0x01, 0x01, 0xE6}}, {{0x15, 0x03, 0x01, 0x01}}},
        {"split over two reads", {{0x06, 0x04}, {0x00, 0xF6}}, {{0x06, 0x04, 0x00}}},
        {"two frames in one read",
         {{0x06, 0x04, 0x00, 0xF6, 0x15, 0x03, 0x01, 0x01, 0xE6}},
         {{0x06, 0x04, 0x00}, {0x15, 0x03, 0x01, 0x01}}},
        {"noise between frames is skipped", {{0x00, 0x41, 0x06, 0x04, 0x00, 0xF6, 0x99}}, {{0x06, 0x04, 0x00}}},
        {"false start in the same read: rescan after it",
         {{0x15, 0x00, 0x00, 0x06, 0x04, 0x00, 0xF6}},
         {{0x06, 0x04, 0x00}}},
        {"false start in an earlier read: the scan resumes after it and keeps the genuine reply",
         {{0x15, 0x3C, 0x06, 0x04, 0x00, 0xF6}, {0x01, 0x02, 0x03, 0xAA}},
         {{0x06, 0x04, 0x00}}},
        {"false start whose frame spans three reads",
         {{0x15, 0x3C}, {0x06, 0x04, 0x00}, {0xF6, 0x01, 0x02, 0x03, 0xAA}},
         {{0x06, 0x04, 0x00}}},
        {"genuine reply split across the reads of a false frame",
         {{0x15, 0x3C, 0x06, 0x04}, {0x00, 0xF6, 0x01, 0x02, 0x03, 0xAA, 0x06, 0x04, 0x00, 0xF6}},
         {{0x06, 0x04, 0x00}, {0x06, 0x04, 0x00}}},
        {"two false starts in a row, the second inside the first",
         {{0x15, 0x15, 0x05}, {0x06, 0x04, 0x00, 0xF6, 0x00, 0x00, 0x00, 0x00}},
         {{0x06, 0x04, 0x00}}},
        {"bad checksum dropped, next frame kept",
         {{0x06, 0x04, 0x00, 0xF5, 0x06, 0x04, 0x00, 0xF6}},
         {{0x06, 0x04, 0x00}}},
    };
    for (const auto& c : cases) {
        Collector col;
        for (const auto& r : c.reads)
            col.Read(r);
        EXPECT_EQ(col.frames, c.expected) << c.what;
        EXPECT_EQ(col.rx.Stage, 0) << c.what;
    }
}

// A line whose every reply comes after the noise 15 06 00 15: each 15 starts a
// false frame, and the genuine reply behind it must survive however the bytes
// are cut into reads.
TEST(Assembler, EveryReplyBehindStartBytesInNoiseIsKept)
{
    const Bytes noise{0x15, 0x06, 0x00, 0x15};
    std::vector<Bytes> sent;
    Bytes line;
    // The stream goes on past the frames checked: a false frame begun in the last
    // noise may hold the last checked reply until later bytes complete it.
    for (int r = 0; r < 121; ++r) {
        Bytes frame{0x06, 0x01, 0x10};
        for (int i = 0; i < 16; ++i)
            frame.push_back(uint8_t(r * 7 + i));
        unsigned sum = 0;
        for (uint8_t b : frame)
            sum += b;
        if (r < 120)
            sent.push_back(frame);
        line.insert(line.end(), noise.begin(), noise.end());
        line.insert(line.end(), frame.begin(), frame.end());
        line.push_back(uint8_t(0x100 - (sum & 0xFF)));
    }
    for (size_t readSize : {size_t(1), size_t(3), size_t(7), size_t(23), size_t(256)}) {
        Collector col;
        for (size_t at = 0; at < line.size(); at += readSize)
            col.Read(Bytes(line.begin() + long(at), line.begin() + long(std::min(line.size(), at + readSize))));
        ASSERT_GE(col.frames.size(), sent.size()) << "reads of " << readSize << " bytes";
        col.frames.resize(sent.size());
        EXPECT_TRUE(col.frames == sent) << "reads of " << readSize << " bytes: other frames than those sent";
    }
}

TEST(Assembler, SplitFrameDispatchedOnlyAfterItsLastByte)
{
    Collector col;
    col.Read({0x06, 0x04});
    EXPECT_TRUE(col.frames.empty());
    col.Read({0x00, 0xF6});
    EXPECT_EQ(col.frames.size(), 1u);
}

TEST(Assembler, LineErrorDropsTheReadAndRestartsHunting)
{
    Collector col;
    col.Read({0x06, 0x04});
    col.Read({0x06, 0x04, 0x00, 0xF6}, /*lineError=*/true);
    EXPECT_TRUE(col.frames.empty());
    EXPECT_EQ(col.rx.Stage, 0);
    col.Read({0x06, 0x04, 0x00, 0xF6});
    EXPECT_EQ(col.frames.size(), 1u);
}

TEST(Assembler, HandedFrameHasNoStaleBytesPastItsLength)
{
    Collector col;
    RxState& rx = col.rx;
    Bytes longFrame{0x06, 0x05, 0x03, 0x11, 0x22, 0x33};
    unsigned sum = 0;
    for (auto b : longFrame)
        sum += b;
    longFrame.push_back(uint8_t(-sum));
    RxFrame seen;
    std::copy(longFrame.begin(), longFrame.end(), rx.RxChunk.begin());
    AssembleChunk(rx, int(longFrame.size()), false, [](const RxFrame&) {});
    Bytes shortFrame{0x06, 0x05, 0x01, 0x7F};
    sum = 0;
    for (auto b : shortFrame)
        sum += b;
    shortFrame.push_back(uint8_t(-sum));
    std::copy(shortFrame.begin(), shortFrame.end(), rx.RxChunk.begin());
    AssembleChunk(rx, int(shortFrame.size()), false, [&](const RxFrame& f) { seen = f; });
    EXPECT_EQ(seen.Data[0], 0x7F);
    EXPECT_EQ(seen.Data[1], 0);
    EXPECT_EQ(seen.Data[2], 0);
}

TEST(EventTimer, ExpiresOnlyAfterMoreThanItsTicks)
{
    int64_t now = 10'000 * 55;
    Ticks::SetClock([&] { return now; });
    EventTimer t;
    NewTimer(t, 36);
    now += 36 * 55;
    EXPECT_FALSE(TimerExpired(t));
    now += 55;
    EXPECT_TRUE(TimerExpired(t));
    Ticks::SetClock({});
}

TEST(EventTimer, WrapOfTheTickCount)
{
    EventTimer t;
    t.StartTick = Ticks::kMaxTicks - 10;
    t.ExpiryTick = t.StartTick + 36;
    EXPECT_FALSE(TimerExpiredAt(t, Ticks::kMaxTicks - 1));
    EXPECT_FALSE(TimerExpiredAt(t, 5));  // wrapped: 5 + max = max + 5 < expiry (max + 26)
    EXPECT_TRUE(TimerExpiredAt(t, 30));  // max + 30 > max + 26
    EventTimer longOne;
    NewTimer(longOne, 4'000'000'000u);
    EXPECT_EQ(longOne.ExpiryTick - longOne.StartTick, Ticks::kMaxTicks);
}
