#include "sim/sim_parameters.h"

#include <gtest/gtest.h>

using sim::SimParameterStore;

TEST(SimParameters, NormaliseWritesNumbersInTheBenchsOwnForm)
{
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"1.50", "1.5"},
        {"1.5,2,0", "1.5,2,0"},
        {"0.000E0", "0"},
        {"+12", "12"},
        {"-0.0", "0"},
        {"007", "7"},
        {"1.23456789E-05", "1.23456789e-05"},
        {"12345678", "12345678"},
        {"abc,1.0", "abc,1"},  // not a number: kept as written
        {"1,,2", "1,,2"},
        {"", ""},
        {"1,2,", "1,2,"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SimParameterStore::Normalise(c.in), c.out) << c.in;
}

TEST(SimParameters, SeededStoreIsPlausibleAndReproducible)
{
    SimParameterStore a(7), b(7), c(8);
    int differ = 0;
    for (int n = 0; n < SimParameterStore::kCount; ++n) {
        EXPECT_FALSE(a.Ram(n).empty()) << n;
        EXPECT_EQ(a.Ram(n), b.Ram(n));
        EXPECT_EQ(a.Ram(n), a.Flash(n));
        EXPECT_EQ(a.Ram(n).find(' '), std::string::npos);
        differ += a.Ram(n) != c.Ram(n);
    }
    EXPECT_GT(differ, 100);
    // The calibration lists have the sizes a calibration file writes.
    auto values = [&](int n) { return 1 + std::count(a.Ram(n).begin(), a.Ram(n).end(), ','); };
    EXPECT_EQ(values(117), 20);
    EXPECT_EQ(values(274), 20);
    EXPECT_EQ(values(145), 12);
    EXPECT_EQ(values(154), 4);
}

TEST(SimParameters, StoreLoadAndDefaultsMoveBetweenTheCopies)
{
    SimParameterStore p(1);
    const std::string original = p.Ram(12);
    p.Write(12, "4.25");
    EXPECT_EQ(p.Flash(12), original);
    p.Load(12);
    EXPECT_EQ(p.Ram(12), original);
    p.Write(12, "4.25");
    p.Store(12);
    p.Write(12, "9");
    p.Load(12);
    EXPECT_EQ(p.Ram(12), "4.25");
    p.ResetToDefaults();
    EXPECT_EQ(p.Ram(12), original);
}

TEST(SimParameters, SeededValuesFitOneRequestAndReadBackAsWritten)
{
    for (uint32_t seed : {1u, 2u, 3u, 8u}) {
        SimParameterStore p(seed);
        for (int n = 0; n < SimParameterStore::kCount; ++n) {
            EXPECT_LE(p.Ram(n).size(), 250u) << seed << " " << n;
            EXPECT_EQ(SimParameterStore::Normalise(p.Ram(n)), p.Ram(n)) << seed << " " << n;
            EXPECT_EQ(p.CheckWrite(n, p.Ram(n)), 0) << seed << " " << n;
        }
    }
}

TEST(SimParameters, WritesWithEmptyOrTooManyValuesAreRefused)
{
    SimParameterStore p(1);
    const struct {
        int Number;
        const char* Text;
        int Reason;
    } cases[] = {
        {12, "", 0},           {12, "1,2,3,4", 0},   {12, "1,2,3,4,5", 0x48}, {12, "1,,2", 0x47},
        {12, ",1", 0x47},      {12, "1,", 0x47},     {145, "1,2,3,4,5,6,7,8,9,10,11,12", 0},
        {145, "1,2,3,4,5,6,7,8,9,10,11,12,13", 0x48}, {117, "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(p.CheckWrite(c.Number, c.Text), c.Reason) << c.Number << " " << c.Text;
}
