#include <gtest/gtest.h>
#include <cmath>
#include <QTimer>
#include <qcustomplot.h>

#include "ui/graphs/chart.h"
#include "pixels.h"

namespace {

struct ChartTest : ::testing::Test {
    Chart chart;
    void SetUp() override
    {
        chart.resize(600, 400);
        ChartModel& m = chart.Model();
        m.SetNullDataValue(-11.0f);
        m.SetSubsets(4);
        m.SetPoints(10);
        m.SetRYAxisComparisonSubsets(2);
        m.SetManualY(0, 100);
        m.RightAxis.Min = 0;
        m.RightAxis.Max = 1000;
        m.SetSubsetColors({QColor(0, 0, 255), QColor(128, 128, 0), QColor(255, 0, 0), QColor(0, 255, 255)});
        chart.Apply();
    }
    void AppendRamp(int n)
    {
        for (int i = 0; i < n; ++i)
            chart.AppendPoint({float(10 + i), 50, float(100 * i), 500}, QString::number(i));
    }
};

} // namespace

TEST_F(ChartTest, NullPointsAreGapsInTheDrawing)
{
    chart.AppendPoint({5, -11, 7, 8}, "1");
    const auto data = chart.Graph(1)->data();
    ASSERT_EQ(data->size(), 10);
    EXPECT_TRUE(std::isnan((data->end() - 1)->value));
    EXPECT_EQ((chart.Graph(0)->data()->end() - 1)->value, 5.0);
}

TEST_F(ChartTest, AppendingKeepsEveryGraphAtTheChartsLength)
{
    AppendRamp(25);
    for (int s = 0; s < 4; ++s) {
        const auto data = chart.Graph(s)->data();
        ASSERT_EQ(data->size(), 10) << "subset " << s;
        // The drawing holds exactly the model's points.
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ((data->begin() + i)->value, chart.Model().YData(s, i)) << s << "," << i;
    }
    EXPECT_EQ(chart.Model().PointLabel(9), "24");
    // A block bigger than the chart replaces everything.
    chart.AppendData(30, std::vector<float>(120, -11.0f));
    EXPECT_EQ(chart.Graph(3)->data()->size(), 10);
    EXPECT_TRUE(std::isnan(chart.Graph(3)->data()->begin()->value));
}

TEST_F(ChartTest, LastSubsetsUseTheRightAxis)
{
    EXPECT_EQ(chart.Graph(1)->valueAxis(), chart.AxisRect(0)->axis(QCPAxis::atLeft));
    EXPECT_EQ(chart.Graph(2)->valueAxis(), chart.AxisRect(0)->axis(QCPAxis::atRight));
    EXPECT_EQ(chart.AxisRect(0)->axis(QCPAxis::atRight)->range().upper, 1000.0);
}

TEST_F(ChartTest, StackedAxesGetOneRectEach)
{
    ChartModel& m = chart.Model();
    m.SetMultiAxesSubsets({1, 1, 1, 1});
    for (int a = 0; a < 4; ++a) {
        m.SetWorkingAxis(a);
        m.SetManualY(0, 10 * (a + 1));
    }
    chart.Apply();
    ASSERT_NE(chart.AxisRect(3), nullptr);
    EXPECT_EQ(chart.AxisRect(4), nullptr);
    EXPECT_EQ(chart.Graph(2)->valueAxis(), chart.AxisRect(2)->axis(QCPAxis::atLeft));
    EXPECT_EQ(chart.AxisRect(3)->axis(QCPAxis::atLeft)->range().upper, 40.0);
    // Panning one stacked axis moves the time axis of all.
    chart.AxisRect(0)->axis(QCPAxis::atBottom)->setRange(2, 5);
    EXPECT_EQ(chart.AxisRect(3)->axis(QCPAxis::atBottom)->range().lower, 2.0);
}

TEST_F(ChartTest, ZoomFollowsTheDataAndUnzoomReturnsToTheFullView)
{
    EXPECT_FALSE(chart.Zoomed());
    AppendRamp(3);
    EXPECT_FALSE(chart.Zoomed()); // the full view scrolls with the data
    QCPAxis* x = chart.AxisRect(0)->axis(QCPAxis::atBottom);
    x->scaleRange(0.5);
    chart.AxisRect(0)->axis(QCPAxis::atLeft)->setRange(20, 30);
    EXPECT_TRUE(chart.Zoomed());
    chart.Unzoom();
    EXPECT_FALSE(chart.Zoomed());
    EXPECT_EQ(chart.AxisRect(0)->axis(QCPAxis::atLeft)->range().upper, 100.0);
}

TEST_F(ChartTest, HiddenSubsetsAreNotDrawn)
{
    AppendRamp(10);
    EXPECT_GT(CountColour(chart.Render(), QColor(0, 0, 255)), 0);
    chart.ShowSubsets({1, 2, 3});
    EXPECT_FALSE(chart.Graph(0)->visible());
    EXPECT_EQ(CountColour(chart.Render(), QColor(0, 0, 255)), 0);
    EXPECT_GT(CountColour(chart.Render(), QColor(255, 0, 0)), 0);
}

TEST_F(ChartTest, ExportsWriteFiles)
{
    AppendRamp(5);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_TRUE(chart.ExportPng(dir.filePath("c.png")));
    EXPECT_TRUE(chart.ExportPdf(dir.filePath("c.pdf")));
    EXPECT_GT(QFileInfo(dir.filePath("c.png")).size(), 0);
    EXPECT_GT(QFileInfo(dir.filePath("c.pdf")).size(), 0);
    EXPECT_FALSE(chart.ExportPng(dir.filePath("missing/c.png")));
}

// Live data arrive far faster than a screen refreshes: any number of appends
// costs one drawing per redraw interval, and a hidden chart draws nothing
// until it is shown again.
TEST_F(ChartTest, AppendsAreDrawnOncePerIntervalAndNotWhileHidden)
{
    chart.show();
    auto* timer = chart.findChild<QTimer*>("RedrawTimer");
    ASSERT_NE(timer, nullptr);
    int drawings = 0;
    QObject::connect(chart.Plot(), &QCustomPlot::afterReplot, &chart, [&drawings] { ++drawings; });
    const auto fire = [timer] { QMetaObject::invokeMethod(timer, "timeout"); };

    AppendRamp(500);
    EXPECT_EQ(drawings, 0);
    EXPECT_TRUE(timer->isActive());
    fire();
    EXPECT_EQ(drawings, 1);
    EXPECT_FALSE(chart.RedrawPending());
    fire(); // nothing new: no drawing
    EXPECT_EQ(drawings, 1);

    chart.hide();
    timer->stop();
    drawings = 0;
    AppendRamp(50);
    EXPECT_FALSE(timer->isActive());
    fire();
    EXPECT_EQ(drawings, 0);
    EXPECT_TRUE(chart.RedrawPending());
    // The data went on while hidden and are drawn on show.
    EXPECT_EQ((chart.Graph(0)->data()->end() - 1)->value, 59.0);
    chart.show();
    EXPECT_GE(drawings, 1);
    EXPECT_FALSE(chart.RedrawPending());
}
