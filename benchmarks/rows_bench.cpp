// Row output throughput: four benches, every column group, Mean+STDEV, logging.
#include <benchmark/benchmark.h>

#include <array>
#include <memory>

#include <QTemporaryDir>

#include "link/bench_record.h"
#include "rows/data_rows.h"
#include "rows/grid_model.h"
#include "rows/log_file.h"

namespace {

CalendarClock BenchClock(const int64_t* now)
{
    CalendarClock c = CalendarClock::System();
    c.NowSeconds = [now] { return *now; };
    return c;
}

void BM_AddDataRowFourBenchesMeanStdev(benchmark::State& state)
{
    QTemporaryDir dir;
    int64_t now = 1'700'000'000;
    auto benches = std::make_unique<std::array<BenchRecord, 4>>();
    GridModel grid;
    DataRows rows(*benches, grid, BenchClock(&now));
    LogFile log(BenchClock(&now));
    if (!log.Create(dir.filePath(QStringLiteral("bench.LOG")))) {
        state.SkipWithError("cannot create the log");
        return;
    }
    int changed = 0;
    grid.RowsChanged = [&](int, int) { ++changed; };

    RowSettings& s = rows.Settings;
    s.TimeStamp = s.RelativeTime = s.AcceptCount = s.DemodulatedIR = s.GasConcentration = s.Offset = s.MinMaxADC =
        s.Temperatures = s.AmbTemp = s.Pressures = s.AmbPressure = s.RawNoxO2 = s.Pef = true;
    s.AveragingMode = kAverageMeanStdev;
    s.SamplesPerBlock = static_cast<int>(state.range(0));
    s.PortOpen = {true, true, true, true};
    s.GridHeightPixels = 28 * 16;
    s.LoggingOn = true;
    rows.Log = &log;
    rows.RebuildHeader();
    rows.OffsetButton(true);

    // Every bench has answered in this run, so every cell is formatted.
    for (BenchRecord& bd : *benches)
        bd.DataSinceRequest = true;
    int64_t i = 0;
    for (auto _ : state) {
        for (int b = 0; b < 4; ++b) {
            BenchRecord& bd = (*benches)[b];
            const int v = static_cast<int>(i % 97) + b;
            bd.DemodIR = {100000 + v, 0, 200000 - v, 300000 + 3 * v};
            bd.GasData = {1234 + v, 0, 250 + v, 2090 - v, 55 + v};
            bd.MinAdc = {int16_t(-v), 0, int16_t(-2 * v), int16_t(-3 * v)};
            bd.MaxAdc = {int16_t(v), 0, int16_t(2 * v), int16_t(3 * v)};
            bd.PressureData = {float(v) * 0.5f, 7600.5f + v, 7500.2f, 40.1f, 35.7f};
            bd.ServiceData.AmbientTemp = 22.5f + 0.1f * v;
            bd.ServiceData.Pef = 0.48f + 0.001f * v;
            bd.ServiceData.RawNO = 800 + v;
            bd.ServiceData.RawO2 = int16_t(300 - v);
        }
        rows.MarkNewData(3);
        rows.AddDataRow();
        if (++i % 1000 == 0)
            ++now;
    }
    state.counters["rows/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["columns"] = rows.ColumnCount();
    benchmark::DoNotOptimize(changed);
}
BENCHMARK(BM_AddDataRowFourBenchesMeanStdev)->Arg(4)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
