#include <gtest/gtest.h>

#include "rows_fixture.h"

namespace {

using Layout = RowsFixture;

struct LayoutTest : ::testing::Test, RowsFixture {};

TEST_F(LayoutTest, OneBenchTimeAndGasHeader)
{
    Open({0});
    EXPECT_EQ(rows.ColumnCount(), 6);
    EXPECT_EQ(rows.TimeColumn(), 0);
    EXPECT_EQ(rows.AcceptColumn(), -1);
    EXPECT_EQ(rows.RelTimeColumn(), -1);
    EXPECT_EQ(rows.GroupColumn(kGroupGas, 0), 1);
    EXPECT_EQ(rows.HeaderLine(), "    Time       CO2 [%]  Freon[ppm]  O2 [%]  NO [ppm]");
    EXPECT_EQ(grid.Cell(1, 1), "  Bn 1");
    EXPECT_EQ(grid.Cell(0, 1), "");
    EXPECT_EQ(grid.ColumnCount(), GridModel::kShownColumns);
}

TEST_F(LayoutTest, BenchesOneAndThreeStandSideBySide)
{
    rows.Settings.DemodulatedIR = true;
    Open({0, 2});
    EXPECT_EQ(rows.FirstActive(), 0);
    EXPECT_EQ(rows.LastActive(), 2);
    EXPECT_EQ(rows.ActiveCount(), 2);
    // Time, then Dem IR of benches 1 and 3 (4 each), then Gas (5 each).
    EXPECT_EQ(rows.GroupColumn(kGroupDemodIR, 0), 1);
    EXPECT_EQ(rows.GroupColumn(kGroupDemodIR, 2), 5);
    EXPECT_EQ(rows.GroupColumn(kGroupGas, 0), 9);
    EXPECT_EQ(rows.GroupColumn(kGroupGas, 2), 14);
    EXPECT_EQ(rows.GroupColumn(kGroupGas, 1), -1);
    EXPECT_EQ(rows.ColumnCount(), 19);
    for (auto [col, text] : std::vector<std::pair<int, std::string>>{
             {1, "  Bn 1"}, {5, "  Bn 3"}, {9, "  Bn 1"}, {14, "  Bn 3"}, {2, ""}, {13, ""}})
        EXPECT_EQ(grid.Cell(col, 1), text) << col;
    EXPECT_EQ(grid.Cell(13, 0), ""); // fifth gas column of bench 1 is empty
    EXPECT_EQ(grid.Cell(14, 0), "  CO2 [%]");
}

TEST_F(LayoutTest, EveryGroupForFourBenchesGrowsTheGrid)
{
    RowSettings& s = rows.Settings;
    s.AcceptCount = s.RelativeTime = s.DemodulatedIR = s.Offset = s.MinMaxADC = s.Temperatures = s.AmbTemp =
        s.Pressures = s.AmbPressure = s.RawNoxO2 = s.Pef = true;
    Open({0, 1, 2, 3});
    EXPECT_EQ(rows.ColumnCount(), 3 + 4 * 31);
    EXPECT_EQ(grid.ColumnCount(), rows.ColumnCount()); // beyond 64: shown, not dropped
    EXPECT_EQ(rows.AcceptColumn(), 0);
    EXPECT_EQ(rows.TimeColumn(), 1);
    EXPECT_EQ(rows.RelTimeColumn(), 2);
    // Layout order: DemIR, Offset, Gas, ADC, DetTemp, AmbTemp, Pressures, AmbP, RawNO/O2, PEF.
    const std::vector<std::pair<int, int>> firstColumns = {
        {kGroupDemodIR, 3}, {kGroupOffset, 19}, {kGroupGas, 35}, {kGroupMinMaxADC, 55}, {kGroupDetTemp, 87},
        {kGroupAmbTemp, 99}, {kGroupPressures, 103}, {kGroupAmbPressure, 111}, {kGroupRawNoO2, 115},
        {kGroupPef, 123}};
    for (auto [g, c] : firstColumns) {
        SCOPED_TRACE(g);
        for (int b = 0; b < 4; ++b)
            EXPECT_EQ(rows.GroupColumn(g, b), c + b * kGroupWidth[g]);
    }
    EXPECT_EQ(rows.HeaderLine().substr(0, 37), "Accept    Time       RTime   Dem CO2 ");
    EXPECT_EQ(grid.Cell(126, 0), "  PEF ");
    EXPECT_EQ(grid.Cell(126, 1), "  Bn 4");
    EXPECT_EQ(grid.Cell(57, 0), " Min Freon ");
    EXPECT_EQ(grid.Cell(89, 0), "Det Freon");
}

TEST_F(LayoutTest, NoOpenBenchGivesNoColumns)
{
    Open({});
    EXPECT_EQ(rows.ColumnCount(), 0);
    EXPECT_EQ(rows.FirstActive(), -1);
    EXPECT_EQ(rows.LastActive(), 0);
    EXPECT_EQ(rows.HeaderLine(), "");
    StartLogging();
    log.WriteHeaderLine(rows.HeaderLine());
    EXPECT_EQ(LogLines().back(), " ");
}

TEST_F(LayoutTest, RowAreaLayout)
{
    struct Case {
        const char* name;
        int height, mode, perBlock;
        bool accept;
        int r, rawRows, rawRow, stdevRow;
    };
    const std::vector<Case> cases = {
        {"200 pixels is the 14-row minimum", 200, 0, 4, false, 14, 4, 9, 10},
        {"600 pixels", 600, 1, 4, false, 36, 4, 31, 32},
        {"mean+stdev", 200, 2, 4, false, 14, 4, 9, 8},
        {"manual collection", 200, 1, 4, true, 14, 4, 9, 8},
        {"raw area at most 8 rows", 200, 1, 20, false, 14, 8, 5, 6},
        {"zero samples per block", 200, 2, 0, false, 14, 0, 13, 12},
        {"negative samples per block", 200, 1, -3, false, 14, 0, 13, 14},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rows.Settings.GridHeightPixels = c.height;
        rows.Settings.AveragingMode = c.mode;
        rows.Settings.SamplesPerBlock = c.perBlock;
        rows.Settings.AcceptBtnEnabled = c.accept;
        Open({1});
        EXPECT_EQ(rows.RowCount(), c.r);
        EXPECT_EQ(grid.RowCount(), c.r);
        EXPECT_EQ(rows.RawRows(), c.rawRows);
        EXPECT_EQ(rows.RawRow(), c.rawRow);
        EXPECT_EQ(rows.StdevRow(), c.stdevRow);
        EXPECT_EQ(rows.MeanRow(), 1);
        EXPECT_EQ(rows.SampleCount(), 0);
    }
}

TEST_F(LayoutTest, RebuildEmptiesTheGridAndKeepsCountersAndOffsets)
{
    Open({0});
    SetGas(0, 100, 1, 2, 3);
    Reply(0);
    rows.AcceptCounter = 7;
    rows.Offsets.ReferenceValid[0] = true;
    int layouts = 0;
    grid.LayoutChanged = [&] { ++layouts; };
    rows.Settings.TimeStamp = false;
    rows.RebuildHeader();
    EXPECT_EQ(layouts, 1);
    EXPECT_EQ(Row(2), "");
    EXPECT_EQ(rows.ColumnCount(), 5);
    EXPECT_EQ(rows.AcceptCounter, 7);
    EXPECT_TRUE(rows.Offsets.ReferenceValid[0]);
}

} // namespace
