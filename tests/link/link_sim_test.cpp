// The host's serial service and bench link talking to the simulator over real
// pseudo-terminals: the same code path a bench on a serial adapter takes.
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "link/com_port.h"
#include "link/link.h"
#include "support/pty_fixture.h"
#include "sim/sim_server.h"

namespace {
class LinkOverPty : public ::testing::Test, public LinkSwitches, public LinkListener {
protected:
    static constexpr int kBenches = 2;
    QTemporaryDir devices;
    std::unique_ptr<sim::SimServer> server;
    std::array<std::unique_ptr<ComPort>, kBenches> ports;
    Link link;
    int64_t nowMs = 5'000'000;
    std::array<std::string, 4> edits;
    std::array<bool, 4> red{};
    int rows = 0;

    void SetUp() override
    {
        qputenv("HALYARD_DEVICES", devices.path().toLocal8Bit());
        Ticks::SetClock([this] { return nowMs; });
        sim::SimServerConfig config;
        config.devicesDir = devices.path();
        config.benches = kBenches;
        config.bench.replyPeriodMs = 200;
        server = std::make_unique<sim::SimServer>(config);
        QString error;
        ASSERT_TRUE(server->Start(&error)) << error.toStdString();

        link.SetSwitches(this);
        link.Subscribe(*this);
        for (int k = 0; k < kBenches; ++k) {
            ports[k] = std::make_unique<ComPort>(k + 1);
            ASSERT_TRUE(ports[k]->Open()) << ports[k]->LastError().toStdString();
            link.Benches[k].Setup(ports[k].get());
            QObject::connect(ports[k].get(), &ComPort::DataAvailable, [this, k] { link.PortDataAvailable(k); });
        }
    }

    bool Closing() const override { return false; }
    bool PortOpen(int k) const override { return k < kBenches; }
    bool BenchSwitchedOn(int k) const override { return k < kBenches; }
    // Collecting: every decoded data reply is a row.
    void ReplyDecoded(int, ReplyKind kind, const RxFrame&) override { rows += kind == ReplyKind::DataStatus; }
    void StatusShown(int k, const std::string& text, bool error) override
    {
        edits[k] = text;
        red[k] = error;
    }

    void TearDown() override
    {
        link.Unsubscribe(*this);
        link.SetSwitches(nullptr);
        for (auto& p : ports)
            if (p)
                p->Close();
        server->Stop();
        Ticks::SetClock({});
        qunsetenv("HALYARD_DEVICES");
    }

    sim::SimBench& Bench(int k) { return server->Link(k)->Bench(); }

    // One poll tick a second later.
    void Tick()
    {
        nowMs += 1000;
        link.CheckReplyTimeouts();
    }
};
} // namespace

TEST_F(LinkOverPty, OnePacketRequestIsAnsweredAndDecoded)
{
    link.Benches[0].RequestSystemId();
    ASSERT_TRUE(WaitFor([&] { return edits[0] == "System ID  ACK"; }));
    EXPECT_FALSE(red[0]);
    EXPECT_FALSE(link.Benches[0].SystemId.SerialNumber.empty());
    EXPECT_FALSE(link.Benches[0].Commands[0x04].AwaitingReply);
    ASSERT_FALSE(Bench(0).Requests().empty());
    EXPECT_EQ(Bench(0).Requests().back().code, 0x04);
    EXPECT_EQ(edits[1], "");
}

TEST_F(LinkOverPty, ContinuousStreamIsKeptAliveThenStoppedWithRateZero)
{
    BenchRecord& b = link.Benches[1];
    b.RequestDataStatus(2, false);
    ASSERT_TRUE(WaitFor([&] { return rows >= 5; }, 5000));
    EXPECT_EQ(edits[1], "Data Status  ACK");
    EXPECT_TRUE(b.Commands[0x01].Continuous);
    // Every reply re-arms the slot: the poll tick never reports the live stream.
    Tick();
    Tick();
    EXPECT_EQ(edits[1], "Data Status  ACK");

    // Stop right after a reply, so no stream reply is on the way when the bench stops.
    const int before = rows;
    ASSERT_TRUE(WaitFor([&] { return rows > before; }));
    b.RequestDataStatus(0, false);
    ASSERT_TRUE(WaitFor([&] { return !b.Commands[0x01].AwaitingReply && !b.Commands[0x01].Continuous; }));
    EXPECT_FALSE(Bench(1).Streaming(0x01));
    const int afterStop = rows;
    SpinFor(500);
    EXPECT_EQ(rows, afterStop) << "the bench stopped streaming";
    EXPECT_NE(edits[1], "01 ?");
    const auto& sent = Bench(1).Readings();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(b.GasData.CO2, sent.back().values.co2);
}

TEST_F(LinkOverPty, SilentBenchIsReportedAsTimeoutBetweenTwoAndThreeSeconds)
{
    Bench(0).SetSilent(true);
    link.Benches[0].RequestMiscData();
    SpinFor(300); // the bench had time to answer, and did not
    Tick();
    EXPECT_EQ(edits[0], "") << "1 s after the request";
    Tick();
    Tick();
    EXPECT_EQ(edits[0], "Miscellaneous Data  Timeout") << "3 s after the request";
    EXPECT_TRUE(red[0]);
}

TEST_F(LinkOverPty, NakReasonIsShownInRed)
{
    Bench(0).NakCode(0x05, 0x02);
    link.Benches[0].RequestMiscData();
    ASSERT_TRUE(WaitFor([&] { return !edits[0].empty(); }));
    EXPECT_EQ(edits[0], "Miscellaneous Data  NAK  : Not Allowed at this time");
    EXPECT_TRUE(red[0]);
}

TEST_F(LinkOverPty, ReplyToARequestTheHostDidNotMakeIsUnexpected)
{
    // Bytes of a System ID request put on the line behind the link's back.
    const uint8_t request[] = {0x02, 0x01, 0x04, 0xF9};
    ports[0]->PutBlock(request, 4);
    ASSERT_TRUE(WaitFor([&] { return !edits[0].empty(); }));
    EXPECT_EQ(edits[0], "04 ?");
    EXPECT_TRUE(red[0]);
    EXPECT_TRUE(link.Benches[0].SystemId.SerialNumber.empty());
}

TEST_F(LinkOverPty, NoisySplitCorruptedLineStillDeliversGoodFrames)
{
    sim::SimBench& sb = Bench(0);
    sb.SetSplitWrites(true);
    sb.SetNoisePercent(50);
    sb.CorruptNextReplies(2);
    link.Benches[0].RequestDataStatus(2, false);
    ASSERT_TRUE(WaitFor([&] { return rows >= 6; }, 6000));
    // Every decoded reply matches one the bench sent with a good checksum.
    int good = 0;
    for (const auto& r : sb.Readings())
        good += r.corrupted ? 0 : 1;
    EXPECT_LE(rows, good);
}

TEST_F(LinkOverPty, VanishedBenchTimesOutWithoutCrashing)
{
    int failures = 0;
    QObject::connect(ports[0].get(), &ComPort::Failed, [&] { ++failures; });
    server->Link(0)->Vanish();
    ASSERT_TRUE(WaitFor([&] { return failures > 0; }));
    link.Benches[0].RequestSystemId();
    SpinFor(200);
    Tick();
    Tick();
    Tick();
    EXPECT_EQ(edits[0], "System ID  Timeout");
    EXPECT_EQ(failures, 1);
}
