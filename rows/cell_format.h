#pragma once
#include <cstdint>
#include <string>

// Cell texts of the data grid (which are also the log file's fields) and the
// value conversions that decide what a cell prints.

// printf into a reused cell string.
void FormatCell(std::string& cell, const char* format, ...) __attribute__((format(printf, 2, 3)));
// An integer in a "%<width>lld" format, without the printf machinery (the
// row output formats hundreds of cells per sample); other formats go to printf.
void FormatInteger(std::string& cell, const char* format, long long value);
std::string CellText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// raw * 0.01 as the bench values are scaled: the integer made single, the
// product taken in extended precision and stored as single again.
float Hundredths(int32_t raw);

// A float truncated toward zero and stored as signed 16-bit (wrapping as a
// 16-bit store does); NaN gives 0 and out-of-range values saturate first.
int16_t TruncToInt16(float value);

// Offset of a demodulated IR value against its reference:
// (1 - single(raw / reference)) * 10000, truncated toward zero; 0 for a reference of 0.
int64_t OffsetValue(int32_t raw, int32_t reference);
