#include "log_csv.h"

#include <QFile>
#include <QIODevice>
#include <QLocale>
#include <QSaveFile>
#include <QDate>
#include <QTime>

#include <array>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "column_table.h"
#include "data_rows.h"

namespace {

using Form = CellForm;
constexpr Form I(int w) { return IntegerForm(w); }

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
constexpr const char* kStdevSuffix = "    STDEV";
constexpr int kMaxBenches = 4;
// Longer lines are no log lines (four benches with every group are under 2000 characters).
constexpr qint64 kMaxLine = 16384;

// CSV column keys, ordered as the columns stand.
constexpr int kKeyAccept = 1;
constexpr int kKeyRelTime = 2;
int GroupKey(int layoutIndex, int bench, int value) { return 1000 + layoutIndex * 100 + bench * 10 + value; }

struct Layout {
    bool Accept = false, Time = false, RelTime = false;
    int Benches = 0;
    std::array<bool, kGroupCount> Shown{};
};

bool StartsWith(const std::string& s, size_t p, const char* text)
{
    return s.compare(p, std::strlen(text), text) == 0;
}

bool EndsWith(const std::string& s, const char* text)
{
    const size_t n = std::strlen(text);
    return s.size() >= n && s.compare(s.size() - n, n, text) == 0;
}

// A header line: the fixed headers, then each shown group's block once per bench.
bool ParseHeader(const std::string& line, Layout& out)
{
    Layout l;
    size_t p = 0;
    auto take = [&](const char* text) {
        if (!StartsWith(line, p, text))
            return false;
        p += std::strlen(text);
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
        while (reps < kMaxBenches && line.compare(p, block.size(), block) == 0) {
            p += block.size();
            ++reps;
        }
        if (reps == 0)
            continue;
        if (l.Benches != 0 && reps != l.Benches)
            return false;
        l.Benches = reps;
        l.Shown[g] = true;
    }
    if (p != line.size() || p == 0)
        return false;
    out = l;
    return true;
}

// A cell of a line to parse, and where its text goes.
struct Cell {
    Form Forms[2];
    int Key;       // CSV column, 0 for the time cell
    bool Tells;
};

std::vector<Cell> CellsOf(const Layout& l, int benches, bool stdev)
{
    std::vector<Cell> cells;
    if (l.Accept)
        cells.push_back({{I(6), {}}, kKeyAccept, false});
    if (l.Time)
        cells.push_back({{{'t', 0, 0}, {}}, 0, false});
    if (l.RelTime)
        cells.push_back({{I(10), {}}, kKeyRelTime, false});
    for (int li = 0; li < kGroupCount; ++li) {
        const int g = kGroupLayoutOrder[li];
        if (!l.Shown[g])
            continue;
        const GroupColumns& columns = Groups()[g];
        for (int b = 0; b < benches; ++b)
            for (size_t v = 0; v < columns.Values.size(); ++v) {
                const ValueColumn& vs = columns.Values[v];
                if (stdev)
                    cells.push_back({{vs.Stdev, {}}, GroupKey(li, b, int(v)), false});
                else
                    cells.push_back({{vs.First, vs.Second}, GroupKey(li, b, int(v)), vs.Tells});
            }
    }
    return cells;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The ends a cell written with `form` can have when it starts at p. printf pads
// a number on the left to its width, so a padded cell ends exactly at p + width;
// a cell without padding may be wider than its format and run into the next.
QTime ReadTime(const QString& text, const LogCsvFormats& f);

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

// `times`: the formats a time cell must match; none takes any text with a digit.
void TextEnds(const std::string& s, size_t p, const Form& form, const LogCsvFormats* times, CellEndList& ends)
{
    const size_t n = s.size();
    if (p >= n)
        return;
    if (form.Kind == 't') {
        if (s[p] == ' ')
            return;
        const size_t gap = s.find("  ", p);
        if (gap == std::string::npos)
            return;
        bool digit = false;
        for (size_t i = p; i < gap; ++i)
            digit = digit || IsDigit(s[i]);
        if (digit
            && (!times || ReadTime(QString::fromLatin1(s.data() + p, int(gap - p)), *times).isValid()))
            ends.push_back(gap + 2);
        return;
    }
    size_t q = p;
    while (q < n && s[q] == ' ')
        ++q;
    const bool padded = q > p;
    const size_t width = size_t(form.Width);
    // A bench without values (lost, silent, not replied yet) writes blanks as wide as its
    // cells, so the benches after it keep their place: an empty value.
    if (width > 0 && q >= p + width && p + width <= n) {
        ends.push_back(p + width);
        return;
    }

    size_t r = q;
    if (r < n && s[r] == '-')
        ++r;
    const size_t digitsFrom = r;
    while (r < n && IsDigit(s[r]))
        ++r;
    if (form.Kind == 'f') {
        size_t e = std::string::npos;
        if (r > digitsFrom && r < n && s[r] == '.') {
            size_t d = r + 1;
            while (d < n && d - r - 1 < size_t(form.Decimals) && IsDigit(s[d]))
                ++d;
            if (d - r - 1 == size_t(form.Decimals))
                e = d;
        } else if (r == digitsFrom && (s.compare(r, 3, "nan") == 0 || s.compare(r, 3, "inf") == 0)) {
            e = r + 3;
        }
        if (e == std::string::npos)
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

void CellEnds(const std::string& s, size_t p, const Form& form, const LogCsvFormats* times, CellEndList& ends)
{
    TextEnds(s, p, form, times, ends);
    // A bench without values leaves nothing where a format has no width ("%f"): tried last.
    if (form.Kind == 'f' && form.Width == 0)
        ends.push_back(p);
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

    LineParser(const std::string& line, const std::vector<Cell>& cells, const LogCsvFormats* times, uint64_t& work)
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

    const std::string& S;
    const std::vector<Cell>& C;
    const LogCsvFormats* Times;
    uint64_t& Work;
    size_t Budget;
    std::vector<bool> Failed;
    std::vector<size_t> Ends;
    std::vector<int> FormUsed;
};

// A parsed data or STDEV line.
struct ParsedRow {
    std::vector<std::pair<int, std::string>> Values; // CSV key, text
    QString TimeText;
    bool HasTime = false;
    int Tells = 0; // 1 raw, 2 mean, 0 the line cannot say
};

std::string Trimmed(const std::string& s, size_t from, size_t to)
{
    while (from < to && s[from] == ' ')
        ++from;
    while (to > from && s[to - 1] == ' ')
        --to;
    std::string t = s.substr(from, to - from);
    if (t == "-nan")
        t = "nan";
    return t;
}

// Logs of earlier versions left the cells of silent benches out, always the highest
// ones of the layout, so fewer benches are tried when the full set does not fit. A reading whose
// time cell is a time of day wins over one whose time is not understood (an
// accept count wider than its cell runs into the time).
bool ParseRowWith(const std::string& line, const std::vector<Cell>& cells, const LogCsvFormats* times,
                  uint64_t& work, ParsedRow& out)
{
    LineParser parser(line, cells, times, work);
    if (cells.empty() || !parser.Parse())
        return false;
    out = ParsedRow();
    size_t p = 0;
    for (size_t i = 0; i < cells.size(); ++i) {
        const size_t e = parser.End(i);
        if (cells[i].Key == 0) {
            out.HasTime = true;
            out.TimeText = QString::fromLatin1(Trimmed(line, p, e).c_str());
        } else {
            out.Values.emplace_back(cells[i].Key, Trimmed(line, p, e));
        }
        if (cells[i].Tells)
            out.Tells = parser.FormOf(i) == 0 ? 1 : 2;
        p = e;
    }
    return true;
}

// The cells of a layout's lines by the number of benches that wrote them.
using CellSets = std::array<std::vector<Cell>, kMaxBenches + 1>;

CellSets CellSetsOf(const Layout& l, bool stdev)
{
    CellSets sets;
    for (int benches = 0; benches <= l.Benches; ++benches)
        sets[size_t(benches)] = CellsOf(l, benches, stdev);
    return sets;
}

bool ParseRow(const std::string& line, const Layout& l, const CellSets& sets, const LogCsvFormats& formats,
              uint64_t& work, ParsedRow& out)
{
    for (const LogCsvFormats* times : {&formats, static_cast<const LogCsvFormats*>(nullptr)}) {
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

QDate ReadDate(const QString& text, const LogCsvFormats& f)
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

QTime ReadTime(const QString& text, const LogCsvFormats& f)
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

// "date time" with the date's own blanks allowed: every split at a blank is tried.
bool ReadDateTime(const QString& text, const LogCsvFormats& f, QDate& date, QTime& time)
{
    const QString t = text.trimmed();
    for (int i = t.indexOf(QLatin1Char(' ')); i > 0; i = t.indexOf(QLatin1Char(' '), i + 1)) {
        const QDate d = ReadDate(t.left(i), f);
        if (!d.isValid())
            continue;
        const QTime tm = ReadTime(t.mid(i + 1), f);
        if (tm.isValid()) {
            date = d;
            time = tm;
            return true;
        }
    }
    return false;
}

QByteArray CsvField(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    bool quote = bytes.startsWith(' ') || bytes.endsWith(' ');
    for (char c : bytes)
        quote = quote || c == ',' || c == '"' || c == '\r' || c == '\n';
    if (!quote)
        return bytes;
    bytes.replace("\"", "\"\"");
    return '"' + bytes + '"';
}

struct RunInfo {
    bool Stdev = false, Raw = false, Mean = false;
};

// Reads the log line by line and hands each line, classified, to the pass.
// Both passes run the same classification, so they agree on runs and rows.
class Scanner {
public:
    // Reads up to `limit` bytes (the end of the file as the first pass found it, so
    // lines another program appends meanwhile do not reach the second pass).
    Scanner(QIODevice& in, const LogCsvFormats& f, qint64 limit = -1) : In(in), Limit(limit), Formats(f) {}

    enum class Kind { Blank, Created, Appended, Header, Data, Stdev, CommentStart, CommentLine, Bad };

    struct Line {
        Kind What = Kind::Bad;
        int Number = 0;
        std::string Text;
        ParsedRow Row;
        QDate Date;
        QTime Time;
    };

    bool Next(Line& line)
    {
        if (In.atEnd() || (Limit >= 0 && In.pos() >= Limit))
            return false;
        line = Line();
        line.Number = ++Number;
        QByteArray bytes = In.readLine(kMaxLine);
        bool tooLong = bytes.size() >= kMaxLine - 1 && !bytes.endsWith('\n');
        if (tooLong) {
            // The rest of an over-long line belongs to it.
            while (!In.atEnd() && !In.readLine(kMaxLine).endsWith('\n')) {
            }
        }
        if (bytes.endsWith('\n'))
            bytes.chop(1);
        if (bytes.endsWith('\r'))
            bytes.chop(1);
        line.Text.assign(bytes.constData(), size_t(bytes.size()));
        if (tooLong) {
            line.What = Kind::Bad;
            InComment = false;
            return true;
        }
        Classify(line);
        return true;
    }

    // Every few thousand lines, and sooner after lines that cost the row parser
    // many steps: the caller's event loop then serves the ports however the log reads.
    bool ProgressDue(const Line& line)
    {
        if (line.Number % kProgressLines != 0 && Work < kProgressWork)
            return false;
        Work = 0;
        return true;
    }

    bool HaveLayout() const { return LayoutKnown; }
    const Layout& Current() const { return CurrentLayout; }

private:
    void Classify(Line& line)
    {
        const std::string& s = line.Text;
        if (s.empty() || s == " ") {
            line.What = Kind::Blank;
            return;
        }
        const QString text = QString::fromLatin1(s.c_str(), int(s.size()));
        if (s.rfind("MainLogfile ", 0) == 0) {
            const int at = text.lastIndexOf(QStringLiteral(" created "));
            if (at > 0) {
                line.What = Kind::Created;
                line.Date = ReadDate(text.mid(at + 9), Formats);
                NewSection();
                return;
            }
        }
        if (s.rfind("Logfile ", 0) == 0) {
            const int at = text.lastIndexOf(QStringLiteral(" opened for appending "));
            if (at > 0) {
                line.What = Kind::Appended;
                ReadDateTime(text.mid(at + 22), Formats, line.Date, line.Time);
                NewSection();
                return;
            }
        }
        if (LayoutKnown && EndsWith(s, kStdevSuffix)
            && ParseRow(s.substr(0, s.size() - std::strlen(kStdevSuffix)), CurrentLayout, StdevCells, Formats,
                        Work, line.Row)) {
            line.What = Kind::Stdev;
            InComment = false;
            return;
        }
        Layout header;
        if (ParseHeader(s, header)) {
            line.What = Kind::Header;
            CurrentLayout = header;
            DataCells = CellSetsOf(header, false);
            StdevCells = CellSetsOf(header, true);
            LayoutKnown = true;
            InComment = false;
            return;
        }
        if (LayoutKnown && ParseRow(s, CurrentLayout, DataCells, Formats, Work, line.Row)) {
            line.What = Kind::Data;
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
    const LogCsvFormats& Formats;
    int Number = 0;
    uint64_t Work = 0;
    Layout CurrentLayout;
    CellSets DataCells, StdevCells;
    bool LayoutKnown = false;
    bool InComment = false;
};

// Where the rows stand in time: the last date read and the last time of day.
struct Calendar {
    QDate Date;
    QTime Last;

    void Set(QDate d, QTime t)
    {
        if (d.isValid()) {
            Date = d;
            Last = t;
        }
    }

    QString Stamp(QTime t)
    {
        if (Last.isValid() && Date.isValid() && t.secsTo(Last) > 12 * 3600)
            Date = Date.addDays(1);
        Last = t;
        const QString time = t.toString(QStringLiteral("HH:mm:ss"));
        return Date.isValid() ? Date.toString(Qt::ISODate) + QLatin1Char(' ') + time : time;
    }
};

class CsvWriter {
public:
    CsvWriter(QIODevice& out, const std::set<int>& keys, bool comments) : Out(out), HasComments(comments)
    {
        int i = 0;
        for (int k : keys)
            Index[k] = i++;
    }

    std::map<int, int> Index;

    void Row(const QString& time, const QString& kind, int run, const std::vector<QString>& cells,
             const QString& comment)
    {
        QByteArray line = CsvField(time) + ',' + CsvField(kind) + ',' + QByteArray::number(run);
        for (const QString& c : cells)
            line += ',' + CsvField(c);
        if (HasComments)
            line += ',' + CsvField(comment);
        line += "\r\n";
        Ok = Ok && Out.write(line) == line.size();
    }

    QIODevice& Out;
    bool HasComments;
    bool Ok = true;
};

QString ColumnName(int key)
{
    if (key == kKeyAccept)
        return QStringLiteral("Accept");
    if (key == kKeyRelTime)
        return QStringLiteral("RTime [s]");
    const int rest = key - 1000;
    const int g = kGroupLayoutOrder[rest / 100];
    const int bench = rest / 10 % 10;
    const int value = rest % 10;
    return QStringLiteral("Bench %1 %2").arg(bench + 1).arg(QString::fromLatin1(Groups()[g].Values[value].CsvName));
}

QString KindName(const ParsedRow& row, const RunInfo& run)
{
    if (row.Tells == 1)
        return QStringLiteral("Raw");
    if (row.Tells == 2 || run.Stdev)
        return QStringLiteral("Mean");
    if (run.Raw != run.Mean)
        return run.Raw ? QStringLiteral("Raw") : QStringLiteral("Mean");
    return QStringLiteral("Raw/Mean");
}

} // namespace

LogCsvFormats LogCsvFormats::System()
{
    LogCsvFormats f;
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

LogCsvResult ConvertLogToCsv(QIODevice& log, QIODevice& csv, const LogCsvFormats& formats,
                             const LogCsvProgress& progress)
{
    LogCsvResult result;
    if (!log.isOpen() || log.isSequential() || !log.seek(0)) {
        result.Message = QStringLiteral("The log file cannot be read.");
        return result;
    }

    // Pass 1: the columns of every run, and what each run's lines tell of its mode.
    std::set<int> keys;
    std::vector<RunInfo> runs;
    bool comments = false, logLines = false;
    qint64 end = 0;
    {
        Scanner scan(log, formats);
        Scanner::Line line;
        while (scan.Next(line)) {
            end = log.pos();
            if (progress && scan.ProgressDue(line))
                progress();
            switch (line.What) {
            case Scanner::Kind::Created:
            case Scanner::Kind::Appended: logLines = true; break;
            case Scanner::Kind::Header: {
                logLines = true;
                runs.emplace_back();
                const std::vector<Cell> cells = CellsOf(scan.Current(), scan.Current().Benches, false);
                for (const Cell& c : cells)
                    if (c.Key != 0)
                        keys.insert(c.Key);
                break;
            }
            case Scanner::Kind::Data:
                if (line.Row.Tells == 1)
                    runs.back().Raw = true;
                if (line.Row.Tells == 2)
                    runs.back().Mean = true;
                break;
            case Scanner::Kind::Stdev: runs.back().Stdev = true; break;
            case Scanner::Kind::CommentStart: comments = true; break;
            case Scanner::Kind::Bad:
                if (result.SkippedLines++ == 0)
                    result.FirstSkippedLine = line.Number;
                break;
            default: break;
            }
        }
    }
    if (!logLines) {
        result.Message = QStringLiteral("This is not a log file: it has no creation, appending or header line.");
        result.SkippedLines = result.FirstSkippedLine = 0;
        return result;
    }
    result.Runs = int(runs.size());

    // Pass 2: the rows.
    if (!log.seek(0)) {
        result.Message = QStringLiteral("The log file cannot be read.");
        return result;
    }
    CsvWriter out(csv, keys, comments);
    {
        QByteArray header = "Time,Kind,Run";
        for (int k : keys)
            header += ',' + CsvField(ColumnName(k));
        if (comments)
            header += ",Comment";
        header += "\r\n";
        out.Ok = csv.write(header) == header.size();
    }

    Calendar calendar;
    int run = 0;
    auto writeRow = [&](const ParsedRow& row, const QString& kind) {
        QString time;
        if (row.HasTime) {
            const QTime t = ReadTime(row.TimeText, formats);
            if (t.isValid())
                time = calendar.Stamp(t);
            else
                ++result.UnreadTimes;
        }
        std::vector<QString> cells(keys.size());
        for (const auto& [key, text] : row.Values) {
            const auto at = out.Index.find(key);
            if (at != out.Index.end())
                cells[size_t(at->second)] = QString::fromLatin1(text.c_str());
        }
        out.Row(time, kind, run, cells, {});
        ++result.Rows;
    };

    bool pendingData = false;
    ParsedRow pending;
    auto flushData = [&](bool followedByStdev) {
        if (!pendingData)
            return;
        pendingData = false;
        const RunInfo info = run > 0 && size_t(run) <= runs.size() ? runs[size_t(run - 1)] : RunInfo();
        writeRow(pending, followedByStdev ? QStringLiteral("Mean") : KindName(pending, info));
    };

    bool inComment = false;
    QString commentTime;
    QStringList commentLines;
    auto flushComment = [&] {
        if (!inComment)
            return;
        inComment = false;
        while (!commentLines.isEmpty() && commentLines.last().trimmed().isEmpty())
            commentLines.removeLast();
        out.Row(commentTime, QStringLiteral("Comment"), run, std::vector<QString>(keys.size()),
                commentLines.join(QLatin1Char('\n')));
        ++result.Rows;
        commentLines.clear();
    };

    Scanner scan(log, formats, end);
    Scanner::Line line;
    while (scan.Next(line) && out.Ok) {
        if (progress && scan.ProgressDue(line))
            progress();
        const bool stdev = line.What == Scanner::Kind::Stdev;
        flushData(stdev);
        if (line.What != Scanner::Kind::CommentLine && line.What != Scanner::Kind::Blank)
            flushComment();
        switch (line.What) {
        case Scanner::Kind::Blank:
            if (inComment)
                commentLines << QString();
            break;
        case Scanner::Kind::Created: calendar.Set(line.Date, QTime()); break;
        case Scanner::Kind::Appended: calendar.Set(line.Date, line.Time); break;
        case Scanner::Kind::Header: ++run; break;
        case Scanner::Kind::Data:
            pending = line.Row;
            pendingData = true;
            break;
        case Scanner::Kind::Stdev: writeRow(line.Row, QStringLiteral("STDEV")); break;
        case Scanner::Kind::CommentStart:
            calendar.Set(line.Date, line.Time);
            inComment = true;
            commentTime = line.Date.toString(Qt::ISODate) + QLatin1Char(' ')
                + line.Time.toString(QStringLiteral("HH:mm:ss"));
            break;
        case Scanner::Kind::CommentLine:
            commentLines << QString::fromLatin1(line.Text.c_str(), int(line.Text.size()));
            break;
        case Scanner::Kind::Bad: break;
        }
    }
    flushData(false);
    flushComment();

    if (!out.Ok) {
        result.Message = QStringLiteral("The CSV file could not be written.");
        return result;
    }
    result.Ok = true;
    result.Message = QStringLiteral("%1 rows of %2 runs exported.").arg(result.Rows).arg(result.Runs);
    if (result.SkippedLines > 0)
        result.Message += QStringLiteral(" %1 lines that are no log lines were skipped (the first is line %2).")
                              .arg(result.SkippedLines)
                              .arg(result.FirstSkippedLine);
    if (result.UnreadTimes > 0)
        result.Message += QStringLiteral(" %1 times of day were not understood and are left empty.")
                              .arg(result.UnreadTimes);
    return result;
}

bool exportLogToCsv(const QString& logPath, const QString& csvPath, QString* message, const LogCsvFormats& formats,
                    const LogCsvProgress& progress)
{
    auto say = [message](const QString& text) {
        if (message)
            *message = text;
    };
    QFile log(logPath);
    if (!log.open(QIODevice::ReadOnly)) {
        say(QStringLiteral("Cannot open %1: %2").arg(logPath, log.errorString()));
        return false;
    }
    // Written in full or not at all: an existing file is replaced only by a complete CSV.
    QSaveFile csv(csvPath);
    if (!csv.open(QIODevice::WriteOnly)) {
        say(QStringLiteral("Cannot create %1: %2").arg(csvPath, csv.errorString()));
        return false;
    }
    const LogCsvResult result = ConvertLogToCsv(log, csv, formats, progress);
    if (!result.Ok) {
        csv.cancelWriting();
        say(result.Message);
        return false;
    }
    if (!csv.commit()) {
        say(QStringLiteral("Cannot write %1: %2").arg(csvPath, csv.errorString()));
        return false;
    }
    say(result.Message);
    return true;
}
