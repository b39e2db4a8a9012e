#pragma once
#include <QString>
#include <array>
#include <cstdint>

struct GasConcentrations;

// One trend sample in plotting units, indexed by TrendChannel.
enum TrendChannel { kTrendCO2 = 0, kTrendO2 = 1, kTrendFreon = 2, kTrendNO = 3 };
using TrendValues = std::array<float, 4>;

// CO2 and O2 in percent, Freon in ppm (divided by 100 when the HC divisor is
// 100), NO in ppm, each a 32-bit float.
TrendValues TrendValuesOf(const GasConcentrations& gas, bool hcDivisor100);

// Below min gives min, then above max gives max.
float ClampToRange(float value, float min, float max);

// X label of a point: whole seconds since the graph started, "%10d".
QString ElapsedLabel(int64_t seconds);
