// Row feed: the cost a row adds to the user-interface thread, and how fast a
// backlog drains once the broker is back, against the arrival rate of four
// benches at 115200 baud (576 rows/s each).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "feed/feed_publisher.h"
#include "support/loopback_port.h"

namespace {
constexpr double kArrivalPerSecond = 4 * 576.0;

FeedSettings Settings(int port, int queue)
{
    FeedSettings s;
    s.Enabled = true;
    s.Host = QStringLiteral("127.0.0.1");
    s.Port = port;
    s.Station = QStringLiteral("bench");
    s.QueueSize = queue;
    return s;
}

FeedRow GasRow(int bench)
{
    FeedRow r;
    r.TimeSeconds = 1700000000;
    r.Bench = bench;
    r.Values = {{"Gas concentrations", "CO2", "%", "   1.25"},
                {"Gas concentrations", "Freon", "ppm", "      512"},
                {"Gas concentrations", "O2", "%", "  20.90"},
                {"Gas concentrations", "NO", "ppm", "    17"}};
    return r;
}
} // namespace

// One grid row of four benches handed to the feed (message building and queueing), broker absent.
static void BM_FeedRowOfFourBenches(benchmark::State& state)
{
    FeedPublisher feed(Settings(FreeLoopbackPort(), 1000));
    const FeedRow rows[4] = {GasRow(1), GasRow(2), GasRow(3), GasRow(4)};
    for (auto _ : state)
        for (const FeedRow& r : rows)
            feed.Row(r);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FeedRowOfFourBenches)->Unit(benchmark::kMicrosecond);

// A backlog of messages, queued while no broker listened, drained once one starts.
static void BM_FeedDrainAfterReconnect(benchmark::State& state)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("mosquitto"), {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")});
    if (program.isEmpty()) {
        state.SkipWithError("no mosquitto program");
        return;
    }
    const int backlog = static_cast<int>(state.range(0));
    double seconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        const int port = FreeLoopbackPort();
        QFile conf(dir.filePath(QStringLiteral("b.conf")));
        conf.open(QIODevice::WriteOnly);
        std::string text = "listener " + std::to_string(port) + " 127.0.0.1\nallow_anonymous true\nlog_dest none\n";
        if (const passwd* pw = getpwuid(getuid()))
            text += std::string("user ") + pw->pw_name + "\n";
        conf.write(text.c_str());
        conf.close();
        FeedPublisher feed(Settings(port, backlog));
        feed.Client().RetryFirstMs = 20;
        feed.Client().RetryMaxMs = 20;
        const FeedRow row = GasRow(1);
        for (int i = 0; i < backlog; ++i)
            feed.Row(row);
        QProcess broker;
        broker.start(program, {QStringLiteral("-c"), conf.fileName()});
        broker.waitForStarted();
        while (!Accepts(port))
            QThread::msleep(2);
        while (!feed.Client().Statistics().Connected)
            QThread::usleep(200);
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        for (;;) {
            const MqttFeed::Stats s = feed.Client().Statistics();
            if (s.Queued == 0 && s.InFlight == 0)
                break;
            QThread::usleep(200);
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        state.PauseTiming();
        feed.Client().Stop();
        broker.terminate();
        broker.waitForFinished();
        state.ResumeTiming();
    }
    const double rate = backlog * static_cast<double>(state.iterations()) / seconds;
    state.counters["drained_per_s"] = rate;
    state.counters["times_arrival_rate"] = rate / kArrivalPerSecond;
}
BENCHMARK(BM_FeedDrainAfterReconnect)->Arg(20000)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
