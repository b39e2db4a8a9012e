// The command dialog's entry parsers against plain models of the entry rules, and the round trip a
// user makes when a remembered scaled value is shown and sent again unchanged.
#include <fuzzer/FuzzedDataProvider.h>

#include <QString>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

#include "ui/commands/entry_conventions.h"
#include "fuzz_check.h"

namespace {

bool Digit(char c, int base)
{
    if (c >= '0' && c <= '9')
        return true;
    return base == 16 && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'));
}

int DigitValue(char c)
{
    return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

// Blanks, a sign, then decimal digits or hex digits after "0x", "0X", "$", "x" or "X"; nothing after.
std::optional<int32_t> ModelInteger(const std::string& t)
{
    size_t i = t.find_first_not_of(' ');
    if (i == std::string::npos)
        return std::nullopt;
    bool negative = false;
    if (t[i] == '+' || t[i] == '-')
        negative = t[i++] == '-';
    int base = 10;
    if (t.compare(i, 2, "0x") == 0 || t.compare(i, 2, "0X") == 0) {
        base = 16;
        i += 2;
    } else if (i < t.size() && (t[i] == '$' || t[i] == 'x' || t[i] == 'X')) {
        base = 16;
        ++i;
    }
    if (i == t.size())
        return std::nullopt;
    long double value = 0;
    for (; i < t.size(); ++i) {
        if (!Digit(t[i], base))
            return std::nullopt;
        value = value * base + DigitValue(t[i]);
    }
    if (negative)
        value = -value;
    if (value < -2147483648.0L || value > 2147483647.0L)
        return std::nullopt;
    return int32_t(value);
}

bool Blank(unsigned char c)
{
    return (c >= 9 && c <= 13) || c == ' ' || c == 0x85 || c == 0xA0;
}

// Trimmed text: sign, digits with at most one separator (at least one digit), optional exponent.
std::optional<float> ModelDecimal(const std::string& text, char sep)
{
    size_t b = 0, e = text.size();
    while (b < e && Blank(text[b]))
        ++b;
    while (e > b && Blank(text[e - 1]))
        --e;
    std::string plain;
    size_t i = b;
    if (i < e && (text[i] == '+' || text[i] == '-'))
        plain += text[i++];
    int digits = 0;
    bool separator = false;
    for (; i < e; ++i) {
        if (text[i] >= '0' && text[i] <= '9') {
            plain += text[i];
            ++digits;
        } else if (text[i] == sep && !separator) {
            separator = true;
            plain += '.';
        } else {
            break;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i < e && (text[i] == 'e' || text[i] == 'E')) {
        plain += text[i++];
        if (i < e && (text[i] == '+' || text[i] == '-'))
            plain += text[i++];
        const size_t first = i;
        while (i < e && text[i] >= '0' && text[i] <= '9')
            plain += text[i++];
        if (i == first)
            return std::nullopt;
    }
    if (i != e)
        return std::nullopt;
    const double d = std::strtod(plain.c_str(), nullptr);
    if (!std::isfinite(d) || std::fabs(d) > double(FLT_MAX))
        return std::nullopt;
    return float(d);
}

struct ScaledCase {
    Entry::Step step;
    int decimals;
};
constexpr ScaledCase kScaled[] = {{Entry::Step::Hundredth, 2}, {Entry::Step::Thousandth, 3}, {Entry::Step::Tenth, 1}};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const int16_t remembered = in.ConsumeIntegral<int16_t>();
    const char sep = in.ConsumeBool() ? ',' : '.';
    const std::string text = in.ConsumeRemainingBytesAsString();
    const QString entry = QString::fromLatin1(text.data(), qsizetype(text.size()));

    FUZZ_CHECK(Entry::ParseInteger(entry) == ModelInteger(text));

    const std::optional<float> d = Entry::ParseDecimal(entry, QLatin1Char(sep));
    const std::optional<float> model = ModelDecimal(text, sep);
    FUZZ_CHECK(d.has_value() == model.has_value());
    if (d)
        FUZZ_CHECK(*d == *model);

    for (const ScaledCase& c : kScaled) {
        if (!d)
            FUZZ_CHECK(!Entry::ParseScaled(entry, c.step, QLatin1Char(sep)));
        // A value shown in its field and sent again must send the same steps.
        const QString shown = Entry::ScaledText(remembered, c.step, c.decimals, QLatin1Char(sep));
        FUZZ_CHECK(Entry::ParseScaled(shown, c.step, QLatin1Char(sep)) == std::optional<int16_t>(remembered));
    }
    return 0;
}
