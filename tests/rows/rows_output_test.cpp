#include <gtest/gtest.h>

#include <algorithm>

#include "rows/cell_format.h"
#include "link/decoders.h"
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
    RowSettings& s = rows.Settings;
    s.TimeStamp = false;
    s.AcceptCount = s.RelativeTime = s.DemodulatedIR = s.MinMaxADC = s.Temperatures = s.AmbTemp = s.Pressures =
        s.AmbPressure = s.RawNoxO2 = s.Pef = true;
    s.HCDivisor100 = true;
    Open({0});
    BenchRecord& b = (*benches)[0];
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
    EXPECT_FALSE(rows.HasNewData(0));
    EXPECT_EQ(grid.Cell(rows.GroupColumn(kGroupGas, 0), 2), "   1.00"); // bench 1's latest values
    EXPECT_EQ(grid.Cell(rows.GroupColumn(kGroupGas, 2), 2), "   3.00");
}

// The row rule of the window and of halyard-log alike. The highest bench of the layout
// makes the rows unless its port is lost or it is silent (timed out or refused); then the
// next one down does, at once. The cells of every bench that is lost, silent or has not
// replied since it was asked for data stay empty, whatever its position, and the row keeps
// its layout: no value is ever repeated as if it were fresh.
TEST_F(OutputTest, RowRuleForLostSilentAndNotYetAnsweringBenches)
{
    struct Case {
        const char* Name;
        std::initializer_list<int> Open;
        std::initializer_list<int> Silent;     // timed out or refused: no reply comes
        std::initializer_list<int> Lost;       // port gone under the layout: no reply comes
        std::initializer_list<int> NotReplied; // asked for data, nothing came yet
        int Maker;         // -1: no reply makes a row
        const char* Cells; // CO2 cell of benches 1 to 4 in the row, '|' between ("-" not in the layout)
    } cases[] = {
        {"all answer", {0, 1, 2, 3}, {}, {}, {}, 3, "   1.00|   2.00|   3.00|   4.00"},
        {"bench 4 silent", {0, 1, 2, 3}, {3}, {}, {}, 2, "   1.00|   2.00|   3.00|"},
        {"benches 3 and 4 silent", {0, 1, 2, 3}, {2, 3}, {}, {}, 1, "   1.00|   2.00||"},
        {"a silent lower bench", {0, 1, 2, 3}, {1}, {}, {}, 3, "   1.00||   3.00|   4.00"},
        {"a lost lower bench", {0, 1, 2, 3}, {}, {1}, {}, 3, "   1.00||   3.00|   4.00"},
        {"the top bench lost", {0, 1, 2, 3}, {}, {3}, {}, 2, "   1.00|   2.00|   3.00|"},
        {"top lost and the next silent", {0, 1, 2, 3}, {2}, {3}, {}, 1, "   1.00|   2.00||"},
        {"a lower bench not replied yet", {0, 1, 2, 3}, {}, {}, {2}, 3, "   1.00|   2.00||   4.00"},
        {"only the top bench replied yet", {0, 1, 2, 3}, {}, {}, {0, 1, 2}, 3, "|||   4.00"},
        {"benches out of the layout are skipped", {0, 2}, {2}, {}, {}, 0, "   1.00|-||-"},
        {"every bench silent", {0, 1, 2, 3}, {0, 1, 2, 3}, {}, {}, -1, ""},
        {"every bench lost", {0, 1, 2, 3}, {}, {0, 1, 2, 3}, {}, -1, ""},
    };
    auto in = [](std::initializer_list<int> list, int b) { return std::find(list.begin(), list.end(), b) != list.end(); };
    for (const Case& c : cases) {
        RowsFixture f;
        f.Open(c.Open);
        for (int b = 0; b < 4; ++b) {
            f.SetGas(b, (b + 1) * 100, b + 1, b + 1, b + 1);
            // Every bench but the not-yet-replied ones answered earlier in the run.
            (*f.benches)[b].DataSinceRequest = !in(c.NotReplied, b);
            (*f.benches)[b].DataTimedOut = in(c.Silent, b);
            if (in(c.Lost, b))
                f.rows.Settings.PortOpen[b] = false; // as halyard-log's settings show a lost port
        }
        // Every bench that can reply does, lowest first; only the maker's reply makes a row.
        std::vector<int> madeBy;
        for (int b = 0; b < 4; ++b) {
            if (in(c.Silent, b) || in(c.Lost, b) || in(c.NotReplied, b))
                continue;
            const int before = f.rows.MeanRow();
            f.Reply(b);
            if (f.rows.MeanRow() != before)
                madeBy.push_back(b);
        }
        EXPECT_EQ(madeBy, c.Maker < 0 ? std::vector<int>{} : std::vector<int>{c.Maker}) << c.Name;
        EXPECT_EQ(f.rows.RowMaker(), c.Maker) << c.Name;
        if (c.Maker < 0)
            continue;
        std::string cells;
        for (int b = 0; b < 4; ++b) {
            const int col = f.rows.GroupColumn(kGroupGas, b);
            if (b > 0)
                cells += "|";
            if (col < 0) {
                cells += "-";
                continue;
            }
            // A bench without values: every cell blank, as wide as its value would be, so the
            // benches after it keep their place in the line.
            if (f.grid.Cell(col, 2).find_first_not_of(' ') == std::string::npos) {
                const int widths[5] = {7, 9, 7, 6, 0};
                for (int p = 0; p < kGroupWidth[kGroupGas]; ++p)
                    EXPECT_EQ(f.grid.Cell(col + p, 2), std::string(size_t(widths[p]), ' ')) << c.Name << " bench " << b + 1;
                continue;
            }
            cells += f.grid.Cell(col, 2);
        }
        EXPECT_EQ(cells, c.Cells) << c.Name;
        // The layout keeps its width: the header and the row span the same columns.
        EXPECT_EQ(f.rows.ColumnCount(), 1 + int(c.Open.size()) * kGroupWidth[kGroupGas]) << c.Name;
    }
}

// A lost bench whose device is back (and which was asked for its stream again): its values of
// before the loss stay out of the rows until it replies.
TEST_F(OutputTest, ABenchBackFromALostPortShowsNothingUntilItReplies)
{
    Open({0, 1, 2});
    for (int b = 0; b < 3; ++b)
        SetGas(b, (b + 1) * 100, 0, 0, 0);
    for (int b = 0; b < 3; ++b)
        Reply(b);
    const int bench2 = rows.GroupColumn(kGroupGas, 1);
    EXPECT_EQ(grid.Cell(bench2, 2), "   2.00");
    rows.Settings.PortOpen[1] = false; // lost
    Reply(2);
    EXPECT_EQ(grid.Cell(bench2, 3), "       ");
    rows.Settings.PortOpen[1] = true; // back; no reply yet
    Reply(2);
    EXPECT_EQ(grid.Cell(bench2, 4), "       ");
    Reply(1);
    Reply(2);
    EXPECT_EQ(grid.Cell(bench2, 5), "   2.00");
}

// The silent bench answers again: its replies make the rows at once, and bench 3's
// no longer do.
TEST_F(OutputTest, TheSpecifiedRuleReturnsWhenTheSilentBenchAnswers)
{
    Open({0, 1, 2, 3});
    StartLogging();
    for (int b = 0; b < 4; ++b)
        SetGas(b, (b + 1) * 100, 0, 0, 0);
    (*benches)[3].DataTimedOut = true;
    Reply(2);
    EXPECT_EQ(rows.MeanRow(), 2);
    (*benches)[3].DataTimedOut = false;
    Reply(2);
    EXPECT_EQ(rows.MeanRow(), 2) << "bench 4 answers again: bench 3 no longer makes rows";
    SetGas(3, 450, 0, 0, 0);
    Reply(3);
    EXPECT_EQ(rows.MeanRow(), 3);
    EXPECT_EQ(grid.Cell(rows.GroupColumn(kGroupGas, 3), 3), "   4.50");
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], Row(2));
    EXPECT_EQ(lines[2], Row(3));
    // Same time and benches 1 to 3 in both lines; the silent bench's place holds blanks.
    const size_t bench4 = lines[2].size() - 29;
    EXPECT_EQ(lines[1], lines[2].substr(0, bench4) + std::string(29, ' '));
}

// A block in which bench 4 was silent for a sample shows no mean for bench 4 (its
// sum would mix stale and missing samples); the next full block does.
TEST_F(OutputTest, ABlockWithASilentSampleHasNoMeanForThatBench)
{
    rows.Settings.AveragingMode = kAverageMeanStdev;
    rows.Settings.SamplesPerBlock = 2;
    Open({2, 3});
    SetGas(2, 300, 0, 0, 0);
    SetGas(3, 400, 0, 0, 0);
    (*benches)[3].DataTimedOut = true;
    Reply(2);
    (*benches)[3].DataTimedOut = false;
    SetGas(2, 500, 0, 0, 0);
    Reply(3);
    const int bench3 = rows.GroupColumn(kGroupGas, 2), bench4 = rows.GroupColumn(kGroupGas, 3);
    EXPECT_EQ(grid.Cell(bench3, rows.MeanRow()), "   4.00");
    EXPECT_EQ(grid.Cell(bench4, rows.MeanRow()), "       ");
    EXPECT_EQ(grid.Cell(bench4, rows.StdevRow()), "          ");
    EXPECT_EQ(grid.Cell(bench4 + 3, rows.MeanRow()), "       ") << "the NO mean's width";
    EXPECT_EQ(grid.Cell(bench4, rows.RawRow()), "   4.00") << "the answering sample is shown";

    SetGas(3, 600, 0, 0, 0);
    Reply(3);
    Reply(3);
    EXPECT_EQ(grid.Cell(bench4, rows.MeanRow()), "   6.00") << "sums restarted with the new block";
    EXPECT_EQ(grid.Cell(bench4, rows.StdevRow()), "    0.0000");
}

// Ambient temperatures -200.0 and -199.9 from two $06 replies: their block mean is
// -199.95 between two prints, and only readings stored as the nearest single to
// their decimal value print it as -199.9.
TEST_F(OutputTest, AmbientTemperatureMeanOfDecodedReadings)
{
    rows.Settings.GasConcentration = false;
    rows.Settings.TimeStamp = false;
    rows.Settings.AmbTemp = true;
    rows.Settings.AveragingMode = kAverageMean;
    rows.Settings.SamplesPerBlock = 2;
    Open({0});
    for (int16_t tenths : {int16_t(-2000), int16_t(-1999)}) {
        RxFrame f;
        f.Start = 0x06;
        f.Code = 0x06;
        f.Length = 30;
        f.Data[26] = uint8_t(uint16_t(tenths) >> 8);
        f.Data[27] = uint8_t(tenths & 0xFF);
        ASSERT_TRUE(StoreDataStatus6((*benches)[0], f));
        Reply(0);
    }
    EXPECT_EQ(grid.Cell(rows.GroupColumn(kGroupAmbTemp, 0), rows.MeanRow()), "-199.9");
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
