#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "rows/column_sums.h"
#include "rows/cell_format.h"

namespace {

TEST(CellFormat, ValueConversions)
{
    EXPECT_EQ(CellText("%7.2f", double(Hundredths(1234))), "  12.34");
    EXPECT_EQ(CellText("%7.2f", double(Hundredths(-5))), "  -0.05");
    EXPECT_EQ(Hundredths(2090), 20.9f);

    struct Trunc {
        float in;
        int16_t out;
    };
    for (const Trunc& t : std::vector<Trunc>{{25.9f, 25}, {-25.9f, -25}, {32767.5f, 32767}, {32768.f, -32768},
                                             {65537.f, 1}, {std::numeric_limits<float>::quiet_NaN(), 0},
                                             {std::numeric_limits<float>::infinity(), -1}}) {
        SCOPED_TRACE(t.in);
        EXPECT_EQ(TruncToInt16(t.in), t.out);
    }
}

TEST(CellFormat, Offsets)
{
    struct Case {
        int32_t raw, reference;
        int64_t offset;
    };
    const std::vector<Case> cases = {
        {1000, 1000, 0},
        {500, 1000, 5000},
        {99, 100, 99}, // single-precision ratio: not 100
        {1500, 1000, -5000},
        {123, 0, 0},   // no reference: no division
        {INT32_MIN, -1, (1 - 2147483648LL) * 10000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.raw) + "/" + std::to_string(c.reference));
        EXPECT_EQ(OffsetValue(c.raw, c.reference), c.offset);
    }
}

TEST(CellFormat, IntegerCellsMatchPrintf)
{
    for (const char* format : {"%6lld", "%8lld", "%10lld", "%lld", "%1lld", "%08lld", "%-6lld"}) {
        for (long long v : {0LL, 7LL, -7LL, 123456LL, -32768LL, 2147483647LL, -9223372036854775807LL - 1}) {
            std::string cell = "old";
            FormatInteger(cell, format, v);
            EXPECT_EQ(cell, CellText(format, v)) << format << " " << v;
        }
    }
}

TEST(CellFormat, WideValuesAreNotCut)
{
    EXPECT_EQ(CellText("%f", 1e30).size(), 38u);
    EXPECT_EQ(CellText("%8lld", 123456789012LL), "123456789012");
}

TEST(BlockStats, MeansDependOnTheKindOfSum)
{
    ColumnSums ints;
    for (int v : {1, 2, 2, 2})
        ints.AddInteger(v);
    EXPECT_EQ(ints.IntegerMean(4), 1); // 7 / 4 truncated
    ColumnSums negative;
    for (int v : {-1, -2, -2, -2})
        negative.AddInteger(v);
    EXPECT_EQ(negative.IntegerMean(4), -1); // toward zero

    // 2^24 + 1 + 1 + 1: a single sum loses the ones, a double sum keeps them.
    ColumnSums single, dbl;
    for (float v : {16777216.f, 1.f, 1.f, 1.f}) {
        single.AddSingle(v);
        dbl.AddDouble(v);
    }
    EXPECT_EQ(CellText("%9.0f", single.FloatMean(SumKind::Single, 4)), "  4194304");
    EXPECT_EQ(CellText("%9.2f", dbl.FloatMean(SumKind::Double, 4)), "4194304.75");

    // Long blocks of large values do not wrap a 32-bit sum.
    ColumnSums big;
    for (int i = 0; i < 100000; ++i)
        big.AddInteger(32767);
    EXPECT_EQ(big.IntegerMean(100000), 32767);
}

TEST(BlockStats, SampleStandardDeviation)
{
    struct Case {
        const char* name;
        std::vector<double> values;
        SumKind kind;
        double stdev;
    };
    const std::vector<Case> cases = {
        {"four integers", {10, 20, 30, 40}, SumKind::Integer, std::sqrt(500.0 / 3)},
        {"one sample", {42}, SumKind::Integer, 0},
        {"all equal", {7, 7, 7}, SumKind::Single, 0},
        {"rounding would go negative", {0.1, 0.1, 0.1}, SumKind::Double, 0},
        {"two doubles", {1.5, 2.5}, SumKind::Double, std::sqrt(0.5)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ColumnSums s;
        for (double v : c.values) {
            if (c.kind == SumKind::Integer)
                s.AddInteger(static_cast<int64_t>(v));
            else if (c.kind == SumKind::Single)
                s.AddSingle(static_cast<float>(v));
            else
                s.AddDouble(v);
        }
        const double sd = s.StandardDeviation(c.kind, static_cast<int>(c.values.size()));
        EXPECT_FALSE(std::isnan(sd));
        EXPECT_GE(sd, 0);
        EXPECT_NEAR(sd, c.stdev, 1e-6);
    }
    EXPECT_EQ(CellText("%f", std::sqrt(500.0 / 3)), "12.909944");
    ColumnSums empty;
    EXPECT_EQ(empty.StandardDeviation(SumKind::Integer, 0), 0);
    EXPECT_EQ(empty.IntegerMean(0), 0);
    EXPECT_EQ(empty.FloatMean(SumKind::Single, 0), 0);
}

} // namespace
