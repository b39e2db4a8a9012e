#include <gtest/gtest.h>

#include "cell_format.h"
#include "rows_fixture.h"

namespace {

struct OutputTest : ::testing::Test, RowsFixture {
    // Dem IR of bench b: CO2, Freon, Ref (DemodIR[0], [2], [3]).
    void SetDemod(int b, int32_t co2, int32_t freon, int32_t ref)
    {
        (*benches)[b].DemodIR = {co2, 999, freon, ref};
    }
};

TEST_F(OutputTest, NoneModeRowsAndLogLines)
{
    Open({0});
    StartLogging();
    log.WriteHeaderLine(rows.HeaderLine());
    SetGas(0, 1234, 250, 2090, 55);
    Reply(0);
    now += 1;
    SetGas(0, -5, 0, 0, 12345);
    Reply(0);
    EXPECT_EQ(rows.MeanRow(), 3);
    EXPECT_EQ(rows.AcceptCounter, 3);
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], "    Time       CO2 [%]  Freon[ppm]  O2 [%]  NO [ppm]");
    EXPECT_EQ(lines[2], "00:16:40    12.34      250  20.90    55");
    EXPECT_EQ(lines[3], "00:16:41    -0.05        0   0.00 12345");
    EXPECT_EQ(Row(2), lines[2]);
    EXPECT_EQ(log.LinesWritten(), 3);
}

TEST_F(OutputTest, CellFormatsOfEveryGroup)
{
    TRowSettings& s = rows.Settings;
    s.TimeStamp = false;
    s.AcceptCount = s.RelativeTime = s.DemodulatedIR = s.MinMaxADC = s.Temperatures = s.AmbTemp = s.Pressures =
        s.AmbPressure = s.RawNoxO2 = s.Pef = true;
    s.HCDivisor100 = true;
    Open({0});
    TBench& b = (*benches)[0];
    SetDemod(0, 123456, -7, 42);
    SetGas(0, 1234, 12345, 2090, 7);
    b.MinAdc = {-100, 0, -200, -300};
    b.MaxAdc = {100, 0, 200, 300};
    b.PressureData.DetCel = 35.9f;
    b.PressureData.DetSrc = -4.7f;
    b.DetTemp = {0, 0, 41, 0};
    b.ServiceData.AmbientTemp = 22.46f;
    b.PressureData.AbsPressure = 7601.9f;
    b.PressureData.DifPressure = -12.2f;
    b.PressureData.AmbPressure = 7500.5f;
    b.ServiceData.RawNO = 812;
    b.ServiceData.RawO2 = -3;
    b.ServiceData.Pef = 0.4876f;
    now = 1060;
    Reply(0);
    const std::vector<std::pair<const char*, std::string>> cells = {
        {"Accept", "     1"},  {"RTime", "        60"},
        {"Dem CO2", "  123456"}, {"Dem Freon", "      -7"}, {"Dem Ref", "      42"}, {"Dem empty", ""},
        {"CO2", "  12.34"},    {"Freon /100", "   123.45"}, {"O2", "  20.90"}, {"NO", "     7"}, {"gas empty", ""},
        {"Min CO2", "    -100"}, {"Max CO2", "     100"}, {"Min Freon", "    -200"}, {"Max Freon", "     200"},
        {"Min Ref", "    -300"}, {"Max Ref", "     300"}, {"ADC 6", ""}, {"ADC 7", ""},
        {"DetCel", "    35"},  {"DetSrc", "    -4"},  {"Det Freon", "    41"},
        {"AmbTemp", "  22.5"},
        {"Abs p", "  7601"},   {"Dif p", "   -12"},
        {"Amb p", "  7500"},
        {"Raw NO", "   812"},  {"Raw O2", "    -3"},
        {"PEF", " 0.488"},
    };
    ASSERT_EQ(rows.ColumnCount(), static_cast<int>(cells.size()));
    for (int c = 0; c < rows.ColumnCount(); ++c)
        EXPECT_EQ(grid.Cell(c, 2), cells[c].second) << cells[c].first;

    // HC divisor 1: whole ppm.
    s.HCDivisor100 = false;
    Reply(0);
    EXPECT_EQ(grid.Cell(rows.GroupColumn(kGroupGas, 0) + 1, 3), "    12345");
}

TEST_F(OutputTest, OnlyTheHighestOpenBenchMakesARow)
{
    Open({0, 2});
    SetGas(0, 100, 1, 1, 1);
    SetGas(2, 300, 3, 3, 3);
    Reply(0);
    Reply(0);
    EXPECT_EQ(rows.MeanRow(), 1); // bench 1 alone makes no row
    Reply(2);
    EXPECT_EQ(rows.MeanRow(), 2);
    EXPECT_FALSE((*benches)[0].NewRowData);
    EXPECT_EQ(grid.Cell(rows.GroupColumn(kGroupGas, 0), 2), "   1.00"); // bench 1's latest values
    EXPECT_EQ(grid.Cell(rows.GroupColumn(kGroupGas, 2), 2), "   3.00");
}

TEST_F(OutputTest, NoneModeScrollsWhenFull)
{
    Open({0});
    for (int i = 1; i <= 13; ++i) {
        SetGas(0, i * 100, 0, 0, 0);
        Reply(0);
    }
    EXPECT_EQ(rows.MeanRow(), 13);
    EXPECT_EQ(grid.Cell(1, 2), "   2.00"); // the oldest row is gone
    EXPECT_EQ(grid.Cell(1, 13), "  13.00");
    EXPECT_EQ(grid.Cell(1, 1), "  Bn 1"); // header untouched
}

TEST_F(OutputTest, MeanModeWritesOneRowPerBlock)
{
    rows.Settings.AveragingMode = kAverageMean;
    rows.Settings.DemodulatedIR = true;
    Open({0});
    StartLogging();
    for (int no : {1, 2, 2, 2}) {
        SetGas(0, 1000, 16777216, 2000, no);
        if (no == 1)
            SetGas(0, 1000, 16777216, 2000, no);
        else
            SetGas(0, 1000, 1, 2000, no);
        SetDemod(0, no, 0, 0);
        Reply(0);
        now += 1;
    }
    // Raw rows fill the raw area from R - RawRows.
    EXPECT_EQ(rows.RawRow(), 13);
    EXPECT_EQ(grid.Cell(8, 10), "     1"); // NO of the first sample
    EXPECT_EQ(rows.MeanRow(), 2);
    EXPECT_EQ(rows.SampleCount(), 0);
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 2u);
    // Time of the completing sample; integer Dem IR mean 7/4 -> 1; single
    // Freon sum loses the ones; NO mean with two decimals.
    EXPECT_EQ(lines[1], "00:16:43         1       0       0  10.00  4194304  20.00   1.75");
    EXPECT_EQ(Row(2), lines[1]);
    EXPECT_EQ(Row(rows.StdevRow()), Row(10)); // Mean mode: the stdev row is the first raw row
}

TEST_F(OutputTest, MeanStdevLinesFollowTheirMeanLine)
{
    rows.Settings.AveragingMode = kAverageMeanStdev;
    rows.Settings.DemodulatedIR = true;
    rows.Settings.GasConcentration = false;
    rows.Settings.AmbTemp = true;
    Open({0});
    StartLogging();
    const double amb[] = {20.0, 21.0, 22.0, 23.0};
    for (int i = 0; i < 4; ++i) {
        SetDemod(0, 10 * (i + 1), 5, 100);
        (*benches)[0].ServiceData.AmbientTemp = static_cast<float>(amb[i]);
        Reply(0);
    }
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "00:16:40        25       5     100  21.5");
    EXPECT_EQ(lines[2], "00:16:40  12.909944    0.0000    0.0000    1.2910    STDEV");
    EXPECT_EQ(rows.StdevRow(), 8);
    EXPECT_EQ(Row(8) + "    STDEV", lines[2]);
    EXPECT_EQ(log.LinesWritten(), 3);
}

TEST_F(OutputTest, OneSamplePerBlockGivesZeroDeviation)
{
    rows.Settings.AveragingMode = kAverageMeanStdev;
    rows.Settings.SamplesPerBlock = 1;
    rows.Settings.TimeStamp = false;
    Open({0});
    StartLogging();
    SetGas(0, 1234, 250, 2090, 55);
    Reply(0);
    SetGas(0, 1, 2, 3, 4);
    Reply(0);
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[1], "  12.34      250  20.90  55.00");
    EXPECT_EQ(lines[2], "    0.0000    0.0000    0.0000    0.0000    STDEV");
    EXPECT_EQ(lines[3], "   0.01        2   0.03   4.00");
}

TEST_F(OutputTest, ZeroSamplesPerBlockCompletesEverySample)
{
    rows.Settings.AveragingMode = kAverageMeanStdev;
    rows.Settings.SamplesPerBlock = 0;
    rows.Settings.TimeStamp = false;
    Open({0});
    StartLogging();
    for (int i = 0; i < 20; ++i) {
        SetGas(0, 100 * i, 0, 0, 0);
        Reply(0);
    }
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 41u);
    EXPECT_EQ(lines[39], "  19.00        0   0.00   0.00");
    EXPECT_EQ(lines[40], "    0.0000    0.0000    0.0000    0.0000    STDEV");
    EXPECT_EQ(grid.Cell(0, 13), "  19.00"); // the raw sample sits in the last row
}

TEST_F(OutputTest, RawAreaOfLongBlocksStaysEightRowsAndScrolls)
{
    rows.Settings.AveragingMode = kAverageMean;
    rows.Settings.SamplesPerBlock = 10;
    rows.Settings.TimeStamp = false;
    Open({0});
    for (int i = 1; i <= 9; ++i) {
        SetGas(0, 100 * i, 0, 0, 0);
        Reply(0);
    }
    EXPECT_EQ(rows.RawRow(), 13);
    EXPECT_EQ(grid.Cell(0, 5), ""); // above the raw area
    EXPECT_EQ(grid.Cell(0, 6), "   2.00");
    EXPECT_EQ(grid.Cell(0, 13), "   9.00");
    EXPECT_EQ(rows.MeanRow(), 1);
    SetGas(0, 1000, 0, 0, 0);
    Reply(0);
    EXPECT_EQ(rows.MeanRow(), 2);
    EXPECT_EQ(grid.Cell(0, 2), "   5.50");
}

TEST_F(OutputTest, MeanRowsScrollAboveTheStdevRow)
{
    rows.Settings.AveragingMode = kAverageMeanStdev;
    rows.Settings.SamplesPerBlock = 1;
    rows.Settings.TimeStamp = false;
    Open({0}); // R 14, raw row 13, stdev row 11, mean rows 2..9
    for (int i = 1; i <= 10; ++i) {
        SetGas(0, 100 * i, 0, 0, 0);
        Reply(0);
    }
    EXPECT_EQ(rows.StdevRow(), 11);
    EXPECT_EQ(rows.MeanRow(), 9);
    EXPECT_EQ(grid.Cell(0, 2), "   3.00");
    EXPECT_EQ(grid.Cell(0, 9), "  10.00");
    EXPECT_EQ(Row(10), "");
    EXPECT_EQ(Row(12), "");
}

TEST_F(OutputTest, Offsets)
{
    rows.Settings.DemodulatedIR = true;
    rows.Settings.Offset = true;
    rows.Settings.GasConcentration = false;
    rows.Settings.TimeStamp = false;
    Open({0});
    const int c = rows.GroupColumn(kGroupOffset, 0);
    auto offsetCells = [&](int row) {
        return std::vector<std::string>{grid.Cell(c, row), grid.Cell(c + 1, row), grid.Cell(c + 2, row),
                                        grid.Cell(c + 3, row)};
    };
    using Cells = std::vector<std::string>;
    // Off: zeros, no capture.
    SetDemod(0, 100, 200, 400);
    Reply(0);
    EXPECT_EQ(Row(2), "     100     200     400      0      0      0");
    EXPECT_FALSE(rows.Offsets.ReferenceValid[0]);

    rows.OffsetButton(true);
    Reply(0); // takes the reference and already uses it
    EXPECT_TRUE(rows.Offsets.ReferenceValid[0]);
    EXPECT_FALSE(rows.Offsets.CaptureRequested[0]);
    EXPECT_EQ(offsetCells(3), (Cells{"      0", "", "      0", "      0"}));
    SetDemod(0, 50, 198, 400);
    Reply(0);
    // Value 2 stands under "Offset3" in raw rows.
    EXPECT_EQ(offsetCells(4), (Cells{"   5000", "", "     99", "      0"}));

    // Block means put value 2 under "Offset2".
    rows.Settings.AveragingMode = kAverageMean;
    rows.Settings.SamplesPerBlock = 2;
    rows.RebuildHeader();
    Reply(0);
    Reply(0);
    EXPECT_EQ(offsetCells(2), (Cells{"   5000", "     99", "      0", ""}));
    EXPECT_EQ(rows.Offsets.Reference[0], (std::array<int32_t, 3>{100, 200, 400}));

    // A capture in an averaging mode waits for the block and takes its means.
    rows.OffsetButton(true);
    SetDemod(0, 10, 20, 0);
    Reply(0);
    EXPECT_TRUE(rows.Offsets.CaptureRequested[0]);
    SetDemod(0, 13, 20, 0);
    Reply(0);
    EXPECT_FALSE(rows.Offsets.CaptureRequested[0]);
    EXPECT_EQ(rows.Offsets.Reference[0], (std::array<int32_t, 3>{11, 20, 0}));

    rows.OffsetButton(false);
    EXPECT_FALSE(rows.Offsets.OffsetOn);
    EXPECT_TRUE(rows.Offsets.ReferenceValid[0]);
}

TEST_F(OutputTest, ManualCollectionLogsTheFirstRowAfterAccept)
{
    rows.Settings.AveragingMode = kAverageMeanStdev;
    rows.Settings.SamplesPerBlock = 1;
    rows.Settings.TimeStamp = false;
    rows.Settings.AcceptCount = true;
    rows.Settings.ManualCollect = true;
    rows.Settings.AcceptBtnEnabled = true;
    Open({0});
    StartLogging();
    SetGas(0, 100, 0, 0, 0);
    Reply(0);
    EXPECT_EQ(LogLines().size(), 1u);
    rows.AcceptRequested = true;
    SetGas(0, 200, 0, 0, 0);
    Reply(0);
    EXPECT_EQ(Row(rows.StdevRow()), "     1   2.00        0   0.00   0.00"); // the grid shows the accepted row
    Reply(0);
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "     1   2.00        0   0.00   0.00");
    EXPECT_EQ(lines[2], "     1    0.0000    0.0000    0.0000    0.0000    STDEV");
    EXPECT_EQ(rows.AcceptCounter, 2);
    EXPECT_FALSE(rows.AcceptRequested);
}

TEST_F(OutputTest, NothingIsLoggedWithFileLogOffOrNoFile)
{
    Open({0});
    Reply(0); // no file
    StartLogging();
    rows.Settings.LoggingOn = false;
    Reply(0);
    EXPECT_EQ(LogLines().size(), 1u);
    EXPECT_EQ(rows.AcceptCounter, 1);
    rows.Log = nullptr;
    rows.Settings.LoggingOn = true;
    Reply(0);
    EXPECT_EQ(rows.MeanRow(), 4);
}

TEST_F(OutputTest, FullLogShowsOneMessageAndKeepsCounting)
{
    log.SetLineLimit(4);
    Open({0});
    StartLogging();
    for (int i = 0; i < 5; ++i)
        Reply(0);
    EXPECT_EQ(LogLines().size(), 3u); // creation line and two rows
    EXPECT_EQ(sink.Shown, (std::vector<std::string>{"Information: Log File is full"}));
    EXPECT_EQ(rows.AcceptCounter, 6);
    EXPECT_EQ(rows.MeanRow(), 6); // rows are still shown
}

TEST_F(OutputTest, RowsCompletedDuringTheHistoryCopyAreShownNotWritten)
{
    Open({0});
    StartLogging();
    log.SetHistoryCopyBusy(true);
    Reply(0);
    log.SetHistoryCopyBusy(false);
    EXPECT_EQ(LogLines().size(), 1u);
    EXPECT_EQ(log.LinesWritten(), 1);
    EXPECT_EQ(rows.AcceptCounter, 2);
    EXPECT_EQ(rows.MeanRow(), 2);
}

TEST_F(OutputTest, GridReportsChangedRows)
{
    Open({0});
    std::vector<std::pair<int, int>> changes;
    grid.RowsChanged = [&](int a, int b) { changes.emplace_back(a, b); };
    Reply(0);
    EXPECT_EQ(changes, (std::vector<std::pair<int, int>>{{2, 2}}));
}

TEST_F(OutputTest, RecountActiveAtStart)
{
    Open({});
    rows.Settings.PortOpen = {false, true, false, false};
    rows.RecountActive();
    EXPECT_EQ(rows.LastActive(), 1);
    EXPECT_EQ(rows.ActiveCount(), 1);
}

} // namespace
