#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <qcustomplot.h>

#include "ui/common/bench_buttons.h"
#include "ui/graphs/chart.h"
#include "support/fake_host.h"
#include "ui/graphs/overlay_trend_window.h"
#include "ui/graphs/stacked_trend_window.h"
#include "pixels.h"

namespace {

constexpr int Last = TrendWindow::GraphPoints - 1;

// Both trend windows over a fake main window whose bench 1 (index 0) is on;
// settings files live in a fresh drive C.
struct TrendWindows : ::testing::Test {
    QTemporaryDir driveC;
    FakeHost host;
    std::unique_ptr<OverlayTrendWindow> g1;
    std::unique_ptr<StackedTrendWindow> g2;
    int64_t now = 1000;

    void SetUp() override
    {
        ASSERT_TRUE(driveC.isValid());
        qputenv("HALYARD_DRIVE_C", driveC.path().toLocal8Bit());
        host.SwitchedOn = {true, false, false, false};
        Create();
    }
    void TearDown() override { qunsetenv("HALYARD_DRIVE_C"); }

    void Create()
    {
        g2 = std::make_unique<StackedTrendWindow>(host);
        g1 = std::make_unique<OverlayTrendWindow>(host);
        for (TrendWindow* w : Windows()) {
            w->NowSeconds = [this] { return now; };
            w->GraphStartTime = 1000;
            w->UpdateBenchSelection();
            w->show();
        }
    }
    std::vector<TrendWindow*> Windows() { return {g1.get(), g2.get()}; }

    // A data reply of bench k as the link announces it: graph 2, then graph 1.
    void DataReply(int k, int co2, int o2, int freon, int no)
    {
        BenchRecord& b = host.TheLink.Benches[size_t(k)];
        b.GasData.CO2 = co2;
        b.GasData.O2 = o2;
        b.GasData.Freon = freon;
        b.GasData.NO = no;
        g2->ReplyDecoded(k, ReplyKind::DataStatus, RxFrame{});
        g1->ReplyDecoded(k, ReplyKind::DataStatus, RxFrame{});
    }
    static float LastValue(TrendWindow* w, int subset) { return w->PEGraph->Model().YData(subset, Last); }
    static bool AllNull(TrendWindow* w)
    {
        const ChartModel& m = w->PEGraph->Model();
        for (int s = 0; s < m.Subsets(); ++s)
            for (int i = 0; i < m.Points(); ++i)
                if (!m.IsNull(m.YData(s, i)))
                    return false;
        return true;
    }
};

} // namespace

TEST_F(TrendWindows, SetUpMatchesTheirCaptionsAndCharts)
{
    EXPECT_EQ(g1->windowTitle(), "FGraph1");
    EXPECT_EQ(g2->windowTitle(), "Main Graph Screen");
    const ChartModel& m1 = g1->PEGraph->Model();
    EXPECT_EQ(m1.Subsets(), 4);
    EXPECT_EQ(m1.Points(), 130);
    EXPECT_EQ(m1.NullDataValue(), -11.0f);
    EXPECT_EQ(m1.SubsetLabel(2), "Freon");
    EXPECT_EQ(m1.SubsetColor(1), QColor(128, 128, 0));
    EXPECT_TRUE(m1.OnRightAxis(2));
    EXPECT_EQ(m1.YAxis(0).Label, "CO2, O2 in %");
    EXPECT_EQ(m1.RightAxis.Label, "Freon, NO in ppm");
    const ChartModel& m2 = g2->PEGraph->Model();
    EXPECT_EQ(m2.Subsets(), 1); // only CO2 ticked by default
    EXPECT_EQ(m2.NullDataValue(), -10.0f);
    EXPECT_EQ(m2.YAxis(0).Max, 20.0);
    EXPECT_EQ(m2.MainTitle, "CO2, Freon, O2, NO Channels");
    for (TrendWindow* w : Windows()) {
        EXPECT_TRUE(AllNull(w));
        EXPECT_EQ(w->SelectedBench(), 0);
        EXPECT_FALSE(w->GraphStopped);
        EXPECT_TRUE(w->Start->isEnabled());
        EXPECT_FALSE(w->Stop->isEnabled());
    }
}

TEST_F(TrendWindows, OnePointPerReplyWithElapsedSecondsAsLabel)
{
    now = 1042;
    DataReply(0, 1234, 2090, 2500, 300);
    EXPECT_FLOAT_EQ(LastValue(g1.get(), 0), 12.34f);
    EXPECT_FLOAT_EQ(LastValue(g1.get(), 1), 20.9f);
    EXPECT_FLOAT_EQ(LastValue(g1.get(), 2), 2500.0f); // unclamped above the right axis' 100
    EXPECT_FLOAT_EQ(LastValue(g1.get(), 3), 300.0f);
    EXPECT_FLOAT_EQ(LastValue(g2.get(), 0), 12.34f);
    for (TrendWindow* w : Windows())
        EXPECT_EQ(w->PEGraph->Model().PointLabel(Last), "        42");
    EXPECT_FALSE(g1->NewData[0]);
    EXPECT_FALSE(g2->NewData[0]);
    // Only new data makes a point.
    g1->BenchData(0);
    EXPECT_EQ(g1->PEGraph->Model().FirstKey(), 1);
}

TEST_F(TrendWindows, NoPointWhileStoppedFrozenHiddenOrWithoutBench)
{
    struct Case {
        const char* name;
        std::function<void(TrendWindow*)> block, unblock;
    } cases[] = {
        {"stopped",
         [](TrendWindow* w) {
             w->Start->click(); // Stop is only enabled once started
             w->Stop->click();
         },
         [](TrendWindow* w) { w->Start->click(); }},
        {"frozen", [](TrendWindow* w) { w->FreezeBtn->click(); }, [](TrendWindow* w) { w->FreezeBtn->click(); }},
        {"hidden", [](TrendWindow* w) { w->hide(); }, [](TrendWindow* w) { w->show(); }},
    };
    for (const Case& c : cases) {
        for (TrendWindow* w : Windows())
            c.block(w);
        DataReply(0, 500, 0, 0, 0);
        EXPECT_TRUE(g1->NewData[0]) << c.name;
        EXPECT_TRUE(g2->NewData[0]) << c.name;
        EXPECT_TRUE(AllNull(g1.get())) << c.name;
        EXPECT_TRUE(AllNull(g2.get())) << c.name;
        for (TrendWindow* w : Windows())
            c.unblock(w);
        // The next reply adds one point.
        DataReply(0, 600, 0, 0, 0);
        EXPECT_FLOAT_EQ(LastValue(g1.get(), 0), 6.0f) << c.name;
        EXPECT_FLOAT_EQ(LastValue(g2.get(), 0), 6.0f) << c.name;
        EXPECT_TRUE(g1->PEGraph->Model().IsNull(g1->PEGraph->Model().YData(0, Last - 1))) << c.name;
        for (TrendWindow* w : Windows())
            w->ClearBtn->click();
    }
    // Start/Stop swap their buttons; Freeze leaves them alone.
    g1->Stop->setEnabled(true);
    g1->Stop->click();
    EXPECT_TRUE(g1->GraphStopped);
    EXPECT_TRUE(g1->Start->isEnabled());
    g1->FreezeBtn->click();
    EXPECT_FALSE(g1->GraphStopped);
    EXPECT_TRUE(g1->Start->isEnabled());
    EXPECT_FALSE(g1->Stop->isEnabled());

    host.SwitchedOn = {};
    for (TrendWindow* w : Windows())
        w->UpdateBenchSelection();
    EXPECT_EQ(g1->SelectedBench(), -1);
    DataReply(0, 700, 0, 0, 0);
    EXPECT_TRUE(g1->NewData[0]);
}

TEST_F(TrendWindows, HCDivisorScalesFreon)
{
    g2->HC->click();
    for (bool divisor100 : {false, true}) {
        host.Divisor100 = divisor100;
        DataReply(0, 0, 0, 2500, 0);
        const float expected = divisor100 ? 25.0f : 2500.0f;
        EXPECT_FLOAT_EQ(LastValue(g1.get(), 2), expected) << divisor100;
        EXPECT_FLOAT_EQ(LastValue(g2.get(), 1), 25.0f) << divisor100; // 2500 clamped to Freon's 25
    }
    host.Divisor100 = true;
    DataReply(0, 0, 0, 1250, 0);
    EXPECT_FLOAT_EQ(LastValue(g2.get(), 1), 12.5f);
}

TEST_F(TrendWindows, Graph2WithOnlyO2HasOneFullHeightAxisAndClamps)
{
    g2->CO2->click(); // off: none left, chart unchanged
    EXPECT_EQ(g2->PEGraph->Model().Subsets(), 1);
    g2->O2->click();
    const ChartModel& m = g2->PEGraph->Model();
    ASSERT_EQ(m.Subsets(), 1);
    EXPECT_EQ(m.AxisCount(), 1);
    EXPECT_DOUBLE_EQ(m.AxisProportion(0), 1.0);
    EXPECT_EQ(m.YAxis(0).Label, "O2");
    EXPECT_EQ(m.SubsetLabel(0), "O2");
    EXPECT_EQ(m.SubsetColor(0), QColor(128, 128, 0));
    EXPECT_EQ(g2->PEGraph->AxisRect(0)->axis(QCPAxis::atLeft)->range().upper, 25.0);
    EXPECT_EQ(g2->PEGraph->AxisRect(1), nullptr);

    struct Case {
        int rawO2;
        float drawn;
    } cases[] = {{3000, 25.0f}, {-500, 0.0f}, {1234, 12.34f}};
    for (const Case& c : cases) {
        DataReply(0, 9999, c.rawO2, 0, 0);
        EXPECT_FLOAT_EQ(LastValue(g2.get(), 0), c.drawn) << c.rawO2;
    }
}

TEST_F(TrendWindows, Graph2DrawsReadingsOnTheNullValueAtTheMinimum)
{
    // Graph 2's null value is -10: a reading clamped to a minimum of -10, or one that is -10,
    // is still a point of the curve, not a gap.
    struct Case {
        const char* min;
        int rawCO2;
        float drawn;
    } cases[] = {{"-10", -2000, -10.0f}, {"-10", -1000, -10.0f}, {"-20", -1000, -10.0f}, {"-10", -999, -9.99f}};
    for (const Case& c : cases) {
        g2->CO2MinEdit->setText(c.min);
        g2->ApplyButton->click();
        DataReply(0, c.rawCO2, 0, 0, 0);
        const float v = LastValue(g2.get(), 0);
        EXPECT_FALSE(g2->PEGraph->Model().IsNull(v)) << c.min << " " << c.rawCO2;
        EXPECT_FLOAT_EQ(v, c.drawn) << c.min << " " << c.rawCO2;
    }
    g2->ClearBtn->click(); // the null value still empties the view
    EXPECT_TRUE(AllNull(g2.get()));
}

TEST_F(TrendWindows, Graph2StacksEnabledChannelsInItsOrder)
{
    g2->NO->click();
    g2->HC->click();
    const ChartModel& m = g2->PEGraph->Model();
    ASSERT_EQ(m.Subsets(), 3);
    EXPECT_EQ(m.SubsetLabel(0), "CO2");
    EXPECT_EQ(m.SubsetLabel(1), "Freon");
    EXPECT_EQ(m.SubsetLabel(2), "NO");
    EXPECT_DOUBLE_EQ(m.AxisProportion(2), 0.5);
    EXPECT_EQ(g2->PEGraph->Graph(2)->valueAxis(), g2->PEGraph->AxisRect(2)->axis(QCPAxis::atLeft));
    DataReply(0, 500, 0, 10, 20);
    EXPECT_FLOAT_EQ(LastValue(g2.get(), 0), 5.0f);
    EXPECT_FLOAT_EQ(LastValue(g2.get(), 1), 10.0f);
    EXPECT_FLOAT_EQ(LastValue(g2.get(), 2), 20.0f);
}

TEST_F(TrendWindows, Graph2TickLabelsOfStackedAxesNeverOverlap)
{
    // All four channels stacked in the window as it opens: short axes get fewer ticks.
    g2->HC->click();
    g2->O2->click();
    g2->NO->click();
    ASSERT_EQ(g2->PEGraph->Model().AxisCount(), 4);
    QApplication::processEvents();
    g2->PEGraph->Plot()->replot(); // the first lays out the axes, the second ticks them
    g2->PEGraph->Plot()->replot();
    for (int a = 0; a < 4; ++a) {
        QCPAxis* axis = g2->PEGraph->AxisRect(a)->axis(QCPAxis::atLeft);
        const int labelHeight = QFontMetrics(axis->tickLabelFont()).height();
        QList<double> pixels;
        for (double tick : axis->tickVector())
            if (axis->range().contains(tick))
                pixels << axis->coordToPixel(tick);
        ASSERT_GE(pixels.size(), 2) << "axis " << a << " is " << g2->PEGraph->AxisRect(a)->height() << " px";
        std::sort(pixels.begin(), pixels.end());
        for (int i = 1; i < pixels.size(); ++i)
            EXPECT_GE(pixels[i] - pixels[i - 1], labelHeight) << "axis " << a << ", " << pixels.size() << " ticks in "
                                                              << g2->PEGraph->AxisRect(a)->height() << " px";
    }
}

TEST_F(TrendWindows, ChannelBoxAndApplyEmptyGraph2)
{
    DataReply(0, 500, 0, 0, 0);
    ASSERT_FALSE(AllNull(g2.get()));
    g2->HC->click();
    EXPECT_EQ(g2->PEGraph->Model().Subsets(), 2);
    EXPECT_TRUE(AllNull(g2.get()));

    DataReply(0, 500, 0, 0, 0);
    g2->CO2MaxEdit->setText("5");
    g2->ApplyButton->click();
    EXPECT_TRUE(AllNull(g2.get()));
    EXPECT_EQ(g2->ChannelMax[StackedTrendWindow::kCO2], 5.0f);
    EXPECT_EQ(g2->PEGraph->Model().YAxis(0).Max, 5.0);

    // Graph 1 keeps its data on Apply and only takes the new ranges.
    DataReply(0, 500, 0, 0, 0);
    g1->HCNOMaxEdit->setText("3000");
    g1->O2->click();
    EXPECT_FLOAT_EQ(LastValue(g1.get(), 0), 5.0f);
    EXPECT_EQ(g1->PEGraph->Model().RightAxis.Max, 3000.0);
    EXPECT_FALSE(g1->ChannelEnabled[kTrendO2]);
    EXPECT_EQ(g1->PEGraph->Model().Subsets(), 4); // all four still drawn
}

TEST_F(TrendWindows, ChoosingAnotherBenchEmptiesTheChart)
{
    host.SwitchedOn = {true, true, false, false};
    for (TrendWindow* w : Windows()) {
        w->UpdateBenchSelection();
        EXPECT_EQ(w->SelectedBench(), 0); // the button that is on wins
    }
    DataReply(0, 500, 100, 0, 0);
    for (TrendWindow* w : Windows()) {
        ASSERT_FALSE(AllNull(w));
        w->Kestrel->BB[0]->click(); // the bench already chosen: nothing changes
        EXPECT_FALSE(AllNull(w));
        w->Kestrel->BB[1]->click();
        EXPECT_EQ(w->SelectedBench(), 1);
        EXPECT_TRUE(AllNull(w));
    }
    DataReply(0, 500, 100, 0, 0); // the other bench's data no longer plot
    EXPECT_TRUE(AllNull(g1.get()));
    DataReply(1, 700, 100, 0, 0);
    EXPECT_FLOAT_EQ(LastValue(g1.get(), 0), 7.0f);
}

TEST_F(TrendWindows, CloseWritesSettingsThenStops)
{
    g1->CO2COO2MaxEdit->setText("50");
    g2->HC->click();
    g2->HCMaxEdit->setText("40");
    for (TrendWindow* w : Windows()) {
        w->CloseWindow();
        EXPECT_FALSE(w->isVisible());
        EXPECT_TRUE(w->GraphStopped);
        EXPECT_FALSE(w->Stop->isEnabled());
    }
    QFile f1(OverlayTrendWindow::SettingsFile());
    ASSERT_TRUE(f1.open(QIODevice::ReadOnly));
    EXPECT_EQ(f1.readAll(), QByteArray("1\n1\n1\n1\n1\n1\n0\n50\n0\n100\n"));
    ASSERT_TRUE(QFile::exists(StackedTrendWindow::SettingsFile()));

    // A new run reads them back.
    Create();
    EXPECT_EQ(g1->CO2COO2MaxEdit->text(), "50");
    EXPECT_EQ(g1->PEGraph->Model().YAxis(0).Max, 50.0);
    EXPECT_TRUE(g2->HC->isChecked());
    EXPECT_EQ(g2->PEGraph->Model().Subsets(), 2);
    EXPECT_EQ(g2->ChannelMax[StackedTrendWindow::kFreon], 40.0f);
}

TEST_F(TrendWindows, SettingsFromACommaLocaleAreIgnoredUnderADotLocale)
{
    host.Dot = false;
    Create();
    g1->CO2COO2MaxEdit->setText("12,5");
    g2->CO2MaxEdit->setText("7,5");
    g2->O2->click();
    EXPECT_EQ(g2->ChannelMax[StackedTrendWindow::kCO2], 7.5f); // the comma is this run's decimal point
    g1->CloseWindow();
    g2->CloseWindow();

    host.Dot = true;
    Create();
    EXPECT_EQ(g1->CO2COO2MaxEdit->text(), "100");
    EXPECT_EQ(g2->CO2MaxEdit->text(), "20");
    EXPECT_FALSE(g2->O2->isChecked());
    EXPECT_EQ(g2->PEGraph->Model().Subsets(), 1);

    host.Dot = false;
    Create();
    EXPECT_EQ(g1->CO2COO2MaxEdit->text(), "12,5");
    EXPECT_EQ(g1->PEGraph->Model().YAxis(0).Max, 12.5);
    EXPECT_TRUE(g2->O2->isChecked());
    EXPECT_EQ(g2->ChannelMax[StackedTrendWindow::kCO2], 7.5f);
}

TEST_F(TrendWindows, ControlsCarryTheirNames)
{
    for (const char* name : {"CO2", "CO", "O2", "HC", "NO", "CO2COO2MinEdit", "CO2COO2MaxEdit", "HCNOMinEdit",
                             "HCNOMaxEdit", "Start", "Stop", "FreezeBtn", "ClearBtn", "ApplyButton", "BB1", "PEGraph"})
        EXPECT_NE(g1->findChild<QWidget*>(name), nullptr) << name;
    for (const char* name : {"CO2MinEdit", "CO2MaxEdit", "HCMinEdit", "HCMaxEdit", "O2MinEdit", "O2MaxEdit",
                             "NOMinEdit", "NOMaxEdit"})
        EXPECT_NE(g2->findChild<QWidget*>(name), nullptr) << name;
    for (TrendWindow* w : Windows()) {
        for (QWidget* c : w->findChildren<QWidget*>()) {
            if (qobject_cast<QAbstractButton*>(c) || qobject_cast<QLineEdit*>(c)) {
                EXPECT_FALSE(c->accessibleName().isEmpty()) << c->objectName().toStdString();
            }
        }
        EXPECT_EQ(w->findChild<QCheckBox*>("CO")->text(), "NH3");
        EXPECT_FALSE(w->findChild<QCheckBox*>("CO")->isVisible());
    }
    EXPECT_EQ(g1->findChild<QCheckBox*>("HC")->text(), "Freon");
}

TEST_F(TrendWindows, RenderedWindowsShowTheirCurves)
{
    g2->O2->click();
    for (int i = 0; i < 40; ++i)
        DataReply(0, 500 + 20 * i, 1000 + 10 * i, 20 * i, 10 * i);
    struct Shot {
        TrendWindow* window;
        const char* file;
    } shots[] = {{g1.get(), "graph1_render.png"}, {g2.get(), "graph2_render.png"}};
    for (const Shot& s : shots) {
        s.window->resize(900, 600);
        s.window->PEGraph->Plot()->replot();
        const QPixmap image = s.window->grab();
        image.save(QString::fromLatin1(s.file));
        EXPECT_GT(CountColour(image, QColor(0, 0, 255)), 40) << s.file;      // CO2 line
        EXPECT_GT(CountColour(image, QColor(128, 128, 0)), 40) << s.file;    // O2 line
        EXPECT_GT(CountColour(image, QColor(192, 192, 192)), 1000) << s.file; // silver surround
    }
}
