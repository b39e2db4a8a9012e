#include "rows/cell_format.h"

#include <cmath>
#include <cstdarg>
#include <charconv>
#include <cstdio>
#include <cstring>

namespace {
void FormatV(std::string& cell, const char* format, va_list args)
{
    char buffer[128];
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    if (n < 0) {
        cell.clear();
    } else if (n < static_cast<int>(sizeof buffer)) {
        cell.assign(buffer, static_cast<size_t>(n));
    } else {
        // Very large numbers in "%f" cells.
        cell.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(cell.data(), cell.size(), format, again);
        cell.resize(static_cast<size_t>(n));
    }
    va_end(again);
}
} // namespace

void FormatCell(std::string& cell, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatV(cell, format, args);
    va_end(args);
}

void FormatInteger(std::string& cell, const char* format, long long value)
{
    // Fast path for "%lld" and "%<width>lld" (no flags); anything else is printf's.
    if (format[0] == '%' && format[1] != '0') {
        const char* p = format + 1;
        int width = 0;
        while (*p >= '0' && *p <= '9' && width < 1000)
            width = width * 10 + (*p++ - '0');
        if (std::strcmp(p, "lld") == 0) {
            char digits[24];
            const auto r = std::to_chars(digits, digits + sizeof digits, value);
            const size_t n = static_cast<size_t>(r.ptr - digits);
            const size_t pad = static_cast<size_t>(width) > n ? static_cast<size_t>(width) - n : 0;
            cell.assign(pad, ' ');
            cell.append(digits, n);
            return;
        }
    }
    FormatCell(cell, format, value);
}

std::string CellText(const char* format, ...)
{
    std::string cell;
    va_list args;
    va_start(args, format);
    FormatV(cell, format, args);
    va_end(args);
    return cell;
}

float Hundredths(int32_t raw)
{
    return static_cast<float>(static_cast<long double>(static_cast<float>(raw)) * 0.01L);
}

int16_t TruncToInt16(float value)
{
    if (std::isnan(value))
        return 0;
    const double t = std::trunc(static_cast<double>(value));
    const int64_t whole = t >= 9.2e18 ? INT64_MAX : t <= -9.2e18 ? INT64_MIN : static_cast<int64_t>(t);
    return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint64_t>(whole) & 0xFFFFu));
}

int64_t OffsetValue(int32_t raw, int32_t reference)
{
    if (reference == 0)
        return 0;
    const float ratio = static_cast<float>(static_cast<long double>(raw) / reference);
    const long double value = (1.0L - static_cast<long double>(ratio)) * 10000.0L;
    // |raw / reference| stays below 2^31, so the product fits in 64 bits.
    return static_cast<int64_t>(std::trunc(value));
}
