// End to end: faults of the bench lines while the main window collects. A box raised while replies
// are handled, an adapter pulled, and a bench falling silent must not stop the other benches' rows.
#include "support/sim_app_fixture.h"

#include "ui/main/main_window.h"
#include "ui/common/radio_group.h"
#include "sim/sim_link.h"
#include "sim/sim_server.h"

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace {


// Records each box and, while it "stands", runs what the test gives it: a modal box runs a nested
// event loop just like this.
struct ModalMessages : RecordingMessages {
    std::function<void()> WhileOpen;
    void Show(const QString& caption, const QString& text, Icon icon) override
    {
        RecordingMessages::Show(caption, text, icon);
        if (WhileOpen)
            WhileOpen();
    }
};

struct LinkFaultsTest : SimulatedAppTest {
    ModalMessages Modal;

    void StartTwoBenches(bool lineRate)
    {
        MessagesOverride = &Modal;
        StartBenchesAndApp(2, [lineRate](sim::SimServer& s) {
            for (int i = 0; i < 2; ++i)
                if (lineRate)
                    s.Link(i)->Bench().SetLineRate(true, 19200);
        });
        for (int k = 0; k < 2; ++k) {
            ASSERT_TRUE(App->ActiveBench[k]->isEnabled()) << k;
            App->ActiveBench[k]->click();
            ASSERT_TRUE(App->PortOpen(k)) << k;
        }
    }
    void LogAndStart(int lineLimit = LogFile::kLineLimit)
    {
        Dialogs.SavePaths.push_back(Places.InDriveC(QStringLiteral("RUN.LOG")));
        App->findChild<QAction*>(QStringLiteral("NewFile"))->trigger();
        ASSERT_TRUE(App->LogFileOpen());
        App->Log().SetLineLimit(lineLimit);
        App->Logging->Items[0]->click();
        App->StartBtn->click();
        ASSERT_TRUE(App->StopBtn->isEnabled());
    }
    // Rows made so far (every row moves the accept counter, logged or not).
    int Rows() const { return App->Rows().AcceptCounter; }
    bool RowsGrowBy(int n)
    {
        const int from = Rows();
        return QTest::qWaitFor([&] { return Rows() >= from + n; }, kWaitMs);
    }
    ComPort& Port(int k) { return App->Ports().Port(k); }
};

// "Log File is full" comes from the row output inside reply handling. While the box stands, both
// ports keep draining: rows go on and the unread input stays small; nothing is dropped.
TEST_F(LinkFaultsTest, ABoxRaisedWhileRepliesAreHandledLeavesThePortsDraining)
{
    StartTwoBenches(/*lineRate=*/true);
    int rowsWhileOpen = 0;
    int mostUnread = 0;
    Modal.WhileOpen = [&] {
        const int from = Rows();
        QElapsedTimer open;
        open.start();
        while (open.elapsed() < 1500) {
            QTest::qWait(5);
            mostUnread = std::max({mostUnread, Port(0).InBuffUsed(), Port(1).InBuffUsed()});
        }
        rowsWhileOpen = Rows() - from;
    };
    LogAndStart(/*lineLimit=*/5);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Modal.Messages.isEmpty(); }, kWaitMs));
    Modal.WhileOpen = nullptr;
    EXPECT_EQ(Modal.Texts(), QStringList{QStringLiteral("Log File is full")});
    // At 19200 baud a bench sends about 90 data replies in 1.5 s.
    EXPECT_GT(rowsWhileOpen, 20) << "rows stalled while the box stood";
    EXPECT_LT(mostUnread, 1024) << "input piled up while the box stood";
    EXPECT_EQ(Port(0).DroppedInput() + Port(1).DroppedInput(), 0u);
    EXPECT_TRUE(RowsGrowBy(10));
    EXPECT_EQ(Modal.Texts().size(), 1) << "the full log is reported once";
}

// A pulled adapter: the user is told once which port went, its box is unticked and disabled as on a
// failed open, the other bench's rows go on, and once the device is back the box can be ticked again.
TEST_F(LinkFaultsTest, APulledAdapterIsReportedOnceAndCanBeTickedAgainWhenBack)
{
    StartTwoBenches(/*lineRate=*/false);
    LogAndStart();
    ASSERT_TRUE(RowsGrowBy(3));

    const QString path = Server->Link(1)->LinkPath();
    Server->Link(1)->Vanish();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Modal.Messages.isEmpty(); }, kWaitMs));
    EXPECT_EQ(Modal.Messages[0].Caption, QStringLiteral("Warning"));
    EXPECT_EQ(Modal.Messages[0].Text, QStringLiteral("COM2: device lost"));
    EXPECT_FALSE(App->ActiveBench[1]->isChecked());
    EXPECT_FALSE(App->ActiveBench[1]->isEnabled());
    EXPECT_FALSE(App->PortOpen(1));
    EXPECT_TRUE(RowsGrowBy(3)) << "bench 1 is the highest open bench now";
    QTest::qWait(300);
    EXPECT_EQ(Modal.Messages.size(), 1);

    // The device comes back on the same path.
    ASSERT_FALSE(QFile::exists(path));
    sim::SimLink back(Server->Link(1)->Bench().Config());
    QString error;
    ASSERT_TRUE(back.Open(path, &error)) << error.toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return App->ActiveBench[1]->isEnabled(); }, kWaitMs));
    App->ActiveBench[1]->click();
    EXPECT_TRUE(App->PortOpen(1));
    App->StopBtn->click();
    App->StartBtn->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return back.Bench().Streaming(0x01); }, kWaitMs));
    EXPECT_TRUE(RowsGrowBy(3));
    App->StopBtn->click();
}

// Bench 2, the highest, falls silent: once its stream times out bench 1 makes the rows with bench 2's
// cells empty; when bench 2 answers again its replies make the rows and its values come back.
TEST_F(LinkFaultsTest, OneSilentBenchDoesNotStopTheOthersRows)
{
    StartTwoBenches(/*lineRate=*/false);
    LogAndStart();
    ASSERT_TRUE(RowsGrowBy(3));
    const int bench2 = App->Rows().GroupColumn(kGroupGas, 1);
    ASSERT_GE(bench2, 0);

    Server->Link(1)->Bench().SetSilent(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return App->BenchLink().Benches[1].DataTimedOut; }, kWaitMs));
    ASSERT_TRUE(RowsGrowBy(5)) << "rows stopped with the silent bench";
    const int row = App->Rows().MeanRow();
    EXPECT_EQ(App->GridContents().Cell(bench2, row), "       ") << "blank, as wide as its value";
    EXPECT_NE(App->GridContents().Cell(App->Rows().GroupColumn(kGroupGas, 0), row), "") << "bench 1's values are there";

    Server->Link(1)->Bench().SetSilent(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !App->BenchLink().Benches[1].DataTimedOut; }, kWaitMs));
    ASSERT_TRUE(RowsGrowBy(3));
    EXPECT_NE(App->GridContents().Cell(bench2, App->Rows().MeanRow()).find_first_not_of(' '), std::string::npos);
    App->StopBtn->click();
}

} // namespace
