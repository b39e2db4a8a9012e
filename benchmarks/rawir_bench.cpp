// Raw IR throughput: one whole chopper cycle (four blocks of 25 samples) taken
// from the port, assembled, written into the 550-point chart and logged as 100
// lines, with the raw IR window shown offscreen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QTemporaryDir>
#include <deque>
#include <memory>
#include <qcustomplot.h>

#include "benchmark_host.h"
#include "ui/graphs/chart.h"
#include "link/link.h"
#include "link/message_sink.h"
#include "link/port.h"
#include "ui/graphs/raw_ir_history_window.h"
#include "ui/graphs/raw_ir_log_window.h"
#include "ui/graphs/raw_ir_window.h"

namespace {

// Bytes in, requests out to nowhere.
class LoopPort : public IComPort {
public:
    std::deque<uint8_t> In;
    int InBuffUsed() override { return int(In.size()); }
    void GetBlock(uint8_t* buffer, int n) override
    {
        for (int i = 0; i < n && !In.empty(); ++i) {
            buffer[i] = In.front();
            In.pop_front();
        }
    }
    int GetLineError() override { return 0; }
    void FlushOutBuffer() override {}
    int OutBuffFree() override { return 4096; }
    void PutChar(uint8_t) override {}
    void PutBlock(const uint8_t*, int) override {}
};

// The reply frame of one raw IR block: ACK, code, length, data, checksum.
std::vector<uint8_t> BlockFrame(int phase, int cycle)
{
    std::vector<uint8_t> data{uint8_t(phase)};
    for (int s = 0; s < 25; ++s)
        for (int c = 0; c < 4; ++c) {
            const auto v = uint16_t(int16_t((c - 2) * 3000 + ((phase * 25 + s + cycle) % 100) * 40));
            data.push_back(uint8_t(v >> 8));
            data.push_back(uint8_t(v));
        }
    std::vector<uint8_t> f{0x06, 0x40, uint8_t(data.size())};
    unsigned sum = 0x06 + 0x40 + unsigned(data.size());
    for (uint8_t b : data) {
        f.push_back(b);
        sum += b;
    }
    f.push_back(uint8_t(-sum));
    return f;
}

struct Windows {
    QTemporaryDir dir;
    BenchmarkHost host;
    LoopPort port;
    RawIrLogWindow log{host};
    RawIrWindow raw{host};
    RawIrHistoryWindow history;
    std::vector<std::vector<uint8_t>> frames;

    Windows()
    {
        host.TheLink.Benches[0].Setup(&port);
        log.History = &history;
        raw.SetCompanions(&log, &history);
        raw.CO2Chk->click(); // all four channels drawn
        raw.resize(900, 640);
        raw.UpdateBenchSelection();
        raw.show();
        raw.StartClick();
        for (int cycle = 0; cycle < 10; ++cycle)
            for (int phase = 0; phase < 4; ++phase)
                frames.push_back(BlockFrame(phase, cycle));
        OpenLog();
        QCoreApplication::processEvents();
    }
    void OpenLog()
    {
        const QString path = dir.filePath(QStringLiteral("RAWDATA.LOG"));
        log.AskLogFileName = [path] { return path; };
        log.OpenClick();
        log.LoggingOnChk->setChecked(true);
    }
    // Four blocks through the link, as the port delivers them.
    void Cycle(int n)
    {
        for (int phase = 0; phase < 4; ++phase) {
            const auto& f = frames[size_t((n % 10) * 4 + phase)];
            port.In.insert(port.In.end(), f.begin(), f.end());
            host.TheLink.PortDataAvailable(0);
        }
    }
    // Keeps the log below its line limit so every cycle is written.
    void KeepLogRoom(benchmark::State& state)
    {
        if (log.LogLineCount() < RawIrLogFile::MaxLines - 200)
            return;
        state.PauseTiming();
        OpenLog();
        state.ResumeTiming();
    }
};

std::unique_ptr<Windows> TheWindows;
Windows& Shared()
{
    if (!TheWindows)
        TheWindows = std::make_unique<Windows>();
    return *TheWindows;
}

// A cycle handled: framing, dispatch, assembly, chart data, 100 log lines and history; the redraw stays queued.
void BM_RawIRCycle(benchmark::State& state)
{
    Windows& w = Shared();
    int n = 0;
    for (auto _ : state) {
        w.KeepLogRoom(state);
        w.Cycle(n++);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RawIRCycle)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

// The same with the queued redraw run after every cycle (the screen would coalesce these).
void BM_RawIRCycleAndRedraw(benchmark::State& state)
{
    Windows& w = Shared();
    int n = 0;
    for (auto _ : state) {
        w.KeepLogRoom(state);
        w.Cycle(n++);
        QCoreApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RawIRCycleAndRedraw)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    TheWindows.reset();
    return 0;
}
