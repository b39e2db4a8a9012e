#include <gtest/gtest.h>

#include <cmath>

#include "link/decoders.h"
#include "support/link_fixture.h"

namespace {
RxFrame MakeFrame(uint8_t code, std::vector<uint8_t> data)
{
    RxFrame f;
    f.Start = 0x06;
    f.Code = code;
    f.Length = uint8_t(data.size());
    std::copy(data.begin(), data.end(), f.Data.begin());
    return f;
}
std::vector<uint8_t> Zeros(size_t n) { return std::vector<uint8_t>(n, 0); }
} // namespace

TEST(MeasurementDecoders, DataStatusFields)
{
    auto d = Zeros(16);
    d[0] = 0x30;
    d[4] = 0xFF, d[5] = 0x38;                           // CO2 -200
    d[8] = 0x00, d[9] = 0x01, d[10] = 0x86, d[11] = 0xA0; // Freon 100000
    d[12] = 0x08, d[13] = 0x2A;                         // O2 2090
    d[14] = 0x00, d[15] = 0x2D;                         // NO 45
    BenchRecord b;
    ASSERT_TRUE(StoreDataStatus(b, MakeFrame(0x01, d)));
    EXPECT_EQ(b.GasData.CO2, -200);
    EXPECT_EQ(b.GasData.Freon, 100000);
    EXPECT_EQ(b.GasData.O2, 2090);
    EXPECT_EQ(b.GasData.NO, 45);
    EXPECT_TRUE(b.InProgress);
    EXPECT_TRUE(b.ZeroRequired);
    d[0] = 0x10;
    StoreDataStatus(b, MakeFrame(0x01, d));
    EXPECT_TRUE(b.InProgress);
    EXPECT_FALSE(b.ZeroRequired);
}

TEST(MeasurementDecoders, DataStatus6ScalesTemperatureAndPef)
{
    auto d = Zeros(30);
    d[26] = 0x00, d[27] = 0xFA;
    d[28] = 0x04, d[29] = 0xD2;
    d[22] = 0xFF, d[23] = 0xFF, d[24] = 0xFF, d[25] = 0xFE;
    BenchRecord b;
    ASSERT_TRUE(StoreDataStatus6(b, MakeFrame(0x06, d)));
    EXPECT_FLOAT_EQ(b.ServiceData.AmbientTemp, 25.0f);
    EXPECT_FLOAT_EQ(b.ServiceData.Pef, 1.234f);
    EXPECT_EQ(b.ServiceData.RawNO, -2);
}

// True when f is the single-precision number nearest to the exact value num / den.
::testing::AssertionResult NearestSingle(float f, int num, int den)
{
    const long double exact = static_cast<long double>(num) / den;
    const long double err = std::fabs(static_cast<long double>(f) - exact);
    for (float neighbour : {std::nextafter(f, -INFINITY), std::nextafter(f, INFINITY)})
        if (std::fabs(static_cast<long double>(neighbour) - exact) < err)
            return ::testing::AssertionFailure() << num << "/" << den << " stored as " << f << ", nearer is " << neighbour;
    return ::testing::AssertionSuccess();
}

// Ambient temperature (tenths) and PEF (thousandths) of both the $06 data reply
// and the $05 reply, over every 16-bit reading: each is stored as the single
// nearest its decimal value, never a last-place unit off.
TEST(MeasurementDecoders, ScaledReadingsAreTheNearestSingleOverTheWholeRange)
{
    BenchRecord b;
    auto d6 = Zeros(30);
    auto d5 = Zeros(10);
    int wrong = 0;
    for (int raw = -32768; raw <= 32767 && wrong < 5; ++raw) {
        const uint8_t hi = uint8_t(uint16_t(raw) >> 8), lo = uint8_t(raw & 0xFF);
        d6[26] = d6[28] = d5[0] = d5[2] = hi;
        d6[27] = d6[29] = d5[1] = d5[3] = lo;
        ASSERT_TRUE(StoreDataStatus6(b, MakeFrame(0x06, d6)));
        const ServiceReadings from6 = b.ServiceData;
        ASSERT_TRUE(StoreValueReply(b, MakeFrame(0x05, d5)));
        for (const auto& [value, den] : {std::pair{from6.AmbientTemp, 10}, {from6.Pef, 1000},
                                         {b.ServiceData.AmbientTemp, 10}, {b.ServiceData.Pef, 1000}}) {
            const auto nearest = NearestSingle(value, raw, den);
            EXPECT_TRUE(nearest);
            wrong += nearest ? 0 : 1;
        }
    }
}

TEST(MeasurementDecoders, EngineeringDataLayout)
{
    std::vector<uint8_t> d(86);
    for (int i = 0; i < 86; ++i)
        d[i] = uint8_t(i);
    BenchRecord b;
    ASSERT_TRUE(StoreEngineeringData(b, MakeFrame(0x44, d)));
    EXPECT_FLOAT_EQ(b.PressureData.DifPressure, float(0x0001));
    EXPECT_FLOAT_EQ(b.PressureData.DetCel, float(0x0607));
    EXPECT_EQ(b.MaxAdc[3], 0x0E0F);
    EXPECT_FLOAT_EQ(b.PressureData.AmbPressure, float(0x1011));
    EXPECT_EQ(b.DemodIR[0], 0x14151617);
    EXPECT_EQ(b.MinAdc[0], 0x2425);
    EXPECT_EQ(b.ServiceData.RawO2, 0x2C2D);
    EXPECT_EQ(b.ServiceData.RawNO, 0x2E2F3031);
    EXPECT_EQ(b.DetTemp[3], 0x3839);
    EXPECT_EQ(b.GasData.CO2, 0x3A3B);
    EXPECT_EQ(b.GasData.Freon, 0x3E3F4041);
    EXPECT_EQ(b.GasData.NO, 0x4445);
    EXPECT_EQ(b.Status[0], 70);
    EXPECT_EQ(b.Status[15], 85);
}

// Each field of the identification replies filled with its own letter, so a shifted
// boundary shows as a wrong letter or width in some field.
TEST(ValueDecoders, IdentificationFieldBoundaries)
{
    const std::string wire = "AAAAAA" "BBBB" "CCCCCCCCCC" "DD" "EEEEEEEEEE" "FF" "GGGGGGGGGG" "HH" "IIIIIIIIII" "JJ";
    BenchRecord b;
    ASSERT_TRUE(StoreValueReply(b, MakeFrame(0x51, std::vector<uint8_t>(wire.begin(), wire.end()))));
    const SystemIdentity& id = b.SystemId;
    const std::pair<const std::string*, const char*> fields[] = {
        {&id.SerialNumber, "AAAAAA"},        {&id.ModelNumber, "BBBB"},   {&id.HwPartNumber, "CCCCCCCCCC"},
        {&id.HwRevision, "DD"},              {&id.SwPartNumber, "EEEEEEEEEE"}, {&id.SwRevision, "FF"},
        {&id.CalPartNumber, "GGGGGGGGGG"},   {&id.CalRevision, "HH"},     {&id.CalCalcPartNumber, "IIIIIIIIII"},
        {&id.CalCalcRevision, "JJ"},
    };
    for (const auto& [field, text] : fields)
        EXPECT_EQ(*field, text);

    // 0x04 carries the first six fields only.
    const std::string system = "uuuuuu" "vvvv" "wwwwwwwwww" "xx" "yyyyyyyyyy" "zz";
    ASSERT_TRUE(StoreValueReply(b, MakeFrame(0x04, std::vector<uint8_t>(system.begin(), system.end()))));
    EXPECT_EQ(id.SerialNumber, "uuuuuu");
    EXPECT_EQ(id.ModelNumber, "vvvv");
    EXPECT_EQ(id.HwPartNumber, "wwwwwwwwww");
    EXPECT_EQ(id.HwRevision, "xx");
    EXPECT_EQ(id.SwPartNumber, "yyyyyyyyyy");
    EXPECT_EQ(id.SwRevision, "zz");
    EXPECT_EQ(id.CalPartNumber, "GGGGGGGGGG");
    EXPECT_EQ(id.CalCalcRevision, "JJ");
}

TEST(ValueDecoders, StoredFields)
{
    BenchRecord b;
    auto id = Zeros(34);
    id[0] = 'A', id[1] = 'B', id[2] = 'C';
    id[6] = 'K', id[7] = '2';
    ASSERT_TRUE(StoreValueReply(b, MakeFrame(0x04, id)));
    EXPECT_EQ(b.SystemId.SerialNumber, "ABC");
    EXPECT_EQ(b.SystemId.ModelNumber, "K2");

    std::vector<uint8_t> eng(58, 'x');
    ASSERT_TRUE(StoreValueReply(b, MakeFrame(0x51, eng)));
    EXPECT_EQ(b.SystemId.CalCalcPartNumber, "xxxxxxxxxx");
    ASSERT_TRUE(StoreValueReply(b, MakeFrame(0x04, id)));
    EXPECT_EQ(b.SystemId.CalPartNumber, "xxxxxxxxxx") << "0x04 leaves the calibration fields";
    EXPECT_EQ(b.SystemId.SerialNumber, "ABC");

    ASSERT_TRUE(StoreValueReply(b, MakeFrame(0x05, {0xFF, 0x9C, 0x00, 0x01, 0, 5, 0, 6, 0, 7})));
    EXPECT_FLOAT_EQ(b.ServiceData.AmbientTemp, -10.0f);
    EXPECT_FLOAT_EQ(b.ServiceData.Pef, 0.001f);
    EXPECT_EQ(b.ServiceData.PulsesPerMinute, 7);

    ASSERT_TRUE(StoreValueReply(b, MakeFrame(0x16, {0x80, 0x00, 0, 1, 0, 2})));
    EXPECT_FLOAT_EQ(b.PressureData.DifPressure, -32768.0f);
    EXPECT_FLOAT_EQ(b.PressureData.AmbPressure, 2.0f);

    ASSERT_TRUE(StoreValueReply(b, MakeFrame(0xD4, {9, 8, 7})));
    EXPECT_EQ(b.CommandSetReply, (std::array<uint8_t, 3>{9, 8, 7}));
    ASSERT_TRUE(StoreValueReply(b, MakeFrame(0x52, {1})));
    EXPECT_EQ(b.PumpState, 1);
}

TEST(ValueDecoders, ShortReplyStoresNothing)
{
    BenchRecord b;
    b.SystemId.SerialNumber = "OLD";
    EXPECT_FALSE(StoreValueReply(b, MakeFrame(0x04, {'N', 'E', 'W'})));
    EXPECT_EQ(b.SystemId.SerialNumber, "OLD");
    EXPECT_FALSE(StoreValueReply(b, MakeFrame(0x14, Zeros(19))));
}

TEST(ValueDecoders, DialogRuleOnlyForTheShownCommand)
{
    LinkFixture fx;
    fx.dialogCommand = 0x05;
    fx.link.Benches[0].RequestPumpControl(1);
    fx.Ack(0, 0x07, {1});
    EXPECT_EQ(fx.link.Benches[0].PumpState, 1);
    EXPECT_FALSE(fx.link.Benches[0].Commands[0x07].ReplyReady);
    fx.link.Benches[0].RequestMiscData();
    fx.Ack(0, 0x05, Zeros(10));
    EXPECT_TRUE(fx.link.Benches[0].Commands[0x05].ReplyReady);
    EXPECT_EQ(fx.events, (std::vector<std::string>{"reply 05", "complete"}));
}

TEST(ContinuousRule, OnePacketAndStreaming)
{
    CommandSlot slot;
    slot.RequestedRate = 2;
    ApplyContinuousRule(slot);
    EXPECT_TRUE(slot.Continuous);
    EXPECT_TRUE(slot.AwaitingReply);
    EXPECT_EQ(slot.RequestedRate, 0);
    slot.AwaitingReply = false;
    ApplyContinuousRule(slot);
    EXPECT_TRUE(slot.AwaitingReply) << "a streaming slot stays awaiting";
    slot.RequestedRate = 1;
    slot.AwaitingReply = false;
    ApplyContinuousRule(slot);
    EXPECT_FALSE(slot.Continuous);
    EXPECT_FALSE(slot.AwaitingReply);
}

TEST(MeasurementDecoders, EngineeringStatusStreamIsAccepted)
{
    LinkFixture fx;
    struct Screen : LinkListener {
        int Refreshes = 0;
        void ReplyDecoded(int, ReplyKind kind, const RxFrame&) override { Refreshes += kind == ReplyKind::EngStatus; }
    } screen;
    fx.link.Subscribe(screen);
    fx.link.Benches[1].RequestEngineeringStatus(2);
    for (int i = 0; i < 3; ++i)
        fx.Ack(1, 0x41, std::vector<uint8_t>(16, uint8_t(i)));
    fx.link.Unsubscribe(screen);
    EXPECT_EQ(fx.link.Benches[1].Status[15], 2);
    EXPECT_EQ(screen.Refreshes, 3);
    EXPECT_EQ(fx.edits[1], "Engineering Status  ACK");
}
