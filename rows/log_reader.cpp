#include "rows/log_reader.h"

#include <QIODevice>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "rows/column_table.h"
#include "rows/data_rows.h"

static_assert(std::tuple_size_v<decltype(LogLayout::Shown)> == kGroupCount);

namespace {

using LogColumns::kMaxBenches;

using Form = CellForm;

struct GroupColumns {
    std::vector<const char*> Headers;        // the non-empty captions, in position order
    std::vector<ValueColumn> Values;         // in the order their cells stand in a line
};

// By group index (RowGroup), from the column table. Raw and mean cells of a group hold the same
// values in the same order once the empty cells are left out (they add nothing to a line).
const std::array<GroupColumns, kGroupCount>& Groups()
{
    static const std::array<GroupColumns, kGroupCount> groups = [] {
        std::array<GroupColumns, kGroupCount> g;
        for (size_t k = 0; k < g.size(); ++k) {
            const ColumnGroup& table = ColumnTable()[k];
            for (int p = 0; p < kGroupWidth[k]; ++p)
                if (*table.Positions[size_t(p)].Caption)
                    g[k].Headers.push_back(table.Positions[size_t(p)].Caption);
            g[k].Values = table.Values;
        }
        return g;
    }();
    return groups;
}

constexpr const char* kAcceptHeader = "Accept";
constexpr const char* kTimeHeader = "    Time     ";
constexpr const char* kRelTimeHeader = "  RTime   ";
constexpr std::string_view kStdevSuffix = "    STDEV";
// Longer lines are no log lines (four benches with every group are under 2000 characters).
constexpr qint64 kMaxLine = 16384;

bool StartsWith(std::string_view s, size_t p, std::string_view text)
{
    return p <= s.size() && s.substr(p, text.size()) == text;
}

bool EndsWith(std::string_view s, std::string_view text)
{
    return s.size() >= text.size() && s.substr(s.size() - text.size()) == text;
}

// A cell of a line to parse, and the column it belongs to.
struct CellSpec {
    Form Forms[2];
    int Key;       // column key, 0 for the time cell
    bool Tells;
};

std::vector<CellSpec> CellsOf(const LogLayout& l, int benches, bool stdev)
{
    std::vector<CellSpec> cells;
    if (l.Accept)
        cells.push_back({{IntegerForm(6), {}}, LogColumns::kAccept, false});
    if (l.Time)
        cells.push_back({{{'t', 0, 0}, {}}, 0, false});
    if (l.RelTime)
        cells.push_back({{IntegerForm(10), {}}, LogColumns::kRelTime, false});
    for (int li = 0; li < kGroupCount; ++li) {
        const int g = kGroupLayoutOrder[size_t(li)];
        if (!l.Shown[size_t(g)])
            continue;
        const GroupColumns& columns = Groups()[size_t(g)];
        for (int b = 0; b < benches; ++b)
            for (size_t v = 0; v < columns.Values.size(); ++v) {
                const ValueColumn& vs = columns.Values[v];
                if (stdev)
                    cells.push_back({{vs.Stdev, {}}, LogColumns::GroupKey(li, b, int(v)), false});
                else
                    cells.push_back({{vs.First, vs.Second}, LogColumns::GroupKey(li, b, int(v)), vs.Tells});
            }
    }
    return cells;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

QTime ReadTimeSlow(const QString& text, const LogFormats& f)
{
    const QString t = text.trimmed();
    for (const QString& format : f.TimeFormats) {
        QTime time = QLocale::system().toTime(t, format);
        if (!time.isValid())
            time = QLocale::c().toTime(t, format);
        if (time.isValid())
            return time;
    }
    return {};
}

// Reads the time cells. The locale's parser costs microseconds a call and a
// night's log has a new second every few rows, so the common formats are read
// here directly: a text of digits like "9:05:00" is read as the first format
// that can take it would read it ("HH:mm:ss" wants two hour digits, a format
// with AM/PM or without seconds cannot take it). Other formats and texts go
// to the locale, the last answer kept.
class TimeReader {
public:
    explicit TimeReader(const LogFormats& f) : Formats(f)
    {
        static const QRegularExpression ampm(QStringLiteral("^(h|hh|H|HH):mm(:ss)? ?(AP|ap|A|a)$"));
        for (const QString& format : f.TimeFormats) {
            const QString t = format.trimmed();
            if (t == QLatin1String("HH:mm:ss") || t == QLatin1String("hh:mm:ss"))
                Plan.push_back(Step::TwoDigitHour);
            else if (t == QLatin1String("H:mm:ss") || t == QLatin1String("h:mm:ss"))
                Plan.push_back(Step::AnyHour);
            else if (t == QLatin1String("H:mm") || t == QLatin1String("HH:mm") || t == QLatin1String("h:mm")
                     || t == QLatin1String("hh:mm") || ampm.match(t).hasMatch())
                Plan.push_back(Step::CannotMatch);
            else
                Plan.push_back(Step::Unknown);
        }
    }

    QTime Read(std::string_view text) const
    {
        while (!text.empty() && IsSpace(text.front()))
            text.remove_prefix(1);
        while (!text.empty() && IsSpace(text.back()))
            text.remove_suffix(1);
        int h = 0, m = 0, s = 0, hourDigits = 0;
        if (Digits(text, h, m, s, hourDigits) && h < 24 && m < 60 && s < 60) {
            for (Step step : Plan) {
                if (step == Step::Unknown)
                    break;
                if (step == Step::AnyHour || (step == Step::TwoDigitHour && hourDigits == 2))
                    return QTime(h, m, s);
                if (step == Step::CannotMatch || step == Step::TwoDigitHour)
                    continue;
            }
            if (std::find(Plan.begin(), Plan.end(), Step::Unknown) == Plan.end())
                return {};
        }
        if (text == LastText && HaveLast)
            return LastTime;
        LastText.assign(text);
        HaveLast = true;
        LastTime = ReadTimeSlow(QString::fromLatin1(text.data(), qsizetype(text.size())), Formats);
        return LastTime;
    }

    const LogFormats& Formats;

private:
    enum class Step { TwoDigitHour, AnyHour, CannotMatch, Unknown };

    static bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

    // "h:mm:ss" or "hh:mm:ss".
    static bool Digits(std::string_view t, int& h, int& m, int& s, int& hourDigits)
    {
        hourDigits = t.size() == 7 ? 1 : t.size() == 8 ? 2 : 0;
        if (hourDigits == 0)
            return false;
        const char* c = t.data() + hourDigits;
        for (int i = 0; i < hourDigits; ++i)
            if (!IsDigit(t[size_t(i)]))
                return false;
        if (c[0] != ':' || c[3] != ':' || !IsDigit(c[1]) || !IsDigit(c[2]) || !IsDigit(c[4]) || !IsDigit(c[5]))
            return false;
        h = hourDigits == 1 ? t[0] - '0' : (t[0] - '0') * 10 + (t[1] - '0');
        m = (c[1] - '0') * 10 + (c[2] - '0');
        s = (c[4] - '0') * 10 + (c[5] - '0');
        return true;
    }

    std::vector<Step> Plan;
    mutable std::string LastText;
    mutable QTime LastTime;
    mutable bool HaveLast = false;
};

// The possible ends of one cell: at most the 21 readings of an unpadded integer
// and the empty reading.
struct CellEndList {
    std::array<size_t, 24> At; // the first Count are set
    size_t Count = 0;
    void push_back(size_t e)
    {
        if (Count < At.size())
            At[Count++] = e;
    }
    const size_t* begin() const { return At.data(); }
    const size_t* end() const { return At.data() + Count; }
};

// The ends a cell written with `form` can have when it starts at p. printf pads
// a number on the left to its width, so a padded cell ends exactly at p + width;
// a cell without padding may be wider than its format and run into the next.
// `times`: the reader a time cell must satisfy; none takes any text with a digit.
// `empty`: a value cell may also be blanks as wide as its format (a cell left empty
// that keeps its width).
void CellEnds(std::string_view s, size_t p, const Form& form, const TimeReader* times, bool empty,
              CellEndList& ends)
{
    const size_t n = s.size();
    if (form.Kind == 't') {
        if (p >= n || s[p] == ' ')
            return;
        const size_t gap = s.find("  ", p);
        if (gap == std::string_view::npos)
            return;
        bool digit = false;
        for (size_t i = p; i < gap && !digit; ++i)
            digit = IsDigit(s[i]);
        if (digit && (!times || times->Read(s.substr(p, gap - p)).isValid()))
            ends.push_back(gap + 2);
        return;
    }
    const size_t width = size_t(form.Width);
    auto emptyReading = [&] {
        if (empty && p + width <= n && s.substr(p, width).find_first_not_of(' ') == std::string_view::npos)
            ends.push_back(p + width);
    };
    if (p >= n) {
        emptyReading();
        return;
    }
    size_t q = p;
    while (q < n && s[q] == ' ')
        ++q;
    const bool padded = q > p;
    size_t r = q;
    if (r < n && s[r] == '-')
        ++r;
    const size_t digitsFrom = r;
    while (r < n && IsDigit(s[r]))
        ++r;
    if (form.Kind == 'f') {
        size_t e = std::string_view::npos;
        if (r > digitsFrom && r < n && s[r] == '.') {
            size_t d = r + 1;
            while (d < n && d - r - 1 < size_t(form.Decimals) && IsDigit(s[d]))
                ++d;
            if (d - r - 1 == size_t(form.Decimals))
                e = d;
        } else if (r == digitsFrom && (s.substr(r, 3) == "nan" || s.substr(r, 3) == "inf")) {
            e = r + 3;
        }
        if (e != std::string_view::npos && (padded ? e == p + width : e >= p + width))
            ends.push_back(e);
        emptyReading();
        return;
    }
    if (r != digitsFrom) {
        if (padded) {
            // The digits may go on into the next cell when that one has no padding.
            if (digitsFrom < p + width && r >= p + width)
                ends.push_back(p + width);
        } else {
            // Unpadded: as wide as the format first, then each longer reading up to
            // the widest integer printf makes (20 characters).
            for (size_t e = std::max(p + width, digitsFrom + 1); e <= r && e <= p + std::max<size_t>(width, 20);
                 ++e)
                ends.push_back(e);
        }
    }
    emptyReading();
}

// Splits a line into the given cells, the whole line used. Cells without
// padding may have several readings; the first that lets the rest of the line
// parse wins (failed positions are remembered, so garbage costs little).
// A written line parses in about one step a cell; a long line of digits could
// take hundreds of thousands, so past a generous budget the line counts as
// no log line. `work` adds up the steps taken, for the caller's pacing.
// One parser serves every line: its tables only grow, so a line costs no allocation.
class LineParser {
public:
    static constexpr size_t kStepsPerCell = 64;

    bool Parse(std::string_view line, const std::vector<CellSpec>& cells, const TimeReader* times, bool empty,
               uint64_t& work)
    {
        S = line;
        C = &cells;
        Times = times;
        Empty = empty;
        Work = &work;
        Budget = kStepsPerCell * (cells.size() + 1);
        const size_t states = (cells.size() + 1) * (line.size() + 1);
        if (Failed.size() < states)
            Failed.resize(states, 0);
        if (++Generation == 0) {
            std::fill(Failed.begin(), Failed.end(), 0);
            Generation = 1;
        }
        if (Ends.size() < cells.size()) {
            Ends.resize(cells.size());
            FormUsed.resize(cells.size());
        }
        return Straight() || Step(0, 0);
    }
    size_t End(size_t i) const { return Ends[i]; }
    // 0 first form, 1 second form, 2 empty.
    int FormOf(size_t i) const { return FormUsed[i]; }

private:
    // The first reading of every cell, as the search below tries first: a line the
    // row output wrote takes this way, without the search's tables.
    bool Straight()
    {
        const std::vector<CellSpec>& c = *C;
        if (Budget <= c.size())
            return false;
        size_t p = 0;
        for (size_t i = 0; i < c.size(); ++i) {
            const bool mayBeEmpty = Empty && LogColumns::IsValue(c[i].Key);
            CellEndList ends;
            int f = 0;
            for (; f < 2 && c[i].Forms[f].Kind && ends.Count == 0; ++f)
                CellEnds(S, p, c[i].Forms[f], Times, mayBeEmpty && f == 0, ends);
            if (ends.Count == 0)
                return false;
            Ends[i] = ends.At[0];
            FormUsed[i] = IsBlank(p, ends.At[0]) ? 2 : f - 1;
            p = ends.At[0];
        }
        if (p != S.size())
            return false;
        *Work += c.size() + 1;
        return true;
    }

    bool Step(size_t i, size_t p)
    {
        if (Budget == 0)
            return false;
        --Budget;
        ++*Work;
        const std::vector<CellSpec>& c = *C;
        if (i == c.size())
            return p == S.size();
        const size_t state = i * (S.size() + 1) + p;
        if (Failed[state] == Generation)
            return false;
        const bool mayBeEmpty = Empty && LogColumns::IsValue(c[i].Key);
        for (int f = 0; f < 2 && c[i].Forms[f].Kind; ++f) {
            CellEndList ends;
            CellEnds(S, p, c[i].Forms[f], Times, mayBeEmpty && f == 0, ends);
            for (size_t e : ends)
                if (Step(i + 1, e)) {
                    Ends[i] = e;
                    FormUsed[i] = IsBlank(p, e) ? 2 : f;
                    return true;
                }
        }
        Failed[state] = Generation;
        return false;
    }

    bool IsBlank(size_t from, size_t to) const
    {
        return Empty && S.substr(from, to - from).find_first_not_of(' ') == std::string_view::npos;
    }

    std::string_view S;
    const std::vector<CellSpec>* C = nullptr;
    const TimeReader* Times = nullptr;
    bool Empty = false;
    uint64_t* Work = nullptr;
    size_t Budget = 0;
    std::vector<uint32_t> Failed; // == Generation: this cell at this place cannot start a reading
    uint32_t Generation = 0;
    std::vector<size_t> Ends;
    std::vector<int> FormUsed;
};

std::string_view Trimmed(std::string_view s, size_t from, size_t to)
{
    while (from < to && s[from] == ' ')
        ++from;
    while (to > from && s[to - 1] == ' ')
        --to;
    std::string_view t = s.substr(from, to - from);
    if (t == "-nan")
        t = "nan";
    return t;
}

// The cells of a layout's lines by the number of benches that wrote them.
using CellSets = std::array<std::vector<CellSpec>, kMaxBenches + 1>;

CellSets CellSetsOf(const LogLayout& l, bool stdev)
{
    CellSets sets;
    for (int benches = 0; benches <= l.Benches; ++benches)
        sets[size_t(benches)] = CellsOf(l, benches, stdev);
    return sets;
}

QDate FixCentury(QDate d)
{
    // Two-digit years are read as 19yy; logs are younger than 1970.
    if (d.isValid() && d.year() < 1970)
        d = d.addYears(100);
    return d;
}

QDate ReadDate(const QString& text, const LogFormats& f)
{
    const QString t = text.trimmed();
    for (const QString& format : f.DateFormats) {
        const QDate d = QLocale::system().toDate(t, format);
        if (d.isValid())
            return FixCentury(d);
        const QDate c = QLocale::c().toDate(t, format);
        if (c.isValid())
            return FixCentury(c);
    }
    return {};
}

// "date time" with the date's own blanks allowed: every split at a blank is tried.
bool ReadDateTime(const QString& text, const TimeReader& times, QDate& date, QTime& time)
{
    const QString t = text.trimmed();
    for (int i = int(t.indexOf(QLatin1Char(' '))); i > 0; i = int(t.indexOf(QLatin1Char(' '), i + 1))) {
        const QDate d = ReadDate(t.left(i), times.Formats);
        if (!d.isValid())
            continue;
        const QByteArray rest = t.mid(i + 1).toLatin1();
        const QTime tm = times.Read(std::string_view(rest.constData(), size_t(rest.size())));
        if (tm.isValid()) {
            date = d;
            time = tm;
            return true;
        }
    }
    return false;
}

// The header blocks of each group, joined once.
const std::array<std::string, kGroupCount>& HeaderBlocks()
{
    static const std::array<std::string, kGroupCount> blocks = [] {
        std::array<std::string, kGroupCount> b;
        for (int g = 0; g < kGroupCount; ++g)
            for (const char* h : Groups()[size_t(g)].Headers)
                b[size_t(g)] += h;
        return b;
    }();
    return blocks;
}

} // namespace

LogFormats LogFormats::System()
{
    LogFormats f;
    const QLocale locale = QLocale::system();
    f.DateFormats << locale.dateFormat(QLocale::ShortFormat) << QStringLiteral("dd/MM/yyyy")
                  << QStringLiteral("d/M/yyyy") << QStringLiteral("yyyy-MM-dd") << QStringLiteral("d.M.yyyy")
                  << QStringLiteral("M/d/yyyy") << QStringLiteral("d/M/yy") << QStringLiteral("M/d/yy")
                  << QStringLiteral("d.M.yy");
    // The time cells are written without the time zone of the long format.
    QString longTime;
    bool quoted = false;
    for (QChar c : locale.timeFormat(QLocale::LongFormat)) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        longTime += c;
    }
    f.TimeFormats << longTime.trimmed() << QStringLiteral("H:mm:ss") << QStringLiteral("h:mm:ss AP")
                  << QStringLiteral("h:mm:ss ap") << QStringLiteral("H:mm");
    f.DateFormats.removeDuplicates();
    f.TimeFormats.removeDuplicates();
    return f;
}

int LogColumns::GroupOf(int key) { return kGroupLayoutOrder[size_t(LayoutIndexOf(key))]; }

int LogColumns::PlaceOfGroup(int group)
{
    const auto at = std::find(kGroupLayoutOrder.begin(), kGroupLayoutOrder.end(), group);
    return int(at - kGroupLayoutOrder.begin());
}

int LogColumns::ValueCount(int group) { return int(Groups()[size_t(group)].Values.size()); }

const char* LogColumns::ValueName(int group, int value) { return Groups()[size_t(group)].Values[size_t(value)].CsvName; }

QString LogColumns::Name(int key)
{
    if (key == kAccept)
        return QStringLiteral("Accept");
    if (key == kRelTime)
        return QStringLiteral("RTime [s]");
    return QStringLiteral("Bench %1 %2")
        .arg(BenchOf(key) + 1)
        .arg(QString::fromLatin1(ValueName(GroupOf(key), ValueOf(key))));
}

std::vector<int> LogLayout::Keys() const
{
    std::vector<int> keys;
    for (const CellSpec& c : CellsOf(*this, Benches, false))
        if (c.Key != 0)
            keys.push_back(c.Key);
    return keys;
}

struct LogReader::Impl {
    Impl(QIODevice& in, const LogFormats& f, qint64 limit) : In(in), Limit(limit), Times(f)
    {
        BufferStart = in.pos();
    }

    // Reads the next block, keeping the unread rest; false when nothing came.
    bool Fill()
    {
        if (Begin > 0) {
            Buffer.erase(0, Begin);
            BufferStart += qint64(Begin);
            Begin = 0;
        }
        qint64 want = kBlock;
        if (Limit >= 0)
            want = std::min(want, Limit - (BufferStart + qint64(Buffer.size())));
        if (want <= 0)
            return false;
        const size_t had = Buffer.size();
        Buffer.resize(had + size_t(want));
        const qint64 got = In.read(Buffer.data() + had, want);
        Buffer.resize(had + size_t(std::max<qint64>(got, 0)));
        return got > 0;
    }

    // The next line's bytes without the line end, or false at the end. A line
    // too long to be a log line comes back with `tooLong` and as much of it as kMaxLine.
    bool NextText(std::string_view& text, bool& tooLong)
    {
        tooLong = false;
        for (;;) {
            if (SkippingLongLine) {
                const size_t nl = Buffer.find('\n', Begin);
                if (nl == std::string::npos) {
                    Begin = Buffer.size();
                    if (!Fill())
                        return false;
                    continue;
                }
                Begin = nl + 1;
                SkippingLongLine = false;
            }
            const size_t nl = Buffer.find('\n', Begin);
            size_t end = nl;
            const bool whole = nl != std::string::npos;
            if (!whole && Buffer.size() - Begin < size_t(kMaxLine - 1) && Fill())
                continue;
            if (!whole)
                end = Buffer.size();
            if (end - Begin >= size_t(kMaxLine - 1)) {
                // The rest of an over-long line belongs to it.
                tooLong = true;
                text = std::string_view(Buffer).substr(Begin, size_t(kMaxLine - 1));
                LongLine.assign(text);
                text = LongLine;
                if (whole) {
                    Begin = nl + 1;
                } else {
                    Begin = Buffer.size();
                    SkippingLongLine = true;
                }
                return true;
            }
            if (!whole && (end == Begin || WholeLines))
                return false;
            text = std::string_view(Buffer).substr(Begin, end - Begin);
            Begin = whole ? nl + 1 : end;
            if (!text.empty() && text.back() == '\r')
                text.remove_suffix(1);
            return true;
        }
    }

    bool ParseRow(std::string_view line, const CellSets& sets, Line& out)
    {
        // First as the row output writes today, then with cells left blank as wide as their format.
        for (bool empty : {false, true})
            for (const TimeReader* times : {static_cast<const TimeReader*>(&Times), static_cast<const TimeReader*>(nullptr)}) {
                if (!times && !CurrentLayout.Time)
                    break;
                for (int benches = CurrentLayout.Benches; benches >= (CurrentLayout.Benches > 0 ? 1 : 0); --benches)
                    if (ParseRowWith(line, sets[size_t(benches)], times, empty, out))
                        return true;
            }
        return false;
    }

    // Silent benches leave their cells empty, always the highest ones of the layout,
    // so fewer benches are tried when the full set does not fit. A reading whose
    // time cell is a time of day wins over one whose time is not understood (an
    // accept count wider than its cell runs into the time).
    bool ParseRowWith(std::string_view line, const std::vector<CellSpec>& cells, const TimeReader* times, bool empty,
                      Line& out)
    {
        if (cells.empty() || !Parser.Parse(line, cells, times, empty, Work))
            return false;
        out.Cells.clear();
        out.HasTime = false;
        out.TimeText = {};
        out.Tells = 0;
        size_t p = 0;
        for (size_t i = 0; i < cells.size(); ++i) {
            const size_t e = Parser.End(i);
            if (cells[i].Key == 0) {
                out.HasTime = true;
                out.TimeText = Trimmed(line, p, e);
            } else {
                out.Cells.push_back({cells[i].Key, Trimmed(line, p, e)});
            }
            if (cells[i].Tells && Parser.FormOf(i) != 2)
                out.Tells = Parser.FormOf(i) == 0 ? 1 : 2;
            p = e;
        }
        return true;
    }

    // A header line: the fixed headers, then each shown group's block once per bench.
    static bool ParseHeader(std::string_view line, LogLayout& out)
    {
        LogLayout l;
        size_t p = 0;
        auto take = [&](std::string_view text) {
            if (!StartsWith(line, p, text))
                return false;
            p += text.size();
            return true;
        };
        l.Accept = take(kAcceptHeader);
        l.Time = take(kTimeHeader);
        l.RelTime = take(kRelTimeHeader);
        for (int g : kGroupLayoutOrder) {
            const std::string& block = HeaderBlocks()[size_t(g)];
            int reps = 0;
            while (reps < kMaxBenches && StartsWith(line, p, block)) {
                p += block.size();
                ++reps;
            }
            if (reps == 0)
                continue;
            if (l.Benches != 0 && reps != l.Benches)
                return false;
            l.Benches = reps;
            l.Shown[size_t(g)] = true;
        }
        if (p != line.size() || p == 0)
            return false;
        out = l;
        return true;
    }

    void Classify(Line& line)
    {
        const std::string_view s = line.Text;
        if (s.empty() || s == " ") {
            line.What = Kind::Blank;
            return;
        }
        auto latin1 = [&] { return QString::fromLatin1(s.data(), qsizetype(s.size())); };
        if (StartsWith(s, 0, "MainLogfile ")) {
            const QString text = latin1();
            const int at = int(text.lastIndexOf(QStringLiteral(" created ")));
            if (at > 0) {
                line.What = Kind::Created;
                line.Date = ReadDate(text.mid(at + 9), Times.Formats);
                NewSection();
                return;
            }
        }
        if (StartsWith(s, 0, "Logfile ")) {
            const QString text = latin1();
            const int at = int(text.lastIndexOf(QStringLiteral(" opened for appending ")));
            if (at > 0) {
                line.What = Kind::Appended;
                ReadDateTime(text.mid(at + 22), Times, line.Date, line.Time);
                NewSection();
                return;
            }
        }
        if (LayoutKnown && EndsWith(s, kStdevSuffix)
            && ParseRow(s.substr(0, s.size() - kStdevSuffix.size()), StdevCells, line)) {
            line.What = Kind::Stdev;
            ReadRowTime(line);
            InComment = false;
            return;
        }
        LogLayout header;
        if (ParseHeader(s, header)) {
            line.What = Kind::Header;
            CurrentLayout = header;
            DataCells = CellSetsOf(header, false);
            StdevCells = CellSetsOf(header, true);
            LayoutKnown = true;
            InComment = false;
            return;
        }
        if (LayoutKnown && ParseRow(s, DataCells, line)) {
            line.What = Kind::Data;
            ReadRowTime(line);
            InComment = false;
            return;
        }
        if (ReadDateTime(latin1(), Times, line.Date, line.Time)) {
            line.What = Kind::CommentStart;
            InComment = true;
            return;
        }
        line.What = InComment ? Kind::CommentLine : Kind::Bad;
    }

    void ReadRowTime(Line& line)
    {
        if (line.HasTime)
            line.Time = Times.Read(line.TimeText);
    }

    void NewSection()
    {
        // A new file or an appending starts without a layout until Start writes a header.
        LayoutKnown = false;
        InComment = false;
    }

    static constexpr int kProgressLines = 4096;
    // Row parser steps between two progress calls, some milliseconds of work.
    static constexpr uint64_t kProgressWork = 100000;
    static constexpr qint64 kBlock = 1 << 20;

    QIODevice& In;
    qint64 Limit;
    TimeReader Times;
    std::string Buffer;       // bytes read and not yet returned start at Begin
    size_t Begin = 0;
    qint64 BufferStart = 0;   // position of Buffer[0] in In
    bool SkippingLongLine = false;
    bool WholeLines = false;
    std::string LongLine;
    int Number = 0;
    uint64_t Work = 0;
    LineParser Parser;
    LogLayout CurrentLayout;
    CellSets DataCells, StdevCells;
    bool LayoutKnown = false;
    bool InComment = false;
};

LogReader::LogReader(QIODevice& in, const LogFormats& formats, qint64 limit)
    : D(std::make_unique<Impl>(in, formats, limit))
{
}

LogReader::~LogReader() = default;

bool LogReader::Next(Line& line)
{
    std::string_view text;
    bool tooLong = false;
    if (!D->NextText(text, tooLong))
        return false;
    line.What = Kind::Bad;
    line.Number = ++D->Number;
    line.Text = text;
    line.Cells.clear();
    line.HasTime = false;
    line.TimeText = {};
    line.Time = QTime();
    line.Tells = 0;
    line.Date = QDate();
    if (tooLong) {
        D->InComment = false;
        return true;
    }
    D->Classify(line);
    return true;
}

void LogReader::SetWholeLinesOnly(bool on) { D->WholeLines = on; }

qint64 LogReader::Position() const { return D->BufferStart + qint64(D->Begin); }

bool LogReader::ProgressDue(const Line& line)
{
    if (line.Number % Impl::kProgressLines != 0 && D->Work < Impl::kProgressWork)
        return false;
    D->Work = 0;
    return true;
}

bool LogReader::HaveLayout() const { return D->LayoutKnown; }

const LogLayout& LogReader::Layout() const { return D->CurrentLayout; }

QTime LogReader::ReadTime(std::string_view text) const { return D->Times.Read(text); }

void LogCalendar::Set(QDate date, QTime time)
{
    if (date.isValid()) {
        Date = date;
        Last = time;
    }
}

QDate LogCalendar::DateOf(QTime t)
{
    if (Last.isValid() && Date.isValid() && t.secsTo(Last) > 12 * 3600)
        Date = Date.addDays(1);
    Last = t;
    return Date;
}
