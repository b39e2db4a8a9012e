#include "service/param_list.h"

#include <QFile>
#include <QString>

#include <charconv>

namespace {

bool IsSpaceOrTab(char c) { return c == ' ' || c == '\t'; }

// One line of the file with a read position; nothing reads past its end.
struct Cursor {
    std::string_view Line;
    size_t At = 0;

    bool AtEnd() const { return At >= Line.size(); }
    char Peek() const { return AtEnd() ? '\0' : Line[At]; }
    void SkipBlanks()
    {
        while (!AtEnd() && IsSpaceOrTab(Line[At]))
            ++At;
    }
    void SkipNameLead()
    {
        while (!AtEnd() && (IsSpaceOrTab(Line[At]) || Line[At] == '&'))
            ++At;
    }
    // Everything up to the next comma (the comma is passed over); without a
    // comma, the rest of the line. Trailing blanks stay in the token.
    std::string_view UpToComma()
    {
        const size_t comma = Line.find(',', At);
        const size_t end = comma == std::string_view::npos ? Line.size() : comma;
        std::string_view token = Line.substr(At, end - At);
        At = comma == std::string_view::npos ? Line.size() : comma + 1;
        return token;
    }
};

std::string Kept(std::string_view token) { return std::string(token.substr(0, kParamFieldMax)); }

template <size_t N>
int MatchPrefixedName(std::string_view token, const char* const (&names)[N], int count)
{
    for (int i = 0; i < count; ++i)
        if (token.size() >= 1 && token[0] == 'e' && token.substr(1) == names[i])
            return i;
    return -1;
}

bool ParseSmallInt(std::string_view token, int16_t* value)
{
    if (token.empty() || token.size() > 4)
        return false;
    const char* first = token.data();
    const char* last = first + token.size();
    if (*first == '+')
        ++first;
    int v = 0;
    auto res = std::from_chars(first, last, v);
    if (res.ec != std::errc() || res.ptr != last || first == last)
        return false;
    *value = int16_t(v); // four characters always fit
    return true;
}

// Fills one entry from the text after its opening brace. False when the name
// is "0", the list's end marker.
bool ParseEntry(Cursor c, ParameterItem& item)
{
    c.SkipBlanks();
    const int type = MatchPrefixedName(c.UpToComma(), ParamTypeNames, 6);
    c.SkipNameLead();
    const std::string_view name = c.UpToComma();
    if (name == "0")
        return false;
    c.SkipBlanks();
    const int bank = MatchPrefixedName(c.UpToComma(), ParamBankNames, 3);
    c.SkipBlanks();
    c.UpToComma(); // field 4 is not used
    c.SkipBlanks();
    const size_t start = c.At;
    size_t end = start;
    while (end < c.Line.size() && c.Line[end] != ' ' && c.Line[end] != '}')
        ++end;
    item = ParameterItem{};
    item.Name = Kept(name);
    if (type >= 0)
        item.TypeIndex = int8_t(type);
    if (bank >= 0)
        item.BankIndex = int8_t(bank);
    if (!ParseSmallInt(c.Line.substr(start, end - start), &item.Elements)) {
        // A count written as an expression (a macro times a number) is kept whole.
        const size_t brace = c.Line.find('}', start);
        const size_t stop = brace == std::string_view::npos ? c.Line.size() : brace;
        item.Elements = -1;
        item.ElementsText = Kept(c.Line.substr(start, stop - start));
    }
    return true;
}

} // namespace

ParameterList ParseParamList(std::string_view content)
{
    ParameterList list{};
    bool inList = false;
    int next = 0;
    size_t pos = 0;
    while (pos < content.size() && next < kParamCount) {
        // A line ends at LF, CR LF or a lone CR.
        size_t end = pos;
        while (end < content.size() && content[end] != '\n' && content[end] != '\r')
            ++end;
        std::string_view line = content.substr(pos, end - pos);
        if (end < content.size() && content[end] == '\r' && end + 1 < content.size() && content[end + 1] == '\n')
            pos = end + 2;
        else
            pos = end + 1;
        line = line.substr(0, kParamLineMax);

        if (!inList) {
            inList = line.substr(0, 10) == "TParameter";
            continue;
        }
        Cursor c{line};
        c.SkipBlanks();
        if (c.Peek() != '{')
            continue;
        ++c.At;
        if (!ParseEntry(c, list[size_t(next)]))
            break;
        ++next;
    }
    return list;
}

ParameterList ReadParamListFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return ParameterList{};
    const QByteArray bytes = f.readAll();
    return ParseParamList(std::string_view(bytes.constData(), size_t(bytes.size())));
}
