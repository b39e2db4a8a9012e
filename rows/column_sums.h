#pragma once
#include <cstdint>

// Sums of one value column over an averaging block. The kind of sum decides
// the printed mean: integer sums give a truncated integer mean, single sums
// carry single-precision rounding, double sums do not.
enum class SumKind { Integer, Single, Double };

struct ColumnSums {
    int64_t IntSum = 0; // 64-bit: long blocks of large values must not wrap
    float SingleSum = 0;
    double DoubleSum = 0;
    double SumSquares = 0;

    void Clear() { *this = ColumnSums{}; }
    void AddInteger(int64_t v);
    void AddSingle(float v);
    void AddDouble(double v);

    // Mean of n samples: integer division truncated toward zero.
    int64_t IntegerMean(int n) const;
    // Mean of n samples of a floating sum of the given kind.
    double FloatMean(SumKind kind, int n) const;
    // Sample standard deviation of n samples; 0 for one sample, and 0 when
    // rounding makes the variance 0, negative or not a number.
    double StandardDeviation(SumKind kind, int n) const;
};
