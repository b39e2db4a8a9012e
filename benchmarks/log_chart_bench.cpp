// A log at the line limit opened as a chart: reading, opening and drawing, the
// memory it takes, and the redraws of zooming and panning.
//
// The log (2,160,000 lines, four benches with time and gas values, about 276 MB,
// a night across midnight at 25 rows a second) is written to a scratch folder
// first, or taken from $HALYARD_CHART_LOG (scripts/make_chart_log.py writes the same
// lines). $HALYARD_CHART_LOG_LINES writes a shorter one.
#include <benchmark/benchmark.h>

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "logchart/log_chart_data.h"
#include "logchart/log_chart_export.h"
#include "logchart/log_chart_view.h"
#include "rows/log_reader.h"

namespace {

QString g_log;
double g_fileBytes = 0;

void WriteLog(const QString& path, long lines)
{
    std::ofstream out(path.toStdString(), std::ios::binary);
    out << "MainLogfile C:\\NIGHT.LOG created 17/01/2013\r\n";
    out << "    Time     ";
    for (int b = 0; b < 4; ++b)
        out << "  CO2 [%]  Freon[ppm]  O2 [%]  NO [ppm]";
    out << "\r\n";
    std::minstd_rand rnd(23);
    int state[4][4];
    for (int b = 0; b < 4; ++b) {
        state[b][0] = 500 + 100 * b;
        state[b][1] = 100 * b;
        state[b][2] = 2090;
        state[b][3] = 10 * b;
    }
    auto walk = [&](int& v, int step, int lo, int hi) {
        v = std::min(std::max(v + int(rnd() % (2 * step + 1)) - step, lo), hi);
    };
    char line[256];
    const long rows = lines - 2;
    for (long i = 0; i < rows; ++i) {
        const long t = (12 * 3600 + i / 25) % 86400;
        int n = std::snprintf(line, sizeof line, "%02ld:%02ld:%02ld  ", t / 3600, t / 60 % 60, t % 60);
        for (int b = 0; b < 4; ++b) {
            walk(state[b][0], 3, 0, 2000);
            walk(state[b][1], 2, 0, 5000);
            walk(state[b][2], 2, 1500, 2200);
            walk(state[b][3], 1, 0, 900);
            n += std::snprintf(line + n, sizeof line - size_t(n), "%7.2f%9d%7.2f%6d", float(state[b][0]) * 0.01f,
                               state[b][1], float(state[b][2]) * 0.01f, state[b][3]);
        }
        line[n++] = '\r';
        line[n++] = '\n';
        out.write(line, n);
    }
}

// Peak and current resident memory of this process, in MB.
double StatusMB(const char* field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& l : f.readAll().split('\n'))
        if (l.startsWith(field))
            return l.mid(int(std::strlen(field))).trimmed().split(' ').front().toDouble() / 1024.0;
    return 0;
}

void ResetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

std::unique_ptr<LogChartView> Open(QString* error = nullptr)
{
    auto data = std::make_unique<LogChartData>();
    if (!data->Open(g_log, error))
        return nullptr;
    auto view = std::make_unique<LogChartView>();
    view->AddFile(std::move(data));
    view->FitAll();
    return view;
}

const QSize kSize(kDefaultChartWidth, kDefaultChartHeight);

// The shared reader alone: every line classified and split into cells.
void BM_ReadLogLines(benchmark::State& state)
{
    const LogFormats formats = LogFormats::System();
    long lines = 0;
    for (auto _ : state) {
        QFile f(g_log);
        f.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        LogReader reader(f, formats);
        LogReader::Line line;
        lines = 0;
        while (reader.Next(line))
            ++lines;
        benchmark::DoNotOptimize(lines);
    }
    state.counters["lines"] = double(lines);
    state.counters["MB/s"] = benchmark::Counter(g_fileBytes / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ReadLogLines)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Opening the log and drawing it whole, as the window does when it opens.
void BM_OpenAndDraw(benchmark::State& state)
{
    double peak = 0, shown = 0, held = 0;
    for (auto _ : state) {
        ResetPeak();
        std::unique_ptr<LogChartView> view = Open();
        const QImage image = RenderLogChart(*view, kSize);
        benchmark::DoNotOptimize(image.constBits());
        state.PauseTiming();
        peak = StatusMB("VmHWM:");
        shown = StatusMB("VmRSS:");
        held = double(view->File(0).Bytes()) / (1024.0 * 1024.0);
        view.reset();
        state.ResumeTiming();
    }
    const double fileMB = g_fileBytes / (1024.0 * 1024.0);
    state.counters["file_MB"] = fileMB;
    state.counters["peak_loading_MB"] = peak;
    state.counters["peak_per_file"] = peak / fileMB;
    state.counters["shown_MB"] = shown;
    state.counters["series_MB"] = held;
}
BENCHMARK(BM_OpenAndDraw)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond)
    ->UseRealTime();

std::unique_ptr<LogChartView> g_view;

LogChartView& Loaded()
{
    if (!g_view)
        g_view = Open();
    g_view->FitAll();
    return *g_view;
}

// Each step zooms by a wheel notch around a point of the night, in and out again.
void BM_ZoomRedraw(benchmark::State& state)
{
    LogChartView& view = Loaded();
    const double at = view.XMin + (view.XMax - view.XMin) * 0.37;
    int i = 0;
    for (auto _ : state) {
        const int phase = i++ % 40;
        view.ZoomX(phase < 20 ? 0.6 : 1 / 0.6, at);
        const QImage image = RenderLogChart(view, kSize);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_ZoomRedraw)->Iterations(80)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A pan by a tenth of the view, at three widths: the whole night, an hour, a minute.
void BM_PanRedraw(benchmark::State& state)
{
    LogChartView& view = Loaded();
    const double width = state.range(0);
    const double from = view.XMin + (view.XMax - view.XMin) * 0.3;
    view.SetXRange(from, width > 0 ? from + width : view.XMax);
    if (width == 0)
        view.FitAll();
    int i = 0;
    for (auto _ : state) {
        view.PanX(i++ % 20 < 10 ? 0.1 : -0.1);
        const QImage image = RenderLogChart(view, kSize);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_PanRedraw)->Arg(0)->Arg(3600)->Arg(60)->Iterations(40)->Repetitions(5)->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir scratch;
    g_log = qEnvironmentVariable("HALYARD_CHART_LOG");
    if (g_log.isEmpty()) {
        const long lines = qEnvironmentVariableIsSet("HALYARD_CHART_LOG_LINES")
            ? qEnvironmentVariable("HALYARD_CHART_LOG_LINES").toLong()
            : 2160000;
        g_log = scratch.filePath(QStringLiteral("NIGHT.LOG"));
        WriteLog(g_log, std::max(lines, 3L));
    }
    g_fileBytes = double(QFile(g_log).size());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_view.reset();
    return 0;
}
