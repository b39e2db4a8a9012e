#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "link/bench_record.h"
#include "link/command_table.h"
#include "support/memory_port.h"

using Bytes = std::vector<uint8_t>;

namespace {
Bytes Frame(uint8_t start, const Bytes& payload)
{
    Bytes f{start, uint8_t(payload.size())};
    unsigned sum = start + payload.size();
    for (auto b : payload) {
        f.push_back(b);
        sum += b;
    }
    f.push_back(uint8_t((256 - sum % 256) % 256));
    return f;
}
} // namespace

TEST(Encoders, WireBytesOfEachOperation)
{
    struct Case {
        const char* what;
        std::function<void(BenchRecord&)> call;
        Bytes wire;
    } cases[] = {
        {"data status continuous FREON2", [](BenchRecord& b) { b.RequestDataStatus(2, true); },
         {0x02, 0x03, 0x01, 0x02, 0x01, 0xF7}},
        {"data status stop FREON1", [](BenchRecord& b) { b.RequestDataStatus(0, false); },
         {0x02, 0x03, 0x01, 0x00, 0x00, 0xFA}},
        {"rate 3 adds only the Freon byte", [](BenchRecord& b) { b.RequestDataStatus(3, false); },
         Frame(0x02, {0x01, 0x00})},
        {"span calibration mask 5", [](BenchRecord& b) { b.RequestSpanCalibration(0x05, {500, 1, 2000, 3, 4}); },
         Frame(0x02, {0x03, 0x05, 0x01, 0xF4, 0x07, 0xD0})},
        {"span calibration mask 0", [](BenchRecord& b) { b.RequestSpanCalibration(0, {1, 2, 3, 4, 5}); },
         Frame(0x02, {0x03, 0x00})},
        {"span calibration high bits add nothing", [](BenchRecord& b) { b.RequestSpanCalibration(0xE0, {1, 2, 3, 4, 5}); },
         Frame(0x02, {0x03, 0xE0})},
        {"read flash parameter 5", [](BenchRecord& b) { b.RequestReadFlashParameters(5); },
         {0x02, 0x03, 0x49, 0x00, 0x05, 0xAD}},
        {"write flash parameter 12 text 1.5",
         [](BenchRecord& b) { b.RequestWriteFlashParameters(12, reinterpret_cast<const uint8_t*>("1.5"), 3); },
         Frame(0x02, {0x48, 0x00, 0x0C, 0x31, 0x2E, 0x35, 0x00})},
        {"store flash parameter carries the access code", [](BenchRecord& b) { b.RequestStoreFlashParameters(7); },
         Frame(0x02, {0x54, 0x5E, 0xA3, 0x00, 0x07})},
        {"end flash download", [](BenchRecord& b) { b.RequestEndFlashDownload(); }, {0x22, 0x01, 0x28, 0xB5}},
        {"write flash memory",
         [](BenchRecord& b) {
             const uint8_t data[] = {0xAA, 0xBB};
             b.RequestWriteFlashMemory({0x00, 0x01, 0x23, 0x45}, 2, data);
         },
         Frame(0x22, {0x27, 0x01, 0x23, 0x45, 0xAA, 0xBB})},
        {"raw IR continuous", [](BenchRecord& b) { b.RequestRawIR(2); }, Frame(0x02, {0x40, 0x02})},
        {"engineering status stop", [](BenchRecord& b) { b.RequestEngineeringStatus(0); }, Frame(0x02, {0x41, 0x00})},
        {"pressure span 1", [](BenchRecord& b) { b.RequestPressureSpan1(2, 0x1234); },
         Frame(0x02, {0x11, 0x02, 0x12, 0x34})},
        {"leak check", [](BenchRecord& b) { b.RequestLeakCheck(10, 20, 5); }, Frame(0x02, {0x0B, 10, 20, 5})},
        {"change command set", [](BenchRecord& b) { b.RequestChangeCommandSet({1, 2, 3, 4}); },
         Frame(0x02, {0xD4, 1, 2, 3, 4})},
        {"mode select", [](BenchRecord& b) { b.RequestModeSelect(1, 3); }, Frame(0x02, {0xF1, 1, 3})},
        {"soft reset", [](BenchRecord& b) { b.RequestSoftReset(); }, Frame(0x02, {0xF0})},
    };
    for (const auto& c : cases) {
        MemoryPort port;
        BenchRecord bench;
        bench.Setup(&port);
        c.call(bench);
        EXPECT_EQ(port.Out, c.wire) << c.what;
    }
}

TEST(Encoders, WriteUserMemoryAlwaysCarriesTwentyBytes)
{
    MemoryPort port;
    BenchRecord bench;
    bench.Setup(&port);
    std::array<uint8_t, 20> data{};
    data[0] = 0x41;
    data[19] = 0x5A;
    bench.RequestWriteUserMemory(3, data);
    ASSERT_EQ(port.Out.size(), 2u + 22u + 1u);
    EXPECT_EQ(port.Out[1], 22);
    EXPECT_EQ(port.Out[4], 0x41);
    EXPECT_EQ(port.Out[23], 0x5A);
}

TEST(Encoders, RateSettlesRequestedRate)
{
    MemoryPort port;
    BenchRecord bench;
    bench.Setup(&port);
    bench.RequestDataStatus(2, true);
    EXPECT_EQ(bench.Commands[0x01].RequestedRate, 2);
    EXPECT_TRUE(bench.Commands[0x01].AwaitingReply);
    bench.RequestDataStatus(0, false);
    EXPECT_EQ(bench.Commands[0x01].RequestedRate, 1);
    bench.RequestDataStatus(3, false);
    EXPECT_EQ(bench.Commands[0x01].RequestedRate, 1);
}

TEST(Encoders, OverlongFlashDataIsCutToWhatTheLengthByteHolds)
{
    MemoryPort port;
    BenchRecord bench;
    bench.Setup(&port);
    std::vector<uint8_t> data(300, 0x11);
    bench.RequestWriteFlashMemory({0, 0, 0, 0}, int(data.size()), data.data());
    EXPECT_EQ(port.Out[1], 255);
    EXPECT_EQ(port.Out.size(), 255u + 3u);
}

TEST(CommandTable, NamesAndSlots)
{
    BenchRecord bench;
    bench.Setup(nullptr);
    EXPECT_EQ(bench.Commands[0x01].CommandName, "Data Status ");
    EXPECT_EQ(bench.Commands[0x06].CommandName, "Data Status ");
    EXPECT_EQ(bench.Commands[0xFF].CommandName, "Unknown");
    EXPECT_EQ(bench.Commands[0x47].CommandName, "");
    for (const CommandInfo& c : CommandTable()) {
        EXPECT_FALSE(std::string(c.Name).empty());
        EXPECT_EQ(FindCommand(c.Code), &c);
    }
}

TEST(DialogHandOver, EveryMenuCommandButSystemHoursSends)
{
    for (const CommandInfo& c : CommandTable()) {
        if (!c.MenuItem)
            continue;
        MemoryPort port;
        BenchRecord bench;
        bench.Setup(&port);
        EXPECT_TRUE(bench.SendDialogCommand(c.Code)) << c.MenuItem;
        ASSERT_GE(port.Out.size(), 3u);
        EXPECT_EQ(port.Out[2], c.Code);
    }
    MemoryPort port;
    BenchRecord bench;
    bench.Setup(&port);
    EXPECT_FALSE(bench.SendDialogCommand(0x47));
    EXPECT_TRUE(port.Out.empty());
}

TEST(DialogHandOver, SpanCalibrationTakesTheArgumentBlock)
{
    MemoryPort port;
    BenchRecord bench;
    bench.Setup(&port);
    bench.CommandArgs.TagMask = 0x05;
    bench.CommandArgs.SpanValues = {500, 1, 2000, 3, 4};
    bench.SendDialogCommand(0x03);
    EXPECT_EQ(port.Out, Frame(0x02, {0x03, 0x05, 0x01, 0xF4, 0x07, 0xD0}));
}
