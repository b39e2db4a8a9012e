// Trend graph throughput: one new sample appended to four subsets of 130
// points and drawn, with both trend windows visible, offscreen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QTemporaryDir>
#include <memory>
#include <qcustomplot.h>

#include "benchmark_host.h"
#include "ui/graphs/chart.h"
#include "ui/graphs/overlay_trend_window.h"
#include "ui/graphs/stacked_trend_window.h"
#include "link/link.h"
#include "link/message_sink.h"

namespace {

struct Windows {
    BenchmarkHost host;
    StackedTrendWindow g2{host};
    OverlayTrendWindow g1{host};
    Windows()
    {
        // Four channels on graph 2 as well.
        for (QCheckBox* box : {g2.HC, g2.O2, g2.NO})
            box->click();
        for (TrendWindow* w : {static_cast<TrendWindow*>(&g1), static_cast<TrendWindow*>(&g2)}) {
            w->resize(900, 600);
            w->UpdateBenchSelection();
            w->show();
        }
        QCoreApplication::processEvents();
    }
    void Reply(int i)
    {
        BenchRecord& b = host.TheLink.Benches[0];
        b.GasData.CO2 = 500 + i % 700;
        b.GasData.O2 = 2000 - i % 900;
        b.GasData.Freon = i % 25;
        b.GasData.NO = i % 20;
        g1.NewData[0] = g2.NewData[0] = true;
    }
};

// Every case builds its own pair of windows and tears them down afterwards,
// so no case runs on charts, timers or paint buffers left by another.
std::unique_ptr<Windows> Fresh()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return std::make_unique<Windows>();
}

void Done(std::unique_ptr<Windows>& w)
{
    w.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// One window: append and draw the chart at once, the cost of one full redraw.
void BM_Graph1AppendAndReplot(benchmark::State& state)
{
    auto w = Fresh();
    int i = 0;
    for (auto _ : state) {
        w->Reply(i++);
        w->g1.BenchData(0);
        w->g1.PEGraph->Plot()->replot(QCustomPlot::rpImmediateRefresh);
    }
    state.SetItemsProcessed(state.iterations());
    Done(w);
}
BENCHMARK(BM_Graph1AppendAndReplot)->Iterations(300)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

// The link's refresh as it happens: graph 2 then graph 1, then one pass of
// the event loop, which draws whenever a chart's redraw interval is up. A
// fixed count of replies spans many redraw intervals, so every repetition
// pays for its share of redraws.
void BM_BothWindowsDataReply(benchmark::State& state)
{
    auto w = Fresh();
    int i = 0;
    for (auto _ : state) {
        w->Reply(i++);
        w->g2.BenchData(0);
        w->g1.BenchData(0);
        QCoreApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations());
    Done(w);
}
BENCHMARK(BM_BothWindowsDataReply)->Iterations(50000)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

// The chart alone, without redraw: the data path's own cost.
void BM_ChartAppendOnly(benchmark::State& state)
{
    Chart chart;
    chart.Model().SetSubsets(4);
    chart.Model().SetPoints(130);
    chart.Apply();
    const std::vector<float> values{1, 2, 3, 4};
    for (auto _ : state)
        chart.AppendPoint(values, QStringLiteral("         1"));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ChartAppendOnly)->Iterations(200000)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Settings files go to a scratch drive C, never the user's.
    static QTemporaryDir driveC;
    qputenv("HALYARD_DRIVE_C", driveC.path().toLocal8Bit());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
