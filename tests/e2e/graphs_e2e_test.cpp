// The trend graphs inside the program: shown from the main window's menu,
// fed by simulated benches over pseudo-terminals in the same event loop.
#include "support/sim_app_fixture.h"

#include "ui/graphs/overlay_trend_window.h"
#include "ui/graphs/stacked_trend_window.h"
#include "ui/main/main_window.h"
#include "ui/common/radio_group.h"
#include "sim/sim_server.h"

#include <QAction>
#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "ui/common/bench_buttons.h"
#include "ui/graphs/chart.h"

namespace {


int Points(TrendWindow* w)
{
    const ChartModel& m = w->PEGraph->Model();
    int n = 0;
    for (int i = 0; i < m.Points(); ++i)
        n += m.IsNull(m.YData(0, i)) ? 0 : 1;
    return n;
}

struct GraphsE2e : SimulatedAppTest {
    void SetUp() override
    {
        StartBenchesAndApp(1);
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_TRUE(App->ActiveBench[0]->isEnabled());
        App->ActiveBench[0]->click();
        ASSERT_TRUE(App->PortOpen(0));
    }
};

} // namespace

TEST_F(GraphsE2e, MenuShowsTheGraphsAndDataRepliesPlotThere)
{
    auto* g1 = App->findChild<OverlayTrendWindow*>(QStringLiteral("TFGraph1"));
    auto* g2 = App->findChild<StackedTrendWindow*>(QStringLiteral("TFGraph2"));
    ASSERT_NE(g1, nullptr);
    ASSERT_NE(g2, nullptr);
    EXPECT_FALSE(g1->isVisible());

    App->findChild<QAction*>(QStringLiteral("Graphics1"))->trigger();
    App->findChild<QAction*>(QStringLiteral("Graphics2"))->trigger();
    for (TrendWindow* w : {static_cast<TrendWindow*>(g1), static_cast<TrendWindow*>(g2)}) {
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(w->SelectedBench(), 0); // the menu ran UpdateBenchSelection first
        EXPECT_TRUE(w->Kestrel->BB[0]->isChecked());
    }

    App->StartBtn->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Points(g1) >= 3 && Points(g2) >= 3; }, kWaitMs));
    App->StopBtn->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Server->Link(0)->Bench().Streaming(0x01); }, kWaitMs));
    QTest::qWait(100);

    // The newest point is the bench's latest reading.
    const GasConcentrations gas = App->BenchLink().Benches[0].GasData;
    const ChartModel& m1 = g1->PEGraph->Model();
    EXPECT_FLOAT_EQ(m1.YData(0, TrendWindow::GraphPoints - 1), float(double(float(gas.CO2)) * 0.01));
    EXPECT_FLOAT_EQ(m1.YData(3, TrendWindow::GraphPoints - 1), float(gas.NO));

    // Closing the program closes the shown graphs: settings written, plotting stopped.
    Clock.OnRead = [this] { ++Clock.Now; }; // the shutdown waits a second per bench on this clock
    App->close();
    EXPECT_TRUE(QFile::exists(OverlayTrendWindow::SettingsFile()));
    EXPECT_TRUE(QFile::exists(StackedTrendWindow::SettingsFile()));
}
