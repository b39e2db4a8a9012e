// Cycle assembly from raw IR blocks and the raw IR log file, without windows.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <climits>
#include <gtest/gtest.h>
#include <vector>

#include "ui/graphs/raw_ir_capture.h"
#include "ui/graphs/raw_ir_history_lines.h"
#include "ui/graphs/raw_ir_log_file.h"

namespace {

// A block of the given phase byte with `points` samples; sample s of channel c holds value(s, c).
template <class F>
std::vector<uint8_t> Block(int phaseByte, int points, F value)
{
    std::vector<uint8_t> d{uint8_t(phaseByte)};
    for (int s = 0; s < points; ++s)
        for (int c = 0; c < 4; ++c) {
            const uint16_t v = uint16_t(int16_t(value(s, c)));
            d.push_back(uint8_t(v >> 8));
            d.push_back(uint8_t(v & 0xFF));
        }
    return d;
}

// Tags a sample with where it came from: 1000 x phase + 10 x sample + channel.
auto Tagged(int phase)
{
    return [phase](int s, int c) { return 1000 * phase + 10 * s + c; };
}

RawIrCapture::Block Take(RawIrCapture& capture, const std::vector<uint8_t>& block)
{
    return capture.Take(block.data(), int(block.size()));
}

} // namespace

TEST(RawIrCapture, BlocksBeforeTheFirstPhaseZeroAreIgnored)
{
    RawIrCapture capture;
    for (int phase : {1, 2, 3})
        EXPECT_EQ(Take(capture, Block(phase, 25, Tagged(phase))), RawIrCapture::Block::BeforePhase0) << phase;
    EXPECT_FALSE(capture.RawCapturing);
    for (const auto& channel : capture.RawBuffer)
        for (int32_t v : channel)
            EXPECT_EQ(v, 0);

    EXPECT_EQ(Take(capture, Block(0, 25, Tagged(0))), RawIrCapture::Block::Stored);
    EXPECT_EQ(Take(capture, Block(1, 25, Tagged(1))), RawIrCapture::Block::Stored);
    EXPECT_EQ(Take(capture, Block(2, 25, Tagged(2))), RawIrCapture::Block::Stored);
    EXPECT_EQ(Take(capture, Block(3, 25, Tagged(3))), RawIrCapture::Block::CycleComplete);
    // Position 0 is phase 0 sample 0; 37 is phase 1 sample 12; 99 is phase 3 sample 24.
    EXPECT_EQ(capture.RawBuffer[0][0], 0);
    EXPECT_EQ(capture.RawBuffer[2][37], 1122);
    EXPECT_EQ(capture.RawBuffer[3][99], 3243);
}

TEST(RawIrCapture, PhaseByteIsTakenModuloNumPhases)
{
    struct Case {
        int phases, points, phaseByte, phase;
    };
    const Case cases[] = {{4, 25, 6, 2}, {4, 25, 5, 1}, {4, 25, 4, 0}, {4, 25, 255, 3}, {3, 20, 7, 1}, {1, 100, 9, 0}};
    for (const Case& c : cases) {
        RawIrCapture capture;
        ASSERT_EQ(capture.SetShape(c.phases, c.points), RawIrCapture::Shape::Ok);
        Take(capture, Block(0, c.points, Tagged(0)));
        const auto result = Take(capture, Block(c.phaseByte, c.points, Tagged(9)));
        EXPECT_EQ(capture.RawPhase, c.phase) << c.phaseByte;
        EXPECT_EQ(result, c.phase == c.phases - 1 ? RawIrCapture::Block::CycleComplete : RawIrCapture::Block::Stored);
        if (c.phase > 0)
            EXPECT_EQ(capture.RawBuffer[1][size_t(c.phase * c.points)], 9001) << c.phaseByte;
    }
}

TEST(RawIrCapture, SamplesAreSignedBigEndian)
{
    RawIrCapture capture;
    ASSERT_EQ(capture.SetShape(1, 2), RawIrCapture::Shape::Ok);
    const std::vector<uint8_t> block{0, 0xFF, 0xFB, 0x00, 0x7B, 0x80, 0x00, 0x7F, 0xFF, 0, 0, 0, 1, 0xFF, 0xFF, 0x01, 0x00};
    ASSERT_EQ(Take(capture, block), RawIrCapture::Block::CycleComplete);
    EXPECT_EQ(capture.RawBuffer[0][0], -5);
    EXPECT_EQ(capture.RawBuffer[1][0], 123);
    EXPECT_EQ(capture.RawBuffer[2][0], -32768);
    EXPECT_EQ(capture.RawBuffer[3][0], 32767);
    EXPECT_EQ(capture.RawBuffer[1][1], 1);
    EXPECT_EQ(capture.RawBuffer[2][1], -1);
    EXPECT_EQ(capture.RawBuffer[3][1], 256);
}

TEST(RawIrCapture, ShortBlocksAreRefusedWithoutTouchingTheCycle)
{
    RawIrCapture capture;
    Take(capture, Block(0, 25, Tagged(0)));
    for (int points : {0, 1, 24}) {
        auto block = Block(1, points, Tagged(1));
        EXPECT_EQ(Take(capture, block), RawIrCapture::Block::TooShort) << points;
    }
    // One byte short of 25 samples.
    auto block = Block(1, 25, Tagged(1));
    EXPECT_EQ(capture.Take(block.data(), int(block.size()) - 1), RawIrCapture::Block::TooShort);
    EXPECT_EQ(capture.Take(block.data(), 0), RawIrCapture::Block::TooShort);
    EXPECT_EQ(capture.RawPhase, 0);
    EXPECT_EQ(capture.RawBuffer[0][25], 0);
}

TEST(RawIrCapture, ShapesThatDoNotFitTheCycleAreRefused)
{
    using S = RawIrCapture::Shape;
    struct Case {
        int phases, points;
        S verdict;
    };
    const Case cases[] = {
        {4, 25, S::Ok},          {1, 100, S::Ok},        {100, 1, S::Ok},          {3, 33, S::Ok},
        {0, 25, S::BadPhases},   {-4, 25, S::BadPhases}, {4, 0, S::BadPoints},     {4, -25, S::BadPoints},
        {4, 26, S::TooManySamples}, {101, 1, S::TooManySamples}, {1, 101, S::TooManySamples},
        {INT_MAX, INT_MAX, S::TooManySamples}, {65536, 65536, S::TooManySamples},
    };
    for (const Case& c : cases) {
        RawIrCapture capture;
        EXPECT_EQ(capture.SetShape(c.phases, c.points), c.verdict) << c.phases << " x " << c.points;
        const bool taken = c.verdict == S::Ok;
        EXPECT_EQ(capture.NumPhases(), taken ? c.phases : 4);
        EXPECT_EQ(capture.NumPoints(), taken ? c.points : 25);
    }
}

TEST(RawIrCapture, AFullCycleOfEveryShapeStaysInsideTheBuffer)
{
    // Every accepted shape, every phase byte: the cycle completes and fills exactly phases x points positions.
    for (int phases = 1; phases <= 100; ++phases)
        for (int points = 1; phases * points <= 100; ++points) {
            RawIrCapture capture;
            ASSERT_EQ(capture.SetShape(phases, points), RawIrCapture::Shape::Ok);
            RawIrCapture::Block last = RawIrCapture::Block::TooShort;
            for (int p = 0; p < phases; ++p)
                last = Take(capture, Block(p, points, [](int, int) { return 7; }));
            ASSERT_EQ(last, RawIrCapture::Block::CycleComplete) << phases << " x " << points;
            for (int i = 0; i < 100; ++i)
                ASSERT_EQ(capture.RawBuffer[3][size_t(i)], i < phases * points ? 7 : 0);
        }
}

TEST(RawIrLogFile, LinesCarryASignAndAtLeastFourCharacters)
{
    struct Case {
        int a, b, c, d;
        const char* line;
    };
    const Case cases[] = {
        {-5, 123, 0, 7, "  -5  +123    +0    +7 "},
        {32767, -32768, 1000, -999, "+32767  -32768  +1000  -999 "},
        {INT_MIN, INT_MAX, 12, -12, "-2147483648  +2147483647   +12   -12 "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RawIrLogFile::FormatLine(c.a, c.b, c.c, c.d), c.line);
}

TEST(RawIrLogFile, HoldsAtMostTheLimitHeaderIncluded)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("RAWDATA.LOG"));
    RawIrLogFile log;
    ASSERT_TRUE(log.Open(path, RawIrLogFile::Header(path, QStringLiteral("10/12/26 17:00"))));
    EXPECT_EQ(log.LineCount(), 1);
    int justFull = 0, dropped = 0, written = 0;
    for (int i = 0; i < 100002; ++i) {
        switch (log.Add("+1  +2  +3  +4 ")) {
        case RawIrLogFile::Outcome::Written: ++written; break;
        case RawIrLogFile::Outcome::JustFull: ++justFull; EXPECT_EQ(log.LineCount(), 100000); break;
        case RawIrLogFile::Outcome::Dropped: ++dropped; break;
        case RawIrLogFile::Outcome::Failed: FAIL();
        }
    }
    EXPECT_EQ(written, 99998);
    EXPECT_EQ(justFull, 1);
    EXPECT_EQ(dropped, 3);
    log.Close();

    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray all = f.readAll();
    EXPECT_EQ(all.count('\n'), 99999);
    EXPECT_FALSE(all.contains('\r'));
    EXPECT_TRUE(all.startsWith(("DataLogfile " + path + " created 10/12/26 17:00\n").toLatin1()));
    EXPECT_TRUE(all.endsWith("+1  +2  +3  +4 \n"));
}

TEST(RawIrLogFile, ANameInAMissingFolderIsNotOpened)
{
    QTemporaryDir dir;
    RawIrLogFile log;
    EXPECT_FALSE(log.Open(dir.filePath(QStringLiteral("no/such/RAWDATA.LOG")), "header"));
    EXPECT_FALSE(log.IsOpen());
}

TEST(RawIrHistoryLines, KeepsHeaderAndFirstLineThenTheNewest)
{
    RawIrHistoryLines h;
    for (int i = 0; i < 400; ++i)
        h.Add(QString::number(i));
    ASSERT_EQ(h.Lines.size(), RawIrHistoryLines::Limit + 1);
    EXPECT_EQ(h.Lines[0], QStringLiteral("0"));
    EXPECT_EQ(h.Lines[1], QStringLiteral("1"));
    // The newest 149 follow: 251 to 399.
    EXPECT_EQ(h.Lines[2], QStringLiteral("251"));
    EXPECT_EQ(h.Lines.back(), QStringLiteral("399"));
}
