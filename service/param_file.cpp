#include "service/param_file.h"

#include <QIODevice>

#include <charconv>

namespace {

bool IsBlankOrLineEnd(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

} // namespace

std::string ReplyValueText(const uint8_t* value, int length)
{
    std::string text;
    for (int i = 0; i < length && value[i] != 0; ++i)
        text += char(value[i]);
    return text;
}

std::string UploadEntryLines(int number, const std::string& name, const uint8_t* value, int length)
{
    std::string out = "// " + std::to_string(number) + " " + name + " \n  ";
    for (int i = 0; i < length && value[i] != 0; ++i) {
        out += char(value[i]);
        if (value[i] == ',')
            out += '\t';
        if (value[i] == '\n')
            break;
    }
    out += " \n";
    return out;
}

bool ParamFileReader::ReadLine(std::string* line, bool* tooLong)
{
    line->clear();
    *tooLong = false;
    if (file_.atEnd())
        return false;
    char c = 0;
    while (file_.getChar(&c)) {
        if (c == '\n')
            break;
        if (line->size() < size_t(kParamFileLineMax) + 1)
            *line += c; // one beyond the limit marks the line as too long
    }
    if (!line->empty() && line->back() == '\r')
        line->pop_back();
    if (line->size() > size_t(kParamFileLineMax)) {
        line->resize(size_t(kParamFileLineMax));
        *tooLong = true;
    }
    return true;
}

ParamFileReader::Step ParamFileReader::Next()
{
    Step s;
    std::string line;
    bool tooLong = false;
    if (!ReadLine(&line, &tooLong))
        return s; // End
    bool blank = true;
    for (char c : line)
        blank = blank && IsBlankOrLineEnd(c);
    if (blank) {
        s.What = Kind::Blank;
        return s;
    }
    if (line.compare(0, 3, "// ") != 0) {
        s.What = Kind::Error;
        s.ErrorText = " Start != //  ";
        return s;
    }
    // The number runs to the next blank or the end; the name after it is not used,
    // so a header cut at the line limit is still good.
    size_t end = 3;
    while (end < line.size() && !IsBlankOrLineEnd(line[end]))
        ++end;
    const char* first = line.data() + 3;
    const char* last = line.data() + end;
    if (first != last && *first == '+')
        ++first;
    int number = -1;
    auto res = std::from_chars(first, last, number);
    // The number travels as a 16-bit word: anything outside would reach another parameter.
    if (first == last || res.ec != std::errc() || res.ptr != last || number < 0 || number > 0xFFFF) {
        s.What = Kind::Error;
        s.ErrorText = " Error ParamNo ";
        return s;
    }
    if (!ReadLine(&line, &tooLong)) {
        s.What = Kind::Error;
        s.ErrorText = " No Param data ";
        return s;
    }
    std::string value;
    for (char c : line)
        if (!IsBlankOrLineEnd(c))
            value += c;
    if (tooLong || value.size() > size_t(kParamValueMax)) {
        // A cut value would be written to the bench as if it were whole.
        s.What = Kind::Error;
        s.ErrorText = " Param data too long ";
        return s;
    }
    s.What = Kind::Entry;
    s.Number = number;
    s.Value = value;
    return s;
}
