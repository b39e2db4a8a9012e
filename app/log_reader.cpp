#include "log_reader.h"

#include <QIODevice>
#include <QLocale>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "data_rows.h"

static_assert(std::tuple_size_v<decltype(LogLayout::Shown)> == kGroupCount);

namespace {

using LogColumns::kMaxBenches;

// One printf format a cell may have been written with: an integer ("%<w>d"),
// a fixed-point number ("%<w>.<d>f", "%f" is width 0 with 6 decimals), or the
// time of day followed by two blanks.
struct Form {
    char Kind = 0; // 'i', 'f', 't'; 0: no second form
    int Width = 0;
    int Decimals = 0;
};

constexpr Form I(int w) { return {'i', w, 0}; }
constexpr Form F(int w, int d) { return {'f', w, d}; }
constexpr Form kStdevForm = F(10, 4);

// A value of a group for one bench. A raw cell and a mean cell are written with
// one of two forms; `Tells` marks the value whose form tells them apart
// (first form raw, second mean).
struct ValueColumn {
    const char* Name;
    Form First;
    Form Second;
    Form Stdev;
    bool Tells;
};

struct GroupColumns {
    std::vector<const char*> Headers; // the non-empty header texts, in position order
    std::vector<ValueColumn> Values;    // in the order their cells stand in a line
};

// By group index (RowGroup). Raw and mean cells of a group hold the same values
// in the same order once the empty cells are left out (they add nothing to a line).
const std::array<GroupColumns, kGroupCount>& Groups()
{
    static const std::array<GroupColumns, kGroupCount> groups = {{
        // kGroupGas
        {{"  CO2 [%]", "  Freon[ppm]", "  O2 [%]", "  NO [ppm]"},
         {{"CO2 [%]", F(7, 2), {}, kStdevForm, false},
          {"Freon [ppm]", I(9), F(9, 2), kStdevForm, false},
          {"O2 [%]", F(7, 2), {}, kStdevForm, false},
          {"NO [ppm]", I(6), F(7, 2), kStdevForm, true}}},
        // kGroupDemodIR
        {{"Dem CO2 ", "  Freon ", "    Ref "},
         {{"Dem CO2", I(8), {}, F(0, 6), false},
          {"Dem Freon", I(8), {}, kStdevForm, false},
          {"Dem Ref", I(8), {}, kStdevForm, false}}},
        // kGroupOffset: the offsets of Dem CO2, Freon and Ref (in 1/10000 of the reference)
        {{"Offset1", "Offset2", "Offset3", "Offset4"},
         {{"Offset CO2 [0.01 %]", I(7), {}, kStdevForm, false},
          {"Offset Freon [0.01 %]", I(7), {}, kStdevForm, false},
          {"Offset Ref [0.01 %]", I(7), {}, kStdevForm, false}}},
        // kGroupDetTemp
        {{"DetCel", "DetSrc", "Det Freon"},
         {{"DetCel", I(6), {}, kStdevForm, false},
          {"DetSrc", I(6), {}, kStdevForm, false},
          {"Det Freon", I(6), {}, kStdevForm, false}}},
        // kGroupAmbTemp
        {{"AmbTemp"}, {{"AmbTemp [degC]", F(6, 1), {}, kStdevForm, false}}},
        // kGroupPressures
        {{" Abs p", " Dif p"},
         {{"Abs p [0.1 torr]", I(6), {}, kStdevForm, false},
          {"Dif p [0.001 psi]", I(6), {}, kStdevForm, false}}},
        // kGroupAmbPressure
        {{" Amb p"}, {{"Amb p [0.1 torr]", I(6), {}, kStdevForm, false}}},
        // kGroupMinMaxADC
        {{" Min CO2", " Max CO2", " Min Freon ", " Max Freon ", " Min Ref", " Max Ref"},
         {{"Min CO2", I(8), {}, kStdevForm, false},
          {"Max CO2", I(8), {}, kStdevForm, false},
          {"Min Freon", I(8), {}, kStdevForm, false},
          {"Max Freon", I(8), {}, kStdevForm, false},
          {"Min Ref", I(8), {}, kStdevForm, false},
          {"Max Ref", I(8), {}, kStdevForm, false}}},
        // kGroupRawNoO2
        {{"Raw NO", "Raw O2 "},
         {{"Raw NO", I(6), {}, kStdevForm, false}, {"Raw O2", I(6), {}, kStdevForm, false}}},
        // kGroupPef
        {{"  PEF "}, {{"PEF", F(6, 3), {}, kStdevForm, false}}},
    }};
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

// A header line: the fixed headers, then each shown group's block once per bench.
bool ParseHeader(std::string_view line, LogLayout& out)
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
        std::string block;
        for (const char* h : Groups()[g].Headers)
            block += h;
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

// A cell of a line to parse, and the column it belongs to.
struct Cell {
    Form Forms[2];
    int Key;       // column key, 0 for the time cell
    bool Tells;
};

std::vector<Cell> CellsOf(const LogLayout& l, int benches, bool stdev)
{
    std::vector<Cell> cells;
    if (l.Accept)
        cells.push_back({{I(6), {}}, LogColumns::kAccept, false});
    if (l.Time)
        cells.push_back({{{'t', 0, 0}, {}}, 0, false});
    if (l.RelTime)
        cells.push_back({{I(10), {}}, LogColumns::kRelTime, false});
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

QTime ReadTimeWith(std::string_view text, const LogFormats& f);

// The possible ends of one cell: at most the 21 readings of an unpadded integer.
struct CellEndList {
    std::array<size_t, 24> At{};
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
// `times`: the formats a time cell must match; none takes any text with a digit.
void CellEnds(std::string_view s, size_t p, const Form& form, const LogFormats* times, CellEndList& ends)
{
    const size_t n = s.size();
    if (p >= n)
        return;
    if (form.Kind == 't') {
        if (s[p] == ' ')
            return;
        const size_t gap = s.find("  ", p);
        if (gap == std::string_view::npos)
            return;
        bool digit = false;
        for (size_t i = p; i < gap; ++i)
            digit = digit || IsDigit(s[i]);
        if (digit && (!times || ReadTimeWith(s.substr(p, gap - p), *times).isValid()))
            ends.push_back(gap + 2);
        return;
    }
    size_t q = p;
    while (q < n && s[q] == ' ')
        ++q;
    const bool padded = q > p;
    const size_t width = size_t(form.Width);
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
        if (e == std::string_view::npos)
            return;
        if (padded ? e == p + width : e >= p + width)
            ends.push_back(e);
        return;
    }
    if (r == digitsFrom)
        return;
    if (padded) {
        // The digits may go on into the next cell when that one has no padding.
        if (digitsFrom < p + width && r >= p + width)
            ends.push_back(p + width);
        return;
    }
    // Unpadded: as wide as the format first, then each longer reading up to
    // the widest integer printf makes (20 characters).
    for (size_t e = std::max(p + width, digitsFrom + 1); e <= r && e <= p + std::max<size_t>(width, 20); ++e)
        ends.push_back(e);
}

// Splits a line into the given cells, the whole line used. Cells without
// padding may have several readings; the first that lets the rest of the line
// parse wins (failed positions are remembered, so garbage costs little).
// A written line parses in about one step a cell; a long line of digits could
// take hundreds of thousands, so past a generous budget the line counts as
// no log line. `work` adds up the steps taken, for the caller's pacing.
class LineParser {
public:
    static constexpr size_t kStepsPerCell = 64;

    LineParser(std::string_view line, const std::vector<Cell>& cells, const LogFormats* times, uint64_t& work)
        : S(line), C(cells), Times(times), Work(work), Budget(kStepsPerCell * (cells.size() + 1)),
          Failed((cells.size() + 1) * (line.size() + 1), false), Ends(cells.size(), 0), FormUsed(cells.size(), 0)
    {
    }

    bool Parse() { return Step(0, 0); }
    size_t End(size_t i) const { return Ends[i]; }
    int FormOf(size_t i) const { return FormUsed[i]; }

private:
    bool Step(size_t i, size_t p)
    {
        if (Budget == 0)
            return false;
        --Budget;
        ++Work;
        if (i == C.size())
            return p == S.size();
        const size_t state = i * (S.size() + 1) + p;
        if (Failed[state])
            return false;
        for (int f = 0; f < 2 && C[i].Forms[f].Kind; ++f) {
            CellEndList ends;
            CellEnds(S, p, C[i].Forms[f], Times, ends);
            for (size_t e : ends)
                if (Step(i + 1, e)) {
                    Ends[i] = e;
                    FormUsed[i] = f;
                    return true;
                }
        }
        Failed[state] = true;
        return false;
    }

    std::string_view S;
    const std::vector<Cell>& C;
    const LogFormats* Times;
    uint64_t& Work;
    size_t Budget;
    std::vector<bool> Failed;
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

// Silent benches leave their cells empty, always the highest ones of the layout,
// so fewer benches are tried when the full set does not fit. A reading whose
// time cell is a time of day wins over one whose time is not understood (an
// accept count wider than its cell runs into the time).
bool ParseRowWith(std::string_view line, const std::vector<Cell>& cells, const LogFormats* times, uint64_t& work,
                  LogReader::Line& out)
{
    LineParser parser(line, cells, times, work);
    if (cells.empty() || !parser.Parse())
        return false;
    out.Cells.clear();
    out.HasTime = false;
    out.TimeText = {};
    out.Tells = 0;
    size_t p = 0;
    for (size_t i = 0; i < cells.size(); ++i) {
        const size_t e = parser.End(i);
        if (cells[i].Key == 0) {
            out.HasTime = true;
            out.TimeText = Trimmed(line, p, e);
        } else {
            out.Cells.push_back({cells[i].Key, Trimmed(line, p, e)});
        }
        if (cells[i].Tells)
            out.Tells = parser.FormOf(i) == 0 ? 1 : 2;
        p = e;
    }
    return true;
}

// The cells of a layout's lines by the number of benches that wrote them.
using CellSets = std::array<std::vector<Cell>, kMaxBenches + 1>;

CellSets CellSetsOf(const LogLayout& l, bool stdev)
{
    CellSets sets;
    for (int benches = 0; benches <= l.Benches; ++benches)
        sets[size_t(benches)] = CellsOf(l, benches, stdev);
    return sets;
}

bool ParseRow(std::string_view line, const LogLayout& l, const CellSets& sets, const LogFormats& formats,
              uint64_t& work, LogReader::Line& out)
{
    for (const LogFormats* times : {&formats, static_cast<const LogFormats*>(nullptr)}) {
        if (!times && !l.Time)
            break;
        for (int benches = l.Benches; benches >= (l.Benches > 0 ? 1 : 0); --benches)
            if (ParseRowWith(line, sets[size_t(benches)], times, work, out))
                return true;
    }
    return false;
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

QTime ReadTimeWith(const QString& text, const LogFormats& f)
{
    // Rows come several a second and every line's time is read more than once:
    // the last answer is kept (the locale's parser is the costly part of a line).
    thread_local QStringList lastFormats;
    thread_local QString lastText;
    thread_local QTime lastTime;
    if (text == lastText && f.TimeFormats == lastFormats)
        return lastTime;
    lastFormats = f.TimeFormats;
    lastText = text;
    lastTime = QTime();
    const QString t = text.trimmed();
    for (const QString& format : f.TimeFormats) {
        lastTime = QLocale::system().toTime(t, format);
        if (!lastTime.isValid())
            lastTime = QLocale::c().toTime(t, format);
        if (lastTime.isValid())
            break;
    }
    return lastTime;
}

QTime ReadTimeWith(std::string_view text, const LogFormats& f)
{
    return ReadTimeWith(QString::fromLatin1(text.data(), qsizetype(text.size())), f);
}

// "date time" with the date's own blanks allowed: every split at a blank is tried.
bool ReadDateTime(const QString& text, const LogFormats& f, QDate& date, QTime& time)
{
    const QString t = text.trimmed();
    for (int i = t.indexOf(QLatin1Char(' ')); i > 0; i = t.indexOf(QLatin1Char(' '), i + 1)) {
        const QDate d = ReadDate(t.left(i), f);
        if (!d.isValid())
            continue;
        const QTime tm = ReadTimeWith(t.mid(i + 1), f);
        if (tm.isValid()) {
            date = d;
            time = tm;
            return true;
        }
    }
    return false;
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

int LogColumns::ValueCount(int group) { return int(Groups()[size_t(group)].Values.size()); }

const char* LogColumns::ValueName(int group, int value) { return Groups()[size_t(group)].Values[size_t(value)].Name; }

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
    for (const Cell& c : CellsOf(*this, Benches, false))
        if (c.Key != 0)
            keys.push_back(c.Key);
    return keys;
}

struct LogReader::Impl {
    Impl(QIODevice& in, const LogFormats& f, qint64 limit) : In(in), Limit(limit), Formats(f) {}

    void Classify(Line& line)
    {
        const std::string_view s = line.Text;
        if (s.empty() || s == " ") {
            line.What = Kind::Blank;
            return;
        }
        const QString text = QString::fromLatin1(s.data(), qsizetype(s.size()));
        if (s.rfind("MainLogfile ", 0) == 0) {
            const int at = int(text.lastIndexOf(QStringLiteral(" created ")));
            if (at > 0) {
                line.What = Kind::Created;
                line.Date = ReadDate(text.mid(at + 9), Formats);
                NewSection();
                return;
            }
        }
        if (s.rfind("Logfile ", 0) == 0) {
            const int at = int(text.lastIndexOf(QStringLiteral(" opened for appending ")));
            if (at > 0) {
                line.What = Kind::Appended;
                ReadDateTime(text.mid(at + 22), Formats, line.Date, line.Time);
                NewSection();
                return;
            }
        }
        if (LayoutKnown && EndsWith(s, kStdevSuffix)
            && ParseRow(s.substr(0, s.size() - kStdevSuffix.size()), CurrentLayout, StdevCells, Formats, Work,
                        line)) {
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
        if (LayoutKnown && ParseRow(s, CurrentLayout, DataCells, Formats, Work, line)) {
            line.What = Kind::Data;
            ReadRowTime(line);
            InComment = false;
            return;
        }
        if (ReadDateTime(text, Formats, line.Date, line.Time)) {
            line.What = Kind::CommentStart;
            InComment = true;
            return;
        }
        line.What = InComment ? Kind::CommentLine : Kind::Bad;
    }

    void ReadRowTime(Line& line)
    {
        if (line.HasTime)
            line.Time = ReadTimeWith(line.TimeText, Formats);
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

    QIODevice& In;
    qint64 Limit;
    const LogFormats& Formats;
    int Number = 0;
    uint64_t Work = 0;
    std::string Text;
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
    QIODevice& in = D->In;
    if (in.atEnd() || (D->Limit >= 0 && in.pos() >= D->Limit))
        return false;
    line.What = Kind::Bad;
    line.Number = ++D->Number;
    line.Cells.clear();
    line.HasTime = false;
    line.TimeText = {};
    line.Time = QTime();
    line.Tells = 0;
    line.Date = QDate();
    QByteArray bytes = in.readLine(kMaxLine);
    const bool tooLong = bytes.size() >= kMaxLine - 1 && !bytes.endsWith('\n');
    if (tooLong) {
        // The rest of an over-long line belongs to it.
        while (!in.atEnd() && !in.readLine(kMaxLine).endsWith('\n')) {
        }
    }
    if (bytes.endsWith('\n'))
        bytes.chop(1);
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    D->Text.assign(bytes.constData(), size_t(bytes.size()));
    line.Text = D->Text;
    if (tooLong) {
        D->InComment = false;
        return true;
    }
    D->Classify(line);
    return true;
}

qint64 LogReader::Position() const { return D->In.pos(); }

bool LogReader::ProgressDue(const Line& line)
{
    if (line.Number % Impl::kProgressLines != 0 && D->Work < Impl::kProgressWork)
        return false;
    D->Work = 0;
    return true;
}

bool LogReader::HaveLayout() const { return D->LayoutKnown; }

const LogLayout& LogReader::Layout() const { return D->CurrentLayout; }

QTime LogReader::ReadTime(std::string_view text) const { return ReadTimeWith(text, D->Formats); }

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
