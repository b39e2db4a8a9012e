#include "ui/commands/entry_conventions.h"

#include <gtest/gtest.h>

#include <optional>

using Entry::Step;

namespace {

struct IntegerCase {
    const char* Text;
    std::optional<int32_t> Value;
};

TEST(EntryConventions, IntegerEntry)
{
    const IntegerCase cases[] = {
        {"16", 16},          {"  16", 16},        {"+5", 5},           {"-1", -1},
        {"0x10", 16},        {"0X1f", 31},        {"$10", 16},         {"x10", 16},
        {"X0A", 10},         {"-$10", -16},       {"0", 0},            {"007", 7},
        {"2147483647", 2147483647}, {"-2147483648", INT32_MIN}, {"$7FFFFFFF", INT32_MAX},
        // Faults: nothing may follow, no empty number, 32-bit range only.
        {"", std::nullopt},  {"   ", std::nullopt}, {"16 ", std::nullopt}, {"abc", std::nullopt},
        {"12a", std::nullopt}, {"1e3", std::nullopt}, {"2.5", std::nullopt}, {"$", std::nullopt},
        {"0x", std::nullopt}, {"-", std::nullopt},  {"- 5", std::nullopt}, {"$G", std::nullopt},
        {"2147483648", std::nullopt}, {"-2147483649", std::nullopt}, {"$80000000", std::nullopt},
        {"99999999999999999999", std::nullopt},
    };
    for (const IntegerCase& c : cases)
        EXPECT_EQ(Entry::ParseInteger(QString::fromLatin1(c.Text)), c.Value) << c.Text;
}

struct ScaledCase {
    const char* Text;
    Step StepOf;
    char Separator;
    std::optional<int16_t> Value;
};

TEST(EntryConventions, ScaledEntryRoundsThroughA32BitFloat)
{
    const ScaledCase cases[] = {
        // 2.675 is held as 2.67499995, so the half step does not lift it to 268.
        {"2.675", Step::Hundredth, '.', 267},
        {"2.68", Step::Hundredth, '.', 268},
        {"12.34", Step::Tenth, '.', 123},
        {"1.5", Step::Thousandth, '.', 1500},
        {"0.0004", Step::Thousandth, '.', 0},
        {" 2.5 ", Step::Tenth, '.', 25},
        {"1e2", Step::Tenth, '.', 1000},
        {"5.", Step::Tenth, '.', 50},
        {".5", Step::Tenth, '.', 5},
        // Half a step away from zero on both sides, then truncation toward zero.
        {"-1", Step::Hundredth, '.', -100},
        {"-1.0", Step::Tenth, '.', -10},
        {"-0.04", Step::Tenth, '.', 0},
        {"-0.05", Step::Tenth, '.', -1},
        {"-2.675", Step::Hundredth, '.', -267},
        {"-1.5", Step::Thousandth, '.', -1500},
        {"-327.68", Step::Hundredth, '.', -32768},
        // No range check: the low 16 bits.
        {"327.68", Step::Hundredth, '.', -32768},
        {"655.36", Step::Hundredth, '.', 0},
        // The system's separator only.
        {"1,5", Step::Tenth, ',', 15},
        {"1,5", Step::Tenth, '.', std::nullopt},
        {"1.5", Step::Tenth, ',', std::nullopt},
        {"abc", Step::Tenth, '.', std::nullopt},
        {"", Step::Tenth, '.', std::nullopt},
        {"0x10", Step::Tenth, '.', std::nullopt},
        {"1e", Step::Tenth, '.', std::nullopt},
        {"12a", Step::Hundredth, '.', std::nullopt},
        // Beyond a 32-bit float: refused rather than cut to an arbitrary integer.
        {"1e39", Step::Tenth, '.', std::nullopt},
        {"inf", Step::Tenth, '.', std::nullopt},
        {"nan", Step::Tenth, '.', std::nullopt},
    };
    for (const ScaledCase& c : cases)
        EXPECT_EQ(Entry::ParseScaled(QString::fromLatin1(c.Text), c.StepOf, QLatin1Char(c.Separator)), c.Value)
            << c.Text;
}

TEST(EntryConventions, HugeScaledValuesKeepTheirLow16Bits)
{
    // 1e7 * 100 = 1e9 = 0x3B9ACA00: low 16 bits 0xCA00.
    EXPECT_EQ(Entry::ParseScaled(QStringLiteral("1e7"), Step::Hundredth, QLatin1Char('.')), int16_t(0xCA00));
    EXPECT_EQ(Entry::ParseScaled(QStringLiteral("-1e30"), Step::Hundredth, QLatin1Char('.')).has_value(), true);
}

TEST(EntryConventions, Integer16KeepsTheLow16Bits)
{
    EXPECT_EQ(Entry::ParseInteger16(QStringLiteral("65537")), int16_t(1));
    EXPECT_EQ(Entry::ParseInteger16(QStringLiteral("-1")), int16_t(-1));
    EXPECT_EQ(Entry::ParseInteger16(QStringLiteral("$8000")), int16_t(-32768));
    EXPECT_EQ(Entry::ParseInteger16(QStringLiteral("1.0")), std::nullopt);
}

TEST(EntryConventions, ScaledDisplay)
{
    EXPECT_EQ(Entry::ScaledText(267, Step::Hundredth, 2, QLatin1Char('.')), QStringLiteral("2.67"));
    EXPECT_EQ(Entry::ScaledText(-5, Step::Tenth, 1, QLatin1Char('.')), QStringLiteral("-0.5"));
    EXPECT_EQ(Entry::ScaledText(1, Step::Thousandth, 3, QLatin1Char(',')), QStringLiteral("0,001"));
    EXPECT_EQ(Entry::ScaledText(-32768, Step::Tenth, 1, QLatin1Char('.')), QStringLiteral("-3276.8"));
    EXPECT_EQ(Entry::ScaledText(0, Step::Hundredth, 2, QLatin1Char('.')), QStringLiteral("0.00"));
}

// A value shown and read back is sent unchanged, negative ones included, so
// repeated Sends of a panel never drift.
TEST(EntryConventions, ShownValuesReadBackUnchanged)
{
    for (int v : {0, 1, 267, 999, 12345, 32767, -1, -9, -10, -267, -999, -12345, -32768}) {
        for (auto [step, decimals] : {std::pair{Step::Hundredth, 2}, {Step::Thousandth, 3}, {Step::Tenth, 1}}) {
            const QString shown = Entry::ScaledText(v, step, decimals, QLatin1Char('.'));
            EXPECT_EQ(Entry::ParseScaled(shown, step, QLatin1Char('.')), int16_t(v)) << qPrintable(shown);
        }
    }
}

} // namespace
