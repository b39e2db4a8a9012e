// The raw IR window with its log and history windows over a link of in-memory
// ports: requests sent, blocks assembled and drawn, lines logged.
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

#include "ui/common/bench_buttons.h"
#include "ui/graphs/chart.h"
#include "support/fake_host.h"
#include "support/link_fixture.h"
#include "ui/graphs/raw_ir_history_window.h"
#include "ui/graphs/raw_ir_log_window.h"
#include "ui/graphs/raw_ir_window.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Request frames as the bench receives them: start, length, code, rate, checksum.
const Bytes kStart40{0x02, 0x02, 0x40, 0x02, 0xBA};
const Bytes kStop40{0x02, 0x02, 0x40, 0x00, 0xBC};
const Bytes kStart42{0x02, 0x02, 0x42, 0x02, 0xB8};
const Bytes kStop42{0x02, 0x02, 0x42, 0x00, 0xBA};

// Sample value of cycle n, position i (0..99), channel c: distinct, signed, and easy to read back.
int16_t Sample(int cycle, int i, int c)
{
    return int16_t((c % 2 ? -1 : 1) * (1000 * c + 100 * (cycle % 10) + i));
}

struct RawIRHost : FakeHost {
    RawIRHost() : FakeHost(&fx.link) {}
    LinkFixture fx;
};

struct RawIRWindows : ::testing::Test {
    QTemporaryDir dir;
    RawIRHost host;
    std::unique_ptr<RawIrLogWindow> log;
    std::unique_ptr<RawIrWindow> raw;
    std::unique_ptr<RawIrHistoryWindow> history;
    std::vector<QString> questions;
    bool answer = true;

    void SetUp() override
    {
        host.SwitchedOn = {true, true, false, false};
        host.fx.switchedOn = {true, true, false, false};
        log = std::make_unique<RawIrLogWindow>(host);
        raw = std::make_unique<RawIrWindow>(host);
        history = std::make_unique<RawIrHistoryWindow>();
        log->History = history.get();
        raw->SetCompanions(log.get(), history.get());
        log->NowText = [] { return QStringLiteral("10/12/26 17:00"); };
        raw->AskYesNo = [this](const QString&, const QString& text) {
            questions.push_back(text);
            return answer;
        };
        raw->UpdateBenchSelection();
        raw->show();
    }

    // Reply of bench k to its raw IR request: the given phase byte, 25 samples of cycle n.
    void Block(int k, int phaseByte, int cycle, uint8_t code = 0x40, int points = 25)
    {
        const int phase = phaseByte % 4;
        Bytes d{uint8_t(phaseByte)};
        for (int s = 0; s < points; ++s)
            for (int c = 0; c < 4; ++c) {
                const uint16_t v = uint16_t(Sample(cycle, phase * 25 + s, c));
                d.push_back(uint8_t(v >> 8));
                d.push_back(uint8_t(v));
            }
        host.fx.Ack(k, code, d);
    }
    void Cycle(int k, int cycle, uint8_t code = 0x40)
    {
        for (int p = 0; p < 4; ++p)
            Block(k, p, cycle, code);
    }
    const ChartModel& PlotModel() const { return raw->PEGraph->Model(); }
    bool ChartEmpty() const
    {
        for (int s = 0; s < PlotModel().Subsets(); ++s)
            for (int i = 0; i < PlotModel().Points(); ++i)
                if (!PlotModel().IsNull(PlotModel().YData(s, i)))
                    return false;
        return true;
    }
    // Chart points from..from+99 hold cycle n.
    void ExpectCycleAt(int from, int cycle)
    {
        for (int c = 0; c < 4; ++c)
            for (int i = 0; i < 100; ++i)
                ASSERT_EQ(PlotModel().YData(c, from + i), float(Sample(cycle, i, c))) << "channel " << c << " point " << from + i;
    }
    QStringList FileLines(const QString& path)
    {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        QStringList lines = QString::fromLatin1(f.readAll()).split(QLatin1Char('\n'));
        EXPECT_EQ(lines.last(), QString()); // every line ends with a line feed
        lines.removeLast();
        return lines;
    }
    QString OpenLog(const QString& name = QStringLiteral("RAWDATA.LOG"))
    {
        const QString path = dir.filePath(name);
        log->AskLogFileName = [path] { return path; };
        log->OpenClick();
        return path;
    }
};

} // namespace

TEST_F(RawIRWindows, SetUpAsShipped)
{
    EXPECT_EQ(raw->windowTitle(), QStringLiteral("RawIR"));
    EXPECT_EQ(log->windowTitle(), QStringLiteral("IR Data Log"));
    EXPECT_EQ(history->windowTitle(), QStringLiteral("Collected IR data"));
    EXPECT_EQ(raw->SelectedBench, 1); // the last enabled bench
    EXPECT_EQ(PlotModel().Subsets(), 4);
    EXPECT_EQ(PlotModel().Points(), RawIrWindow::ChartPoints);
    EXPECT_EQ(PlotModel().MainTitle, QStringLiteral("Raw Waveform"));
    EXPECT_EQ(PlotModel().XAxisLabel, QStringLiteral("Seconds/100"));
    EXPECT_EQ(PlotModel().YAxis(0).Label, QStringLiteral("A/D Counts"));
    EXPECT_EQ(PlotModel().YAxis(0).Min, -32767);
    EXPECT_EQ(PlotModel().YAxis(0).Max, 32767);
    EXPECT_TRUE(ChartEmpty());
    // CO2 is unticked by default, so its subset is not drawn.
    EXPECT_FALSE(PlotModel().SubsetShown(0));
    EXPECT_TRUE(PlotModel().SubsetShown(1) && PlotModel().SubsetShown(2) && PlotModel().SubsetShown(3));
    EXPECT_EQ(PlotModel().SubsetLabel(3), QStringLiteral("Ref"));
    EXPECT_EQ(PlotModel().SubsetColor(2), QColor(0, 128, 0));
    EXPECT_TRUE(raw->Continuous->isChecked());
    EXPECT_TRUE(raw->MarkNo->isChecked());
    EXPECT_FALSE(raw->HistoryIrBtn->isVisibleTo(raw.get()));
    EXPECT_FALSE(raw->ChannelGain->isEnabled());
}

TEST_F(RawIRWindows, StartAndStopAskTheSelectedBenchForRawOrFilteredBlocks)
{
    struct Case {
        bool filtered;
        Bytes start, stop;
    };
    for (const Case& c : {Case{false, kStart40, kStop40}, Case{true, kStart42, kStop42}}) {
        raw->RawFiltered = c.filtered;
        raw->StartClick();
        EXPECT_EQ(host.fx.ports[1].TakeSent(), c.start);
        EXPECT_FALSE(raw->Start->isEnabled());
        EXPECT_TRUE(raw->Stop->isEnabled());
        raw->StopClick();
        EXPECT_EQ(host.fx.ports[1].TakeSent(), c.stop);
        EXPECT_TRUE(raw->Start->isEnabled());
        EXPECT_FALSE(raw->Stop->isEnabled());
    }
    EXPECT_TRUE(host.fx.ports[0].TakeSent().empty());

    // Another bench: the stream of the old one is stopped first.
    raw->StartClick();
    host.fx.ports[1].TakeSent();
    raw->Kestrel->BB[0]->click();
    EXPECT_EQ(raw->SelectedBench, 0);
    EXPECT_EQ(host.fx.ports[1].TakeSent(), kStop42);
    // Re-clicking the chosen bench is no change: nothing is sent.
    raw->Kestrel->BB[0]->click();
    EXPECT_TRUE(host.fx.ports[0].TakeSent().empty());

    // Without a bench nothing is sent and the buttons stay.
    host.SwitchedOn = {};
    raw->UpdateBenchSelection();
    EXPECT_EQ(raw->SelectedBench, -1);
    raw->StartClick();
    EXPECT_TRUE(raw->Start->isEnabled());
    EXPECT_TRUE(host.fx.ports[0].TakeSent().empty());
}

TEST_F(RawIRWindows, PhasesBeforePhaseZeroDrawNothingThenOneCycleIsDrawn)
{
    raw->StartClick();
    for (int p : {1, 2, 3})
        Block(1, p, 0);
    EXPECT_TRUE(ChartEmpty());
    EXPECT_EQ(raw->FilteredEdit->text(), QStringLiteral("Not Filtered"));
    Cycle(1, 1);
    ExpectCycleAt(0, 1);
    EXPECT_EQ(raw->PlotPosition, 100);
    EXPECT_TRUE(PlotModel().IsNull(PlotModel().YData(0, 100)));
}

TEST_F(RawIRWindows, APhaseByteIsTakenModuloFour)
{
    raw->StartClick();
    // Phase bytes 4, 5, 6, 7 are phases 0 to 3 of one cycle.
    for (int p = 4; p < 8; ++p)
        Block(1, p, 3);
    ExpectCycleAt(0, 3);
    // Byte 6 alone after a phase 0: lands at positions 50..74.
    Block(1, 0, 4);
    Block(1, 6, 4);
    EXPECT_EQ(raw->Capture.RawPhase, 2);
    EXPECT_EQ(raw->Capture.RawBuffer[0][50], Sample(4, 50, 0));
    EXPECT_EQ(raw->Capture.RawBuffer[0][25], 0);
}

TEST_F(RawIRWindows, TheSixthCycleShiftsTheChartLeftByOneCycle)
{
    raw->StartClick();
    for (int n = 0; n < 5; ++n)
        Cycle(1, n);
    for (int n = 0; n < 5; ++n)
        ExpectCycleAt(100 * n, n);
    const int64_t firstKey = PlotModel().FirstKey();
    Cycle(1, 5);
    EXPECT_EQ(PlotModel().FirstKey(), firstKey + 100);
    for (int n = 1; n < 6; ++n)
        ExpectCycleAt(100 * (n - 1), n);
    for (int i = 500; i < 550; ++i)
        EXPECT_TRUE(PlotModel().IsNull(PlotModel().YData(3, i)));
    EXPECT_EQ(raw->PlotPosition, 500);
    // The X labels count samples from the start and moved with the data.
    EXPECT_EQ(PlotModel().PointLabel(0), QStringLiteral("100"));
    EXPECT_EQ(PlotModel().PointLabel(549), QStringLiteral("649"));
}

TEST_F(RawIRWindows, OneShotDrawsOneCycleThenStopsTheStreamItStarted)
{
    for (bool filtered : {false, true}) {
        const uint8_t code = filtered ? 0x42 : 0x40;
        raw->ClearClick();
        raw->RawFiltered = filtered;
        raw->OneShot->click();
        raw->StartClick();
        EXPECT_EQ(host.fx.ports[1].TakeSent(), filtered ? kStart42 : kStart40);
        Cycle(1, 7, code);
        EXPECT_EQ(host.fx.ports[1].TakeSent(), filtered ? kStop42 : kStop40);
        EXPECT_TRUE(raw->Start->isEnabled());
        EXPECT_FALSE(raw->Stop->isEnabled());
        ExpectCycleAt(0, 7);
        EXPECT_TRUE(PlotModel().IsNull(PlotModel().YData(1, 100)));
        EXPECT_EQ(raw->FilteredEdit->text(), filtered ? QStringLiteral("Filtered") : QStringLiteral("Not Filtered"));
    }
}

TEST_F(RawIRWindows, BlocksTheWindowDoesNotOwnAreIgnored)
{
    raw->StartClick();
    // Hidden window: the bench's flag stays for when it is shown.
    raw->hide();
    Cycle(1, 1);
    EXPECT_TRUE(ChartEmpty());
    EXPECT_TRUE(raw->NewBlock[1]);
    raw->show();
    // A block of another bench is not the selected bench's, even while that bench's flag is up.
    host.TheLink.Benches[0].RequestRawIR(2);
    Cycle(0, 2);
    EXPECT_TRUE(ChartEmpty());
    Cycle(1, 3);
    ExpectCycleAt(0, 3);
}

TEST_F(RawIRWindows, ChannelBoxesChooseTheDrawnSubsetsAndNoneClears)
{
    raw->StartClick();
    Cycle(1, 1);
    raw->CO2Chk->click();
    raw->RefChk->click();
    EXPECT_TRUE(PlotModel().SubsetShown(0));
    EXPECT_FALSE(PlotModel().SubsetShown(3));
    EXPECT_FALSE(ChartEmpty());
    for (QCheckBox* box : {raw->CO2Chk, raw->COChk, raw->HCChk})
        box->click();
    EXPECT_TRUE(ChartEmpty());
    EXPECT_EQ(raw->PlotPosition, 0);
    for (int s = 0; s < 4; ++s)
        EXPECT_FALSE(PlotModel().SubsetShown(s));

    // The next cycle is written from the start again.
    raw->HCChk->click();
    Cycle(1, 2);
    ExpectCycleAt(0, 2);
}

TEST_F(RawIRWindows, MarkersFollowTheChoice)
{
    raw->MarkYes->click();
    EXPECT_TRUE(PlotModel().MarkDataPoints);
    raw->MarkNo->click();
    EXPECT_FALSE(PlotModel().MarkDataPoints);
}

TEST_F(RawIRWindows, NumPhasesAndNumPointsAreCheckedAndRefusedWhenTheyDoNotFit)
{
    struct Case {
        const char* phases;
        const char* points;
        int wantPhases, wantPoints;
        QStringList messages;
    };
    const QStringList none;
    const Case cases[] = {
        {"2", "50", 2, 50, none},
        {" 5 ", "20", 5, 20, none},
        {"x", "20", 4, 20, {QStringLiteral("Check NumPhases")}},
        {"4", "", 4, 25, {QStringLiteral("Check NumPoints")}},
        {"", "2.5", 4, 25, {QStringLiteral("Check NumPhases"), QStringLiteral("Check NumPoints")}},
        {"0", "25", 4, 25, {QStringLiteral("Check NumPhases: it must be 1 or more")}},
        {"4", "-1", 4, 25, {QStringLiteral("Check NumPoints: it must be 1 or more")}},
        {"5", "25", 4, 25, {QStringLiteral("NumPhases x NumPoints must not exceed 100")}},
        {"99999", "99999", 4, 25, {QStringLiteral("NumPhases x NumPoints must not exceed 100")}},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(raw->Capture.SetShape(4, 25), RawIrCapture::Shape::Ok);
        host.Sink.Shown.clear();
        raw->NumPhasesEdit->setText(QLatin1String(c.phases));
        raw->NumPointsEdit->setText(QLatin1String(c.points));
        raw->OKBtn->click();
        EXPECT_EQ(raw->Capture.NumPhases(), c.wantPhases) << c.phases << " " << c.points;
        EXPECT_EQ(raw->Capture.NumPoints(), c.wantPoints) << c.phases << " " << c.points;
        EXPECT_EQ(host.Sink.Texts(), c.messages) << c.phases << " " << c.points;
        for (const auto& m : host.Sink.Shown)
            EXPECT_EQ(m.Caption, QStringLiteral("Information"));
    }
}

TEST_F(RawIRWindows, BlocksShorterThanNumPointsAreIgnoredAndReportedOnce)
{
    raw->NumPointsEdit->setText(QStringLiteral("25"));
    raw->NumPhasesEdit->setText(QStringLiteral("2"));
    raw->OKBtn->click(); // 2 x 25
    raw->NumPhasesEdit->setText(QStringLiteral("3"));
    raw->NumPointsEdit->setText(QStringLiteral("30"));
    raw->OKBtn->click(); // 3 x 30, but the bench sends 25 samples a block
    ASSERT_EQ(raw->Capture.NumPoints(), 30);
    host.Sink.Shown.clear();
    raw->StartClick();
    for (int n = 0; n < 3; ++n)
        Cycle(1, n);
    EXPECT_TRUE(ChartEmpty());
    ASSERT_EQ(host.Sink.Shown.size(), 1u);
    EXPECT_TRUE(host.Sink.Shown[0].Text.contains(QStringLiteral("NumPoints")));
}

TEST_F(RawIRWindows, LogFileHoldsTheHeaderAndOneLinePerSample)
{
    const QString path = OpenLog();
    EXPECT_TRUE(log->LogOpen());
    EXPECT_EQ(raw->windowTitle(), QStringLiteral("Raw IR Data - ") + path);
    raw->StartClick();
    Cycle(1, 0); // not logged: logging is not ticked
    log->LoggingOnChk->setChecked(true);
    Cycle(1, 1);
    Cycle(1, 2);
    EXPECT_EQ(log->LogLineCount(), 201);

    const QStringList lines = FileLines(path);
    ASSERT_EQ(lines.size(), 201);
    EXPECT_EQ(lines[0], QStringLiteral("DataLogfile ") + path + QStringLiteral(" created 10/12/26 17:00"));
    // Cycle 1, sample 0: 100, -1100, 2100, -3100; sample 99 of cycle 2: 199, -1199, 2199, -3199.
    EXPECT_EQ(lines[1], QStringLiteral("+100  -1100  +2100  -3100 "));
    EXPECT_EQ(lines[200], QStringLiteral("+299  -1299  +2299  -3299 "));

    // The history list: header, first data line, then the newest lines, 151 in all.
    const QStringList items = history->Items();
    ASSERT_EQ(items.size(), 151);
    EXPECT_EQ(items[0], lines[0]);
    EXPECT_EQ(items[1], lines[1]);
    EXPECT_EQ(items.mid(2), lines.mid(52));

    log->Close1->trigger();
    EXPECT_FALSE(log->LogOpen());
    EXPECT_FALSE(log->LoggingOnChk->isChecked());
    EXPECT_EQ(raw->windowTitle(), QStringLiteral("Raw IR Data"));
    Cycle(1, 3);
    EXPECT_EQ(FileLines(path).size(), 201);
}

TEST_F(RawIRWindows, SmallValuesArePaddedToFourCharacters)
{
    const QString path = OpenLog();
    log->LoggingOnChk->setChecked(true);
    raw->NumPhasesEdit->setText(QStringLiteral("1"));
    raw->NumPointsEdit->setText(QStringLiteral("1"));
    raw->OKBtn->click();
    raw->StartClick();
    host.fx.Ack(1, 0x40, {0, 0xFF, 0xFB, 0x00, 0x7B, 0x00, 0x00, 0x80, 0x00});
    const QStringList lines = FileLines(path);
    ASSERT_EQ(lines.size(), 101);
    EXPECT_EQ(lines[1], QStringLiteral("  -5  +123    +0  -32768 "));
    // The rest of the 100-sample cycle is zero.
    EXPECT_EQ(lines[2], QStringLiteral("  +0    +0    +0    +0 "));
}

TEST_F(RawIRWindows, AFullLogSaysSoOnceAndWritesNoMore)
{
    const QString path = OpenLog();
    log->LoggingOnChk->setChecked(true);
    raw->StartClick();
    for (int n = 0; n < 1001; ++n)
        Cycle(1, n);
    EXPECT_EQ(log->LogLineCount(), 1 + 1001 * 100);
    EXPECT_EQ(host.Sink.Texts(), QStringList{QStringLiteral("Log File is full")});
    const QStringList lines = FileLines(path);
    ASSERT_EQ(lines.size(), 99999);
    // The last written line is sample 97 of cycle 999 (lines 2..99999 are data lines 1..99998).
    EXPECT_EQ(lines.last(), QStringLiteral("+997  -1997  +2997  -3997 "));
    // The history list still takes the newest lines.
    EXPECT_EQ(history->Items().last(), QStringLiteral(" +99  -1099  +2099  -3099 "));
}

TEST_F(RawIRWindows, ALogThatCannotBeCreatedSaysSo)
{
    OpenLog(QStringLiteral("missing/RAWDATA.LOG"));
    EXPECT_FALSE(log->LogOpen());
    EXPECT_EQ(host.Sink.Texts(), QStringList{QStringLiteral("Problem with log file!")});
    EXPECT_EQ(host.Sink.Shown[0].Caption, QStringLiteral("Information"));
    EXPECT_EQ(raw->windowTitle(), QStringLiteral("Raw IR Data"));
}

TEST_F(RawIRWindows, ClosingWhileLoggingAsks)
{
    OpenLog();
    log->LoggingOnChk->setChecked(true);
    raw->StartClick();
    host.fx.ports[1].TakeSent();

    answer = false;
    raw->close();
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0], QStringLiteral("You are logging the data! Do you want to close?"));
    EXPECT_TRUE(raw->isVisible());
    EXPECT_TRUE(log->LogOpen());
    EXPECT_TRUE(host.fx.ports[1].TakeSent().empty());

    answer = true;
    raw->close();
    EXPECT_FALSE(raw->isVisible());
    EXPECT_FALSE(log->LogOpen());
    EXPECT_EQ(host.fx.ports[1].TakeSent(), kStop40);

    // Not logging: no question, the stream is stopped.
    raw->show();
    raw->StartClick();
    host.fx.ports[1].TakeSent();
    raw->close();
    EXPECT_EQ(questions.size(), 2u);
    EXPECT_EQ(host.fx.ports[1].TakeSent(), kStop40);

    // The program closing does not ask.
    OpenLog();
    log->LoggingOnChk->setChecked(true);
    raw->show();
    raw->CloseWindow();
    EXPECT_EQ(questions.size(), 2u);
    EXPECT_FALSE(raw->isVisible());
    EXPECT_FALSE(log->LogOpen());
}
