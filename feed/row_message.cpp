#include "feed/row_message.h"

#include <QDateTime>

#include <cstdio>
#include <cstdlib>

// The messages are written by hand, not through a JSON document object: a row
// of four benches makes four of them, on the user-interface thread, hundreds
// of times a second.
namespace {

// A JSON string of Latin-1 (or, when utf8 is set, UTF-8) bytes, quoted and escaped.
void AppendString(std::string& out, std::string_view s, bool utf8 = false)
{
    out += '"';
    for (const char ch : s) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || c == 0x7F) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else if (c >= 0x80 && !utf8) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += ch;
        }
    }
    out += '"';
}

std::string_view Trimmed(std::string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t'))
        --e;
    return s.substr(b, e - b);
}

// True when the text is a JSON number as it stands ("-0.05", "12", "1.5e3");
// "nan", "inf", "+1", "01" and empty texts are not.
bool IsJsonNumber(std::string_view t)
{
    size_t i = 0;
    auto digit = [&](size_t k) { return k < t.size() && t[k] >= '0' && t[k] <= '9'; };
    if (i < t.size() && t[i] == '-')
        ++i;
    if (!digit(i))
        return false;
    if (t[i] == '0')
        ++i;
    else
        while (digit(i))
            ++i;
    if (i < t.size() && t[i] == '.') {
        ++i;
        if (!digit(i))
            return false;
        while (digit(i))
            ++i;
    }
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-'))
            ++i;
        if (!digit(i))
            return false;
        while (digit(i))
            ++i;
    }
    return i == t.size();
}

const char* KindName(FeedRowKind k)
{
    switch (k) {
    case FeedRowKind::Sample: return "sample";
    case FeedRowKind::Mean: return "mean";
    case FeedRowKind::Stdev: return "stdev";
    }
    return "sample";
}

void AppendHead(std::string& out, const std::string& station, int bench, int64_t timeSeconds, uint64_t seq)
{
    out += "{\"station\":";
    AppendString(out, station, true);
    out += ",\"bench\":";
    out += std::to_string(bench);
    out += ",\"time\":\"";
    out += IsoTime(timeSeconds);
    out += "\",\"seq\":";
    out += std::to_string(seq);
}
} // namespace

const char* ModeName(int averagingMode)
{
    switch (averagingMode) {
    case 1: return "mean";
    case 2: return "mean+stdev";
    default: return "none";
    }
}

std::string IsoTime(int64_t timeSeconds)
{
    // Rows come many to a second: the zone rules are consulted once per second per thread.
    thread_local int64_t cachedSecond = INT64_MIN;
    thread_local std::string cachedText;
    if (timeSeconds == cachedSecond)
        return cachedText;
    const QDateTime local = QDateTime::fromSecsSinceEpoch(timeSeconds);
    // Written with the explicit offset, "+00:00" included, so readers need no zone rules.
    const int offset = local.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    char zone[16];
    std::snprintf(zone, sizeof zone, "%c%02d:%02d", offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
    cachedText = local.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toStdString() + zone;
    cachedSecond = timeSeconds;
    return cachedText;
}

std::string RowMessage(const FeedRow& row, const std::string& station, uint64_t seq)
{
    std::string out;
    out.reserve(160 + 100 * row.Values.size());
    AppendHead(out, station, row.Bench, row.TimeSeconds, seq);
    out += ",\"mode\":\"";
    out += ModeName(row.AveragingMode);
    out += "\",\"kind\":\"";
    out += KindName(row.Kind);
    out += row.Kind == FeedRowKind::Stdev ? "\",\"stdev\":true" : "\",\"stdev\":false";
    out += ",\"values\":[";
    bool first = true;
    for (const FeedValue& v : row.Values) {
        const std::string_view text = Trimmed(v.Text);
        out += first ? "{\"group\":" : ",{\"group\":";
        first = false;
        AppendString(out, v.Group, true);
        out += ",\"name\":";
        AppendString(out, v.Name, true);
        out += ",\"unit\":";
        AppendString(out, v.Unit, true);
        out += ",\"text\":";
        AppendString(out, text);
        // The number exactly as the cell prints it; null when the cell is no finite number.
        out += ",\"value\":";
        if (IsJsonNumber(text))
            out += text;
        else
            out += "null";
        out += '}';
    }
    out += "]}";
    return out;
}

std::string StatusMessage(int bench, const std::string& text, bool error, int64_t timeSeconds,
                          const std::string& station, uint64_t seq)
{
    std::string out;
    AppendHead(out, station, bench, timeSeconds, seq);
    out += ",\"text\":";
    AppendString(out, text);
    out += error ? ",\"error\":true}" : ",\"error\":false}";
    return out;
}
