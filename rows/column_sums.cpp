#include "rows/column_sums.h"

#include <cmath>

void ColumnSums::AddInteger(int64_t v)
{
    IntSum += v;
    const double d = static_cast<double>(v);
    SumSquares += d * d;
}

void ColumnSums::AddSingle(float v)
{
    SingleSum += v;
    const double d = v;
    SumSquares += d * d;
}

void ColumnSums::AddDouble(double v)
{
    DoubleSum += v;
    SumSquares += v * v;
}

int64_t ColumnSums::IntegerMean(int n) const
{
    return n > 0 ? IntSum / n : 0;
}

double ColumnSums::FloatMean(SumKind kind, int n) const
{
    if (n <= 0)
        return 0;
    switch (kind) {
    case SumKind::Integer: return static_cast<double>(IntSum) / n;
    case SumKind::Single: return static_cast<double>(SingleSum) / n;
    case SumKind::Double: return DoubleSum / n;
    }
    return 0;
}

double ColumnSums::StandardDeviation(SumKind kind, int n) const
{
    if (n <= 1)
        return 0;
    const double sum = kind == SumKind::Integer  ? static_cast<double>(IntSum)
                       : kind == SumKind::Single ? static_cast<double>(SingleSum)
                                                 : DoubleSum;
    const double variance = (SumSquares - sum * sum / n) / (n - 1);
    if (!(variance > 0))
        return 0;
    return std::sqrt(variance);
}
