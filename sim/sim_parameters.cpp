#include "sim/sim_parameters.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>

namespace sim {

namespace {

// Calibration parameters hold lists; their sizes follow the calibration file layout.
int ListSize(int n)
{
    static const std::set<int> span{117, 118, 119, 120, 126, 127, 128, 129, 130, 131, 132, 133,
                                    134, 135, 136, 137, 138, 139, 140, 141, 257, 258, 259, 260,
                                    261, 262, 263, 264, 265, 266, 267, 268, 269, 270, 271, 272};
    if (span.count(n) || n == 273 || n == 274)
        return 20;
    if (n == 145)
        return 12;
    if (n >= 152 && n <= 154)
        return 4;
    return 0;
}

std::string FormatDouble(double v)
{
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

std::string SeedValue(int n, std::mt19937& rng)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    auto coefficient = [&]() {
        // Four significant digits with an exponent, as calibration tools write them.
        const double mant = (unit(rng) * 2.0 - 1.0) * 9.999;
        const int exp = int(unit(rng) * 10) - 8;
        // Through text, so the value has no binary tail: a list of twenty still fits one request.
        char text[32];
        std::snprintf(text, sizeof text, "%.3fe%d", mant, exp);
        return FormatDouble(std::strtod(text, nullptr));
    };
    const int list = ListSize(n);
    std::string text;
    if (list > 0) {
        for (int i = 0; i < list; ++i) {
            if (i)
                text += ',';
            if (n == 152 || n == 153)
                text += FormatDouble(std::round((10.0 + 10.0 * i + unit(rng)) * 100.0) / 100.0);
            else if (n == 154)
                text += FormatDouble(std::round((758.0 + unit(rng) * 4.0) * 100.0) / 100.0);
            else
                text += coefficient();
        }
        return text;
    }
    switch (n % 4) {
    case 0: // a plain count
        return std::to_string(int(unit(rng) * 1000));
    case 1: // a factor
        return FormatDouble(std::round(unit(rng) * 100000.0) / 1000.0);
    case 2: { // a few integers
        const int k = 2 + int(unit(rng) * 3);
        for (int i = 0; i < k; ++i) {
            if (i)
                text += ',';
            text += std::to_string(int(unit(rng) * 4096) - 512);
        }
        return text;
    }
    default: // a small flag
        return std::to_string(int(unit(rng) * 2));
    }
}

} // namespace

SimParameterStore::SimParameterStore(uint32_t seed)
{
    std::mt19937 rng(seed ^ 0x5EA3u);
    for (int n = 0; n < kCount; ++n)
        ram_[size_t(n)] = SeedValue(n, rng);
    flash_ = ram_;
    defaults_ = ram_;
}

const std::string& SimParameterStore::Ram(int number) const { return ram_.at(size_t(number)); }
const std::string& SimParameterStore::Flash(int number) const { return flash_.at(size_t(number)); }

void SimParameterStore::Write(int number, const std::string& text)
{
    ram_.at(size_t(number)) = normalise_ ? Normalise(text) : text;
}

int SimParameterStore::Capacity(int number)
{
    const int list = ListSize(number);
    return list > 0 ? list : 4;
}

uint8_t SimParameterStore::CheckWrite(int number, const std::string& text) const
{
    if (text.empty())
        return 0; // no values at all is a valid (empty) setting
    int values = 1;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != ',')
            continue;
        if (i == 0 || i + 1 == text.size() || text[i + 1] == ',')
            return 0x47; // a value index with nothing in it
        ++values;
    }
    return values > Capacity(number) ? 0x48 : 0;
}

std::string SimParameterStore::Normalise(const std::string& text)
{
    std::string out;
    size_t begin = 0;
    for (;;) {
        const size_t end = text.find(',', begin);
        const std::string token = text.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
        double v = 0;
        const char* first = token.data();
        const char* last = token.data() + token.size();
        if (first != last && *first == '+')
            ++first;
        auto res = std::from_chars(first, last, v);
        if (!token.empty() && res.ec == std::errc() && res.ptr == last && std::isfinite(v))
            out += FormatDouble(v == 0.0 ? 0.0 : v); // no "-0"
        else
            out += token; // text the bench does not read as a number stays as written
        if (end == std::string::npos)
            break;
        out += ',';
        begin = end + 1;
    }
    return out;
}

} // namespace sim
