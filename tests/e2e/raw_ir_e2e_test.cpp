// The raw IR window inside the program: opened from the engineering menu, fed
// by a simulated bench over a pseudo-terminal, logging to a file.
#include "support/sim_app_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "ui/graphs/chart.h"
#include "ui/main/main_window.h"
#include "ui/common/radio_group.h"
#include "ui/graphs/raw_ir_log_window.h"
#include "ui/graphs/raw_ir_window.h"
#include "sim/sim_server.h"

namespace {


using Samples = std::array<int, 4>;

// The samples of every whole cycle (phases 0 to 3 in a row) among the raw IR replies the bench sent.
std::vector<Samples> CyclesSent(const sim::SimBench& bench, uint8_t code)
{
    std::vector<Samples> all, cycle;
    int expectedPhase = 0;
    for (const sim::SimReplyRecord& r : bench.Replies()) {
        if (r.code != code || r.start != 0x06 || r.corrupted)
            continue;
        const uint8_t* d = r.frame.data() + 3; // after start, code and length
        const int phase = d[0] % 4;
        if (phase == 0) {
            cycle.clear();
            expectedPhase = 0;
        }
        if (phase != expectedPhase)
            continue; // a cycle begun before the capture, or broken
        for (int s = 0; s < 25; ++s) {
            Samples v{};
            for (int c = 0; c < 4; ++c)
                v[size_t(c)] = int16_t(uint16_t(d[1 + 8 * s + 2 * c] << 8 | d[2 + 8 * s + 2 * c]));
            cycle.push_back(v);
        }
        if (++expectedPhase == 4) {
            all.insert(all.end(), cycle.begin(), cycle.end());
            cycle.clear();
            expectedPhase = -1; // wait for the next phase 0
        }
    }
    return all;
}

struct RawIRE2e : SimulatedAppTest {
    void SetUp() override
    {
        StartBenchesAndApp(1);
        ASSERT_FALSE(HasFatalFailure());
        App->ActiveBench[0]->click();
        ASSERT_TRUE(App->PortOpen(0));
    }
};

} // namespace

TEST_F(RawIRE2e, FilteredCaptureLogsTheSamplesTheBenchSent)
{
    auto* raw = App->findChild<RawIrWindow*>(QStringLiteral("TRawIR"));
    auto* log = App->findChild<RawIrLogWindow*>(QStringLiteral("TIRLog"));
    ASSERT_NE(raw, nullptr);
    ASSERT_NE(log, nullptr);
    App->findChild<QAction*>(QStringLiteral("N42FilteredRAWADIRChannelData1"))->trigger();
    ASSERT_TRUE(raw->isVisible());
    ASSERT_TRUE(raw->RawFiltered);
    EXPECT_EQ(raw->SelectedBench, 0);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("RAWDATA.LOG"));
    log->AskLogFileName = [path] { return path; };
    log->Open1->trigger();
    ASSERT_TRUE(log->LogOpen());
    log->LoggingOnChk->setChecked(true);

    raw->Start->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return log->LogLineCount() >= 1 + 300; }, kWaitMs));
    raw->Stop->click();
    const sim::SimBench& bench = Server->Link(0)->Bench();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !bench.Streaming(0x42); }, kWaitMs));
    QTest::qWait(300); // blocks already on the line
    EXPECT_EQ(raw->FilteredEdit->text(), QStringLiteral("Filtered"));
    EXPECT_EQ(bench.RepliesSent(0x40), 0);
    log->Close1->trigger();

    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromLatin1(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 301);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("DataLogfile ") + path + QStringLiteral(" created ")));

    // Every data line holds four signed values; together they are the bench's cycles, in order. A
    // block already on the line when the stop is answered is turned away by the link, so the last
    // cycle the bench sent may be missing, but nothing before it.
    const QRegularExpression form(QStringLiteral("^( *[+-]\\d+  ){3} *[+-]\\d+ $"));
    const std::vector<Samples> sent = CyclesSent(bench, 0x42);
    const size_t logged = size_t(lines.size() - 1);
    ASSERT_LE(logged, sent.size());
    ASSERT_LE(sent.size() - logged, 100u) << logged << " lines logged of " << sent.size() << " samples sent";
    for (int i = 1; i < lines.size(); ++i) {
        ASSERT_TRUE(form.match(lines[i]).hasMatch()) << lines[i].toStdString();
        const QStringList v = lines[i].split(QLatin1Char(' '), Qt::SkipEmptyParts);
        ASSERT_EQ(v.size(), 4);
        for (int c = 0; c < 4; ++c)
            ASSERT_EQ(v[c].toInt(), sent[size_t(i - 1)][size_t(c)]) << "line " << i << " channel " << c;
    }

    // The chart's newest cycle is the last one logged.
    const ChartModel& m = raw->PEGraph->Model();
    const int last = raw->PlotPosition - 1;
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(m.YData(c, last), float(sent[logged - 1][size_t(c)]));
}
