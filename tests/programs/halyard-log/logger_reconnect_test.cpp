// An adapter pulled during an unattended run: the other bench's rows go on, the loss is
// reported, and once the device is back under its name the logger opens it again by itself
// and asks for the stream, so the bench logs again in the same run (no second header).
#include "programs/halyard-log/headless_logger.h"
#include "support/main_fixture.h"
#include "sim/sim_server.h"

#include <QFile>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Each data line of the log, split into its cells (an empty cell leaves no token).
std::vector<QList<QByteArray>> DataLines(const QString& path)
{
    std::vector<QList<QByteArray>> rows;
    for (const QByteArray& line : ReadAll(path).split('\n'))
        if (line.startsWith("12:00:00"))
            rows.push_back(line.simplified().split(' '));
    return rows;
}

constexpr qsizetype kBothBenches = 1 + 4 + 4; // time, then four gas cells per bench
constexpr qsizetype kBench1Only = 1 + 4;

// Rows made after `from` in which bench 2 has (or lacks) its cells.
int RowsSince(const QString& path, size_t from, qsizetype cells)
{
    const auto rows = DataLines(path);
    int n = 0;
    for (size_t i = from; i < rows.size(); ++i)
        n += rows[i].size() == cells;
    return n;
}

TEST(LoggerReconnect, APulledBenchIsOpenedAgainWhenItsDeviceIsBack)
{
    TempPlaces places;
    FixedClock clock;
    RecordingMessages messages;
    sim::SimServerConfig config;
    config.devicesDir = places.Devices;
    config.benches = 2;
    config.bench.replyPeriodMs = 10;
    sim::SimServer server(config);
    QString error;
    ASSERT_TRUE(server.Start(&error)) << error.toStdString();

    LoggerOptions options;
    options.Benches = {true, true, false, false};
    options.LogPath = places.InDriveC(QStringLiteral("RUN.LOG"));
    HeadlessLogger logger(options, messages, clock.Clock());
    ASSERT_TRUE(logger.OpenPorts(&error)) << error.toStdString();
    ASSERT_TRUE(logger.Start(&error)) << error.toStdString();
    const QString path = logger.CurrentLogFile();
    // The program's poll tick, quicker than its second so the test waits less; the time-outs
    // still take their own ticks.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] { logger.PollTick(); });
    poll.start(200);

    constexpr int kWaitMs = 15000;
    ASSERT_TRUE(QTest::qWaitFor([&] { return RowsSince(path, 0, kBothBenches) >= 20; }, kWaitMs));

    bool back = false;
    QObject::connect(server.Link(1), &sim::SimLink::CameBack, [&] { back = true; });
    server.Link(1)->VanishFor(5000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.Messages.isEmpty(); }, kWaitMs));
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("COM2: device lost")});
    EXPECT_TRUE(logger.BenchLost(1));
    EXPECT_TRUE(QTest::qWaitFor([&] { return RowsSince(path, 0, kBench1Only) >= 20; }, kWaitMs))
        << "bench 1's rows stopped while bench 2 was gone";
    EXPECT_FALSE(back) << "the device came back before bench 1 went on alone; give it longer away";

    ASSERT_TRUE(QTest::qWaitFor([&] { return back; }, kWaitMs));
    const size_t afterReturn = DataLines(path).size();
    EXPECT_TRUE(QTest::qWaitFor([&] { return RowsSince(path, afterReturn, kBothBenches) >= 40; }, kWaitMs))
        << "bench 2 did not log again";
    EXPECT_FALSE(logger.BenchLost(1));
    logger.Stop();

    EXPECT_EQ(messages.Texts(),
              (QStringList{QStringLiteral("COM2: device lost"), QStringLiteral("COM2: device back, logging again")}));
    EXPECT_EQ(messages.Messages.last().Caption, QStringLiteral("Information"));
    const QByteArray log = ReadAll(path);
    EXPECT_EQ(log.count("    Time     "), 1) << "the run went on without a restart";
    EXPECT_TRUE(log.endsWith("\r\n\r\n")) << "the Stop line ends the log";
    for (const auto& row : DataLines(path))
        EXPECT_TRUE(row.size() == kBothBenches || row.size() == kBench1Only) << row.join(' ').toStdString();
}

} // namespace
