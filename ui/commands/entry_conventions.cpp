#include "ui/commands/entry_conventions.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace Entry {

namespace {

int HexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

bool IsDigit(QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; }

} // namespace

std::optional<int32_t> ParseInteger(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    int base = 10;
    if (i < n && text[i] == QLatin1Char('$')) {
        base = 16;
        ++i;
    } else if (i < n && (text[i] == QLatin1Char('x') || text[i] == QLatin1Char('X'))) {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == QLatin1Char('0') && (text[i + 1] == QLatin1Char('x') || text[i + 1] == QLatin1Char('X'))) {
        base = 16;
        i += 2;
    }
    if (i >= n)
        return std::nullopt;
    // Accumulate in 64 bits and stop as soon as the value leaves the 32-bit range.
    int64_t value = 0;
    for (; i < n; ++i) {
        const int d = base == 16 ? HexDigit(text[i]) : (IsDigit(text[i]) ? text[i].unicode() - '0' : -1);
        if (d < 0)
            return std::nullopt;
        value = value * base + d;
        if (value > int64_t(std::numeric_limits<int32_t>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return int32_t(value);
}

std::optional<float> ParseDecimal(const QString& text, QChar separator)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    const qsizetype n = t.size();
    std::string plain; // the number rewritten with a dot for strtod
    if (i < n && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-')))
        plain += char(t[i++].unicode());
    int digits = 0;
    while (i < n && IsDigit(t[i])) {
        plain += char(t[i++].unicode());
        ++digits;
    }
    if (i < n && t[i] == separator) {
        plain += '.';
        ++i;
        while (i < n && IsDigit(t[i])) {
            plain += char(t[i++].unicode());
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i < n && (t[i] == QLatin1Char('e') || t[i] == QLatin1Char('E'))) {
        plain += 'e';
        ++i;
        if (i < n && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-')))
            plain += char(t[i++].unicode());
        int expDigits = 0;
        while (i < n && IsDigit(t[i])) {
            plain += char(t[i++].unicode());
            ++expDigits;
        }
        if (expDigits == 0)
            return std::nullopt;
    }
    if (i != n)
        return std::nullopt;
    const double d = std::strtod(plain.c_str(), nullptr);
    if (!std::isfinite(d) || std::fabs(d) > double(std::numeric_limits<float>::max()))
        return std::nullopt;
    return float(d);
}

double StepSize(Step step)
{
    switch (step) {
    case Step::Hundredth: return 0.01;
    case Step::Thousandth: return 0.001;
    case Step::Tenth: return 0.1;
    }
    return 1;
}

std::optional<int16_t> ParseScaled(const QString& text, Step step, QChar separator)
{
    const std::optional<float> x = ParseDecimal(text, separator);
    if (!x)
        return std::nullopt;
    double h = 0.005, m = 100;
    if (step == Step::Thousandth) {
        h = 0.0005;
        m = 1000;
    } else if (step == Step::Tenth) {
        h = 0.05;
        m = 10;
    }
    // Half a step away from zero on either side: adding it to a negative entry
    // before truncating toward zero would send -1.0 as -0.9 (one step short),
    // and each value read back and sent again would drift one more step.
    const double scaled = std::trunc((double(*x) + (*x < 0 ? -h : h)) * m);
    // Keep the low 16 bits without converting an out-of-range double to an integer.
    double low = std::fmod(scaled, 65536.0);
    if (low < 0)
        low += 65536.0;
    return int16_t(uint16_t(low));
}

std::optional<int16_t> ParseInteger16(const QString& text)
{
    const std::optional<int32_t> v = ParseInteger(text);
    if (!v)
        return std::nullopt;
    return int16_t(uint16_t(uint32_t(*v) & 0xFFFF));
}

QString FixedText(double value, int decimals, QChar separator)
{
    QString s = QString::number(value, 'f', decimals);
    if (separator != QLatin1Char('.'))
        s.replace(QLatin1Char('.'), separator);
    return s;
}

QString ScaledText(int v, Step step, int decimals, QChar separator)
{
    return FixedText(double(float(v * StepSize(step))), decimals, separator);
}

} // namespace Entry
