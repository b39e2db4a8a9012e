#include <gtest/gtest.h>

#include "ui/graphs/chart_model.h"

namespace {

ChartModel TwoByFour()
{
    ChartModel m;
    m.SetNullDataValue(-11.0f);
    m.SetSubsets(2);
    m.SetPoints(4);
    return m;
}

std::vector<float> Row(const ChartModel& m, int subset)
{
    std::vector<float> y;
    for (int i = 0; i < m.Points(); ++i)
        y.push_back(m.YData(subset, i));
    return y;
}

} // namespace

TEST(ChartModel, NewPointsStartNull)
{
    ChartModel m = TwoByFour();
    EXPECT_EQ(Row(m, 0), std::vector<float>(4, -11.0f));
    EXPECT_TRUE(m.IsNull(m.YData(1, 3)));
    EXPECT_FALSE(m.IsNull(0.0f));
}

TEST(ChartModel, AppendDropsOldestAndKeepsLabelsWithTheirPoints)
{
    ChartModel m = TwoByFour();
    m.AppendData(1, {1, 10}, {"a"});
    m.AppendData(2, {2, 3, 20, 30}, {"b", "c"});
    EXPECT_EQ(Row(m, 0), (std::vector<float>{-11, 1, 2, 3}));
    EXPECT_EQ(Row(m, 1), (std::vector<float>{-11, 10, 20, 30}));
    EXPECT_EQ(m.PointLabel(1), "a");
    EXPECT_EQ(m.PointLabel(3), "c");
    m.AppendData(3, {4, 5, 6, 40, 50, 60});
    EXPECT_EQ(Row(m, 0), (std::vector<float>{3, 4, 5, 6}));
    EXPECT_EQ(m.PointLabel(0), "c");
    EXPECT_EQ(m.PointLabel(1), ""); // appended without labels
    EXPECT_EQ(m.FirstKey(), 6);
}

TEST(ChartModel, PointIndicesStayOldestFirstAfterManyAppends)
{
    // Appends of every size until the storage has wrapped several times: point 0
    // is always the oldest, and writes by index land on the point read back.
    ChartModel m = TwoByFour();
    m.AppendData(3, {1, 2, 3, 10, 20, 30}, {"1", "2", "3"});
    m.AppendData(1, {4, 40}, {"4"});
    m.AppendData(3, {5, 6, 7, 50, 60, 70}, {"5", "6", "7"});
    m.AppendData(2, {8, 9, 80, 90}, {"8", "9"});
    EXPECT_EQ(Row(m, 0), (std::vector<float>{6, 7, 8, 9}));
    EXPECT_EQ(Row(m, 1), (std::vector<float>{60, 70, 80, 90}));
    EXPECT_EQ(m.PointLabel(0), "6");
    EXPECT_EQ(m.PointLabel(3), "9");
    m.SetYData(0, 0, 100);
    m.SetPointLabel(3, "last");
    m.AppendData(1, {11, 110}, {"11"});
    EXPECT_EQ(Row(m, 0), (std::vector<float>{7, 8, 9, 11}));
    EXPECT_EQ(m.PointLabel(2), "last");
    // Resizing starts over with null points.
    m.SetPoints(3);
    EXPECT_EQ(Row(m, 0), (std::vector<float>{-11, -11, -11}));
    m.AppendData(1, {1, 10});
    EXPECT_EQ(Row(m, 0), (std::vector<float>{-11, -11, 1}));
}

TEST(ChartModel, AppendMoreThanThePointsKeepsTheNewest)
{
    ChartModel m = TwoByFour();
    m.AppendData(6, {1, 2, 3, 4, 5, 6, 10, 20, 30, 40, 50, 60}, {"1", "2", "3", "4", "5", "6"});
    EXPECT_EQ(Row(m, 0), (std::vector<float>{3, 4, 5, 6}));
    EXPECT_EQ(Row(m, 1), (std::vector<float>{30, 40, 50, 60}));
    EXPECT_EQ(m.PointLabel(0), "3");
}

TEST(ChartModel, ShortValueListsAppendNullsNotGarbage)
{
    ChartModel m = TwoByFour();
    m.AppendData(2, {7});
    EXPECT_EQ(Row(m, 0), (std::vector<float>{-11, -11, 7, -11}));
    EXPECT_EQ(Row(m, 1), std::vector<float>(4, -11.0f));
}

TEST(ChartModel, OutOfRangeIndicesAreIgnored)
{
    ChartModel m = TwoByFour();
    m.SetYData(2, 0, 5);
    m.SetYData(0, 4, 5);
    m.SetYData(-1, -1, 5);
    m.SetPointLabel(9, "x");
    EXPECT_EQ(m.YData(5, 5), -11.0f);
    EXPECT_EQ(Row(m, 0), std::vector<float>(4, -11.0f));
    EXPECT_EQ(m.AppendData(0, {}), 0);
    EXPECT_EQ(m.AppendData(-3, {}), 0);
    m.SetSubsetsToShow({0, 7, -2});
    EXPECT_TRUE(m.SubsetShown(0));
    EXPECT_FALSE(m.SubsetShown(1));
}

TEST(ChartModel, RightAxisTakesTheLastSubsets)
{
    ChartModel m;
    m.SetSubsets(4);
    m.SetRYAxisComparisonSubsets(2);
    EXPECT_FALSE(m.OnRightAxis(0));
    EXPECT_FALSE(m.OnRightAxis(1));
    EXPECT_TRUE(m.OnRightAxis(2));
    EXPECT_TRUE(m.OnRightAxis(3));
}

TEST(ChartModel, StackedAxesHaveTheirOwnRangesAndProportions)
{
    ChartModel m;
    m.SetSubsets(3);
    m.SetMultiAxesSubsets({1, 2});
    m.SetMultiAxesProportions({0.5, 0.5});
    m.SetWorkingAxis(1);
    m.SetManualY(-1, 1);
    m.SetYAxisLabel("second");
    EXPECT_EQ(m.AxisCount(), 2);
    EXPECT_EQ(m.AxisOfSubset(0), 0);
    EXPECT_EQ(m.AxisOfSubset(2), 1);
    EXPECT_EQ(m.YAxis(1).Label, "second");
    EXPECT_EQ(m.YAxis(1).Min, -1);
    EXPECT_EQ(m.YAxis(0).Max, 100); // untouched
    EXPECT_FALSE(m.OnRightAxis(2));   // no right axis while stacked
    EXPECT_DOUBLE_EQ(m.AxisProportion(0), 0.5);

    m.SetMultiAxesSubsets({1});
    EXPECT_EQ(m.WorkingAxis(), 0);
    EXPECT_DOUBLE_EQ(m.AxisProportion(0), 1.0);
    m.SetWorkingAxis(3); // no such axis
    EXPECT_EQ(m.WorkingAxis(), 0);
}
