#include "service/cal_file.h"

#include <cctype>
#include <charconv>
#include <cmath>

namespace {

bool IsBlankOrCr(char c) { return c == ' ' || c == '\t' || c == '\r'; }

} // namespace

std::string CalValues::Joined() const
{
    std::string s;
    for (size_t i = 0; i < Texts.size(); ++i) {
        if (i)
            s += ',';
        s += Texts[i];
    }
    return s;
}

bool CalFileReader::ParseNumber(const std::string& token, float* value)
{
    // Decimal only: [sign] digits [. digits] [e|E [sign] digits], at least one digit in the mantissa.
    size_t i = 0;
    const size_t n = token.size();
    if (i < n && (token[i] == '+' || token[i] == '-'))
        ++i;
    size_t digits = 0;
    while (i < n && std::isdigit(static_cast<unsigned char>(token[i]))) {
        ++i;
        ++digits;
    }
    if (i < n && token[i] == '.') {
        ++i;
        while (i < n && std::isdigit(static_cast<unsigned char>(token[i]))) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < n && (token[i] == 'e' || token[i] == 'E')) {
        ++i;
        if (i < n && (token[i] == '+' || token[i] == '-'))
            ++i;
        size_t expDigits = 0;
        while (i < n && std::isdigit(static_cast<unsigned char>(token[i]))) {
            ++i;
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
    }
    if (i != n)
        return false;
    // from_chars takes no leading '+'.
    const char* first = token.data() + (token[0] == '+' ? 1 : 0);
    const char* last = token.data() + n;
    float v = 0;
    const auto r = std::from_chars(first, last, v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != last || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

std::string CalFileReader::ReplaceZero(const std::string& token)
{
    static const char* const kZeros[] = {"0.000E0", "0.00e+00", "0.000e+00", "0.0000e+00", "0.00000e+00"};
    for (const char* z : kZeros)
        if (token == z)
            return "0";
    return token;
}

std::vector<std::string> CalFileReader::DataTokens(const std::string& line)
{
    std::vector<std::string> tokens;
    if (line.empty() || line[0] == ';' || line[0] == '\r' || line[0] == '\n')
        return tokens;
    size_t first = 0;
    while (first < line.size() && IsBlankOrCr(line[first]))
        ++first;
    // Blank line, section header or comment (a slash, two slashes included).
    if (first == line.size() || line[first] == '[' || line[first] == '/')
        return tokens;
    // A slash after the values starts a trailing comment; numbers never hold one.
    const size_t end = line.find('/', first);
    const std::string data = line.substr(first, end == std::string::npos ? std::string::npos : end - first);
    size_t i = 0;
    while (i < data.size()) {
        while (i < data.size() && IsBlankOrCr(data[i]))
            ++i;
        size_t j = i;
        while (j < data.size() && !IsBlankOrCr(data[j]))
            ++j;
        if (j > i)
            tokens.push_back(data.substr(i, j - i));
        i = j;
    }
    return tokens;
}

bool CalFileReader::Fail(const std::string& why)
{
    error_ = why;
    return false;
}

bool CalFileReader::NextDataLine(std::vector<std::string>* tokens)
{
    std::string line;
    for (;;) {
        line.clear();
        // Read at most one character beyond the limit, so an endless line costs no memory.
        int c;
        bool any = false;
        while ((c = in_.get()) != std::char_traits<char>::eof()) {
            any = true;
            if (c == '\n')
                break;
            if (line.size() > kMaxLineLength)
                continue; // already too long: skip the rest of it
            line.push_back(char(c));
        }
        if (!any)
            return Fail("Cal file ends early after line " + std::to_string(lineNumber_));
        ++lineNumber_;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() > kMaxLineLength)
            return Fail("Cal file line " + std::to_string(lineNumber_) + " is longer than " +
                        std::to_string(kMaxLineLength) + " characters");
        *tokens = DataTokens(line);
        if (!tokens->empty())
            return true;
    }
}

bool CalFileReader::ReadNumbers(int count, bool replaceZero, CalValues* values)
{
    std::vector<std::string> tokens;
    if (!NextDataLine(&tokens))
        return false;
    if (int(tokens.size()) < count)
        return Fail("Cal file line " + std::to_string(lineNumber_) + ": " + std::to_string(count) +
                    " values expected, " + std::to_string(tokens.size()) + " found");
    for (int i = 0; i < count; ++i) {
        const std::string text = replaceZero ? ReplaceZero(tokens[size_t(i)]) : tokens[size_t(i)];
        float v = 0;
        if (!ParseNumber(text, &v))
            return Fail("Cal file line " + std::to_string(lineNumber_) + ": \"" + tokens[size_t(i)] +
                        "\" is not a number");
        values->Texts.push_back(text);
        values->Numbers.push_back(v);
    }
    return true;
}

bool CalFileReader::ReadSerialNumber(std::string* serial)
{
    std::vector<std::string> tokens;
    if (!NextDataLine(&tokens))
        return false;
    *serial = tokens.front();
    return true;
}

bool CalFileReader::ReadTemperatureLine(CalValues* values)
{
    *values = CalValues{};
    return ReadNumbers(3, false, values);
}

bool CalFileReader::ReadCoefficients(int lines, int perLine, CalValues* values)
{
    *values = CalValues{};
    for (int i = 0; i < lines; ++i)
        if (!ReadNumbers(perLine, true, values))
            return false;
    return true;
}
