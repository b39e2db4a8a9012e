// End to end: the main window over real pseudo-terminals with simulated benches in the same event
// loop. The widgets are driven as a user would; the expected log lines are computed here from the
// values the simulator says it sent.
#include "support/link_spy.h"
#include "support/sim_app_fixture.h"

#include "ui/main/main_window.h"
#include "ui/common/radio_group.h"
#include "link/port.h"
#include "sim/sim_server.h"

#include <algorithm>
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {


std::string Format(const char* format, double v)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, v);
    return buffer;
}
std::string FormatInt(const char* format, long v)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, v);
    return buffer;
}

// A hundredths reading as a number: the single-precision value nearest raw / 100.
float Hundredths(int raw) { return float(raw) / 100.0f; }

// A hundredths reading as its raw cell shows it, from the integer alone: "-0.05", "12.34".
std::string HundredthsCell(int raw, int width)
{
    const int magnitude = raw < 0 ? -raw : raw;
    char text[32];
    std::snprintf(text, sizeof text, "%s%d.%02d", raw < 0 ? "-" : "", magnitude / 100, magnitude % 100);
    const std::string digits = text;
    return std::string(size_t(std::max(0, width - int(digits.size()))), ' ') + digits;
}

// One bench's gas values of one sample.
struct Gas {
    int Co2 = 0, Freon = 0, O2 = 0, No = 0;
};

// A small formatter of the gas block, independent of the product's.
struct GasBlock {
    static std::string Raw(const Gas& g)
    {
        return HundredthsCell(g.Co2, 7) + FormatInt("%9d", g.Freon) + HundredthsCell(g.O2, 7) + FormatInt("%6d", g.No);
    }
    // Mean and standard deviation cells of a block (single-precision sums).
    static void Stats(const std::vector<Gas>& block, std::string& mean, std::string& stdev)
    {
        const int n = int(block.size());
        float sum[4] = {};
        double squares[4] = {};
        for (const Gas& g : block) {
            const float v[4] = {Hundredths(g.Co2), float(g.Freon), Hundredths(g.O2), float(g.No)};
            for (int i = 0; i < 4; ++i) {
                sum[i] += v[i];
                squares[i] += double(v[i]) * double(v[i]);
            }
        }
        const char* meanFormats[4] = {"%7.2f", "%9.0f", "%7.2f", "%7.2f"};
        mean.clear();
        stdev.clear();
        for (int i = 0; i < 4; ++i) {
            mean += Format(meanFormats[i], double(sum[i]) / n);
            double variance = n > 1 ? (squares[i] - double(sum[i]) * double(sum[i]) / n) / (n - 1) : 0;
            if (!(variance > 0))
                variance = 0;
            stdev += Format("%10.4f", std::sqrt(variance));
        }
    }
};

Gas GasOf(const sim::SimMeasurements& m) { return {m.co2, m.freon, m.o2, m.no}; }

struct E2eTest : SimulatedAppTest {
    // Per collected row (a bench 2 reply while Stop is enabled): had bench 1 delivered yet since Start?
    std::vector<bool> Bench1Seen;
    int Bench1Decodes = 0;
    // Data replies decoded per bench since the simulator's logs were last cleared.
    std::array<size_t, 2> Decoded{};

    void SetUp() override
    {
        // Bench 1 reads the same values every time; bench 2 wanders, so every row differs.
        StartBenchesAndApp(2, [](sim::SimServer& s) { s.Link(0)->Bench().Model().SetDrift(false); });
    }
    // Settings first, while no port is open, so OK sends nothing; then both benches are ticked.
    void Connect(int mode, const char* samples = "4")
    {
        Settings(mode, samples);
        for (int k = 0; k < 2; ++k) {
            ASSERT_TRUE(App->ActiveBench[k]->isEnabled()) << k;
            App->ActiveBench[k]->click();
            ASSERT_TRUE(App->PortOpen(k)) << k;
        }
        EXPECT_FALSE(App->ActiveBench[2]->isEnabled());

        // Count decoded data replies per bench at the moment the row output sees them.
        // Subscribed after the main window: it hears a data reply once the row output has taken it.
        Spy.Decoded = [this](int k, ReplyKind kind, const RxFrame&) {
            if (kind != ReplyKind::DataStatus)
                return;
            if (k == 0)
                ++Bench1Decodes;
            if (k < 2)
                ++Decoded[k];
            if (k == 1 && App->StopBtn->isEnabled())
                Bench1Seen.push_back(Bench1Decodes > 0);
        };
        Spy.Join(App->BenchLink());
    }
    LinkSpy Spy;
    void TearDown() override
    {
        Spy.Leave();
        SimulatedAppTest::TearDown();
    }

    QString NewLog(const QString& name = QStringLiteral("RUN.LOG"))
    {
        const QString path = Places.InDriveC(name);
        Dialogs.SavePaths.push_back(path);
        App->findChild<QAction*>(QStringLiteral("NewFile"))->trigger();
        EXPECT_TRUE(App->LogFileOpen());
        return path;
    }
    void Settings(int mode, const char* samples)
    {
        App->AveragingRadioGroup->Items[mode]->click();
        App->AverageEdit->setText(QString::fromLatin1(samples));
        App->OKBtn->click();
    }
    bool WaitRows(size_t n)
    {
        return QTest::qWaitFor([&] { return Bench1Seen.size() >= n; }, kWaitMs);
    }
    void StopAndSettle()
    {
        App->StopBtn->click();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return !Server->Link(0)->Bench().Streaming(0x01) && !Server->Link(1)->Bench().Streaming(0x01); }, kWaitMs));
        // Wait for the port input to run dry. Not every reply sent before a bench took its stop is
        // decoded: the first one after the stop request counts as its answer and ends the stream, so
        // a second one already on the line is turned away ("01 ?").
        const size_t streamed = StreamedBeforeStop(0) + StreamedBeforeStop(1);
        size_t seen = Decoded[0] + Decoded[1];
        for (int quietMs = 0; seen < streamed && quietMs < 300; quietMs += 50) {
            QTest::qWait(50);
            if (Decoded[0] + Decoded[1] != seen)
                quietMs = -50;
            seen = Decoded[0] + Decoded[1];
        }
        App->findChild<QAction*>(QStringLiteral("CloseFile1"))->trigger();
    }
    size_t StreamedBeforeStop(int i)
    {
        int64_t stopMs = INT64_MAX;
        for (const sim::SimRequestRecord& r : Server->Link(i)->Bench().Requests())
            if (r.code == 0x01 && !r.data.empty() && r.data[0] == 0)
                stopMs = r.timeMs;
        size_t n = 0;
        for (const sim::SimReading& r : Server->Link(i)->Bench().Readings())
            n += r.code == 0x01 && !r.corrupted && r.timeMs < stopMs;
        return n;
    }
    // Data readings of bench i as sent, in order.
    std::vector<Gas> Readings(int i)
    {
        std::vector<Gas> out;
        for (const sim::SimReading& r : Server->Link(i)->Bench().Readings())
            if (r.code == 0x01 && !r.corrupted)
                out.push_back(GasOf(r.values));
        return out;
    }
    // The two benches' gas values of collected row i.
    std::vector<Gas> Row(size_t i)
    {
        static const Gas none;
        const std::vector<Gas> b1 = Readings(0), b2 = Readings(1);
        return {Bench1Seen[i] ? b1.front() : none, b2.at(i)};
    }
    static std::vector<QByteArray> Lines(const QString& path)
    {
        QByteArray all = ReadAll(path);
        EXPECT_TRUE(all.endsWith("\r\n"));
        std::vector<QByteArray> lines;
        for (const QByteArray& l : all.split('\n'))
            lines.push_back(l);
        lines.pop_back(); // after the last line end
        for (QByteArray& l : lines) {
            EXPECT_TRUE(l.endsWith('\r'));
            l.chop(1);
        }
        return lines;
    }
};

const std::string kTime = "12:00:00  ";
const std::string kHeader = "    Time     " + std::string("  CO2 [%]  Freon[ppm]  O2 [%]  NO [ppm]") + "  CO2 [%]  Freon[ppm]  O2 [%]  NO [ppm]";

struct E2eModeTest : E2eTest, ::testing::WithParamInterface<int> {};

// None, Mean and Mean+STDEV with blocks of 4: the log equals, byte for byte, the lines built from
// the values the simulator sent.
TEST_P(E2eModeTest, LoggedLinesMatchTheSimulatedValues)
{
    const int mode = GetParam();
    constexpr size_t kRows = 12;
    Connect(mode);
    const QString path = NewLog();
    App->Logging->Items[0]->click();
    App->StartBtn->click();
    ASSERT_TRUE(App->StopBtn->isEnabled());
    ASSERT_TRUE(WaitRows(kRows));
    StopAndSettle();
    const size_t rows = Bench1Seen.size();

    std::vector<std::string> expected = {"MainLogfile " + path.toStdString() + " created 14/11/2023", "", kHeader};
    // Bench 1 not heard from yet in a row: blanks as wide as its cells, and no mean for its block.
    if (mode == 0) {
        for (size_t i = 0; i < rows; ++i) {
            const std::vector<Gas> r = Row(i);
            expected.push_back(kTime + (Bench1Seen[i] ? GasBlock::Raw(r[0]) : std::string(29, ' ')) + GasBlock::Raw(r[1]));
        }
    } else {
        for (size_t b = 0; b + 4 <= rows; b += 4) {
            std::vector<Gas> bench[2];
            bool bench1Whole = true;
            for (size_t i = b; i < b + 4; ++i) {
                bench1Whole = bench1Whole && Bench1Seen[i];
                for (int k = 0; k < 2; ++k)
                    bench[k].push_back(Row(i)[k]);
            }
            std::string mean[2], stdev[2];
            for (int k = 0; k < 2; ++k)
                GasBlock::Stats(bench[k], mean[k], stdev[k]);
            if (!bench1Whole) {
                mean[0] = std::string(7 + 9 + 7 + 7, ' ');
                stdev[0] = std::string(4 * 10, ' ');
            }
            expected.push_back(kTime + mean[0] + mean[1]);
            if (mode == 2)
                expected.push_back(kTime + stdev[0] + stdev[1] + "    STDEV");
        }
    }
    expected.push_back("");

    const std::vector<QByteArray> lines = Lines(path);
    ASSERT_EQ(lines.size(), expected.size());
    for (size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i].toStdString(), expected[i]) << "line " << i;
    EXPECT_TRUE(Messages.Messages.isEmpty()) << Messages.Texts().join('|').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Averaging, E2eModeTest, ::testing::Values(0, 1, 2));

TEST_F(E2eTest, ManualCollectionLogsTheFirstRowAfterAccept)
{
    Connect(0);
    const QString path = NewLog();
    App->Logging->Items[0]->click();
    App->DataRadio->Items[1]->click();
    ASSERT_TRUE(App->AcceptBtn->isEnabled());
    App->StartBtn->click();
    ASSERT_TRUE(WaitRows(3));
    const size_t accepted = Bench1Seen.size(); // the next row is the one logged
    App->AcceptBtn->click();
    ASSERT_TRUE(WaitRows(accepted + 4));
    StopAndSettle();

    const std::vector<Gas> r = Row(accepted);
    const std::string bench1 = Bench1Seen[accepted] ? GasBlock::Raw(r[0]) : std::string(29, ' ');
    const std::vector<std::string> expected = {"MainLogfile " + path.toStdString() + " created 14/11/2023", "", kHeader,
                                               kTime + bench1 + GasBlock::Raw(r[1]), ""};
    const std::vector<QByteArray> lines = Lines(path);
    ASSERT_EQ(lines.size(), expected.size());
    for (size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i].toStdString(), expected[i]) << "line " << i;
}

// Forwards to the real port and records each frame sent, with whether the log was open then.
struct RecordingPort : IComPort {
    IComPort* Real = nullptr;
    int Bench = 0;
    std::vector<std::string>* Events = nullptr;
    std::function<bool()> LogOpen;
    int InBuffUsed() override { return Real->InBuffUsed(); }
    void GetBlock(uint8_t* b, int n) override { Real->GetBlock(b, n); }
    int GetLineError() override { return Real->GetLineError(); }
    void FlushOutBuffer() override { Real->FlushOutBuffer(); }
    int OutBuffFree() override { return Real->OutBuffFree(); }
    void PutChar(uint8_t b) override { PutBlock(&b, 1); }
    void PutBlock(const uint8_t* bytes, int n) override
    {
        // The payload (code, then data) comes as one block between the framing bytes.
        if (n >= 2)
            Events->push_back("send " + std::to_string(Bench) + " code " + std::to_string(bytes[0]) + " rate "
                              + std::to_string(bytes[1]) + (LogOpen() ? " log open" : ""));
        Real->PutBlock(bytes, n);
    }
};

TEST_F(E2eTest, ShutdownClosesTheLogThenStopsEachBenchASecondApart)
{
    Connect(0);
    const QString path = NewLog();
    App->Logging->Items[0]->click();
    App->StartBtn->click();
    ASSERT_TRUE(WaitRows(2));

    std::vector<std::string> events;
    std::array<RecordingPort, 2> ports;
    for (int k = 0; k < 2; ++k) {
        BenchRecord& bench = App->BenchLink().Benches[k];
        ports[k].Real = bench.Port;
        ports[k].Bench = k;
        ports[k].Events = &events;
        ports[k].LogOpen = [this] { return App->LogFileOpen(); };
        bench.Port = &ports[k];
    }
    // Each read of the calendar clock during the waits moves it on by half a second.
    int64_t reads = 0;
    Clock.OnRead = [&] {
        events.push_back("clock");
        if (++reads % 2 == 0)
            ++Clock.Now;
    };
    App->close();
    Clock.OnRead = nullptr;
    EXPECT_TRUE(App->Closing());
    EXPECT_FALSE(App->LogFileOpen());
    EXPECT_FALSE(App->PortOpen(0));
    // The collection under way ended as Stop ends it: its empty line closes the log.
    EXPECT_TRUE(ReadAll(path).endsWith("\r\n\r\n"));

    // Collapse the clock reads: each stop request is followed by a wait.
    std::vector<std::string> order;
    for (const std::string& e : events)
        if (order.empty() || e != "clock" || order.back() != "wait")
            order.push_back(e == "clock" ? "wait" : e);
    EXPECT_EQ(order, (std::vector<std::string>{"send 0 code 1 rate 0", "wait", "send 1 code 1 rate 0", "wait"}));

    // The stop requests reach the benches.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return !Server->Link(0)->Bench().Streaming(0x01) && !Server->Link(1)->Bench().Streaming(0x01); }, kWaitMs));
}

} // namespace
