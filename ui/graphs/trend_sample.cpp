#include "ui/graphs/trend_sample.h"

#include <climits>

#include "link/bench_record.h"

namespace {
// Hundredths: the integer goes to single precision first, the product is stored as single.
float Hundredths(int32_t raw)
{
    return float(double(float(raw)) * 0.01);
}
} // namespace

TrendValues TrendValuesOf(const GasConcentrations& gas, bool hcDivisor100)
{
    TrendValues v{};
    v[kTrendCO2] = Hundredths(gas.CO2);
    v[kTrendO2] = Hundredths(gas.O2);
    v[kTrendFreon] = hcDivisor100 ? Hundredths(gas.Freon) : float(gas.Freon);
    v[kTrendNO] = float(gas.NO);
    return v;
}

float ClampToRange(float value, float min, float max)
{
    if (value < min)
        value = min;
    if (value > max)
        value = max;
    return value;
}

QString ElapsedLabel(int64_t seconds)
{
    const long long s = seconds < INT_MIN ? INT_MIN : seconds > INT_MAX ? INT_MAX : seconds;
    return QString::asprintf("%10d", int(s));
}
