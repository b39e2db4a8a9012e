#include "logchart/log_chart_data.h"

#include <QDateTime>
#include <QFile>

#include <algorithm>
#include <charconv>

namespace {

constexpr int kNoTrace = -1;
constexpr size_t kKeySlots = 1000; // value keys are 1000 + 0..999

float CellValue(std::string_view text)
{
    float v = NAN;
    if (text.empty())
        return v;
    const char* begin = text.data();
    const char* end = begin + text.size();
    const auto [at, ec] = std::from_chars(begin, end, v);
    if (ec != std::errc() || at != end || !std::isfinite(v))
        return NAN;
    return v;
}

float Low(const LogTrace& t, size_t i)
{
    return t.Values[i] - t.Stdev[i];
}

float High(const LogTrace& t, size_t i)
{
    return t.Values[i] + t.Stdev[i];
}

} // namespace

double ChartSeconds(QDate date, int secondsOfDay)
{
    static const qint64 epoch = QDate(1970, 1, 1).toJulianDay();
    return double(date.toJulianDay() - epoch) * 86400.0 + secondsOfDay;
}

QString LogTrace::ValueName() const { return QString::fromLatin1(LogColumns::ValueName(Group, Value)); }

QString LogTrace::Name() const { return QStringLiteral("Bench %1 %2").arg(Bench + 1).arg(ValueName()); }

QString LogTrace::Unit() const
{
    const QString name = ValueName();
    const int open = int(name.lastIndexOf(QLatin1Char('[')));
    const int close = int(name.lastIndexOf(QLatin1Char(']')));
    return open >= 0 && close > open ? name.mid(open + 1, close - open - 1) : QString();
}

ValueRange LogTrace::Range(size_t from, size_t to, bool band) const
{
    from = std::max(from, FirstRow) - FirstRow;
    to = to > FirstRow ? to - FirstRow : 0;
    if (band && HasBand())
        return Band.Query(
            from, to, [this](size_t i) { return Low(*this, i); }, [this](size_t i) { return High(*this, i); });
    return Extremes.Query(
        from, to, [this](size_t i) { return Values[i]; }, [this](size_t i) { return Values[i]; });
}

struct LogChartData::Loader {
    LogFormats Formats;
    std::unique_ptr<QFile> File;
    QIODevice* In = nullptr;
    std::unique_ptr<LogReader> Reader;
    LogCalendar Calendar;
    bool LogLines = false;
    size_t StdevRow = SIZE_MAX;     // the row a STDEV line on the next line belongs to
    size_t SecondStart = 0;         // first row of the last second
    bool HaveSecond = false;
    double LastSecond = 0;          // whole second of the last row
    double SectionStart = 0;        // time of the last creation or appending line
    size_t RunStart = 0;            // first row of the current run
    std::vector<int> TraceIndex = std::vector<int>(kKeySlots, kNoTrace);
    bool Reserved = false;
    std::function<void()> Progress;
};

LogChartData::LogChartData() : L(std::make_unique<Loader>()) {}

LogChartData::~LogChartData() = default;

bool LogChartData::Open(const QString& path, QString* error, const LogFormats& formats,
                        const std::function<void()>& progress)
{
    Path = path;
    L->File = std::make_unique<QFile>(path);
    // Unbuffered: the reader reads large blocks itself, and sees what the writer adds later.
    if (!L->File->open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        if (error)
            *error = QStringLiteral("Cannot open %1: %2").arg(path, L->File->errorString());
        return false;
    }
    return Read(*L->File, error, formats, progress);
}

bool LogChartData::Read(QIODevice& in, QString* error, const LogFormats& formats,
                        const std::function<void()>& progress)
{
    L->Progress = progress;
    L->Formats = formats;
    L->In = &in;
    L->Reader = std::make_unique<LogReader>(in, L->Formats);
    // A log being written: its last line may be half written.
    L->Reader->SetWholeLinesOnly(true);
    ReadLines();
    L->Progress = {};
    if (!L->LogLines) {
        if (error)
            *error = QStringLiteral("This is not a log file: it has no creation, appending or header line.");
        return false;
    }
    // What reading reserved beyond the rows is given back.
    Times.shrink_to_fit();
    for (LogTrace& t : Traces) {
        t.Values.shrink_to_fit();
        t.Stdev.shrink_to_fit();
    }
    return true;
}

size_t LogChartData::Update()
{
    if (!L->Reader)
        return 0;
    const size_t before = Rows();
    ReadLines();
    return Rows() - before;
}

void LogChartData::ReadLines()
{
    using Kind = LogReader::Kind;
    const size_t before = Rows();
    LogReader::Line line;
    while (L->Reader->Next(line)) {
        ++Lines;
        if (L->Progress && L->Reader->ProgressDue(line))
            L->Progress();
        if (line.What != Kind::Stdev)
            L->StdevRow = SIZE_MAX;
        switch (line.What) {
        case Kind::Created:
        case Kind::Appended:
            L->LogLines = true;
            if (line.Date.isValid()) {
                DateKnown = true;
                L->Calendar.Set(line.Date, line.What == Kind::Created ? QTime() : line.Time);
                L->SectionStart =
                    ChartSeconds(line.Date, line.Time.isValid() ? line.Time.msecsSinceStartOfDay() / 1000 : 0);
            }
            StartRun();
            break;
        case Kind::Header:
            L->LogLines = true;
            ++Runs;
            StartRun();
            break;
        case Kind::Data: AddRow(line); break;
        case Kind::Stdev: AddStdev(line); break;
        case Kind::CommentStart: {
            L->Calendar.Set(line.Date, line.Time);
            DateKnown = true;
            LogComment c;
            c.Time = ChartSeconds(line.Date, line.Time.msecsSinceStartOfDay() / 1000);
            Comments.push_back(c);
            break;
        }
        case Kind::CommentLine:
            if (!Comments.empty() && Comments.back().Text.size() < 4096) {
                QString& text = Comments.back().Text;
                if (!text.isEmpty())
                    text += QLatin1Char('\n');
                text += QString::fromLatin1(line.Text.data(), qsizetype(line.Text.size())).trimmed();
            }
            break;
        case Kind::Bad:
            if (SkippedLines++ == 0)
                FirstSkippedLine = line.Number;
            break;
        case Kind::Blank: break;
        }
        if (!L->Reserved && Rows() == 1000)
            ReserveForFile();
    }
    Refresh(before);
}

void LogChartData::ReserveForFile()
{
    // The rows so far tell the bytes a row takes; the file's size then tells how
    // many rows to make room for, so the series do not grow by doubling.
    L->Reserved = true;
    const qint64 size = L->In->size();
    const qint64 at = L->Reader->Position();
    if (size <= 0 || at <= 0)
        return;
    const size_t expected = size_t(double(size) / double(at) * double(Rows()) * 1.02) + 16;
    Times.reserve(expected);
    for (LogTrace& t : Traces)
        t.Values.reserve(expected - std::min(expected, t.FirstRow));
}

void LogChartData::StartRun()
{
    SpreadSecond(Rows());
    L->HaveSecond = false;
    L->RunStart = Rows();
    if (Rows() > 0 && (RunStarts.empty() || RunStarts.back() != Rows()))
        RunStarts.push_back(Rows());
}

LogTrace& LogChartData::TraceOf(int key, size_t row)
{
    int& index = L->TraceIndex[size_t(key - 1000) % kKeySlots];
    if (index == kNoTrace) {
        index = int(Traces.size());
        LogTrace t;
        t.Group = LogColumns::GroupOf(key);
        t.Value = LogColumns::ValueOf(key);
        t.Bench = LogColumns::BenchOf(key);
        t.FirstRow = row;
        if (L->Reserved && Times.capacity() > t.FirstRow)
            t.Values.reserve(Times.capacity() - t.FirstRow);
        Traces.push_back(std::move(t));
    }
    return Traces[size_t(index)];
}

void LogChartData::AddRow(const LogReader::Line& line)
{
    const size_t row = Rows();
    double second;
    if (line.HasTime && line.Time.isValid()) {
        const QDate date = L->Calendar.DateOf(line.Time);
        second = ChartSeconds(date.isValid() ? date : QDate(1970, 1, 1), line.Time.msecsSinceStartOfDay() / 1000);
    } else {
        // Without a time the row follows the one before: in the same second when
        // its time was not understood, a second later in a run logged without times.
        if (line.HasTime)
            ++UnreadTimes;
        second = L->HaveSecond ? L->LastSecond + (line.HasTime ? 0 : 1) : L->SectionStart;
    }
    if (L->HaveSecond && second < L->LastSecond) {
        ++OutOfOrder;
        second = L->LastSecond;
    }
    if (!L->HaveSecond || second != L->LastSecond) {
        SpreadSecond(row);
        L->SecondStart = row;
    }
    L->HaveSecond = true;
    L->LastSecond = second;
    Times.push_back(second);
    for (const LogReader::Cell& cell : line.Cells) {
        if (!LogColumns::IsValue(cell.Key))
            continue;
        LogTrace& t = TraceOf(cell.Key, row);
        if (t.Values.size() < row - t.FirstRow)
            t.Values.resize(row - t.FirstRow, NAN);
        t.Values.push_back(CellValue(cell.Text));
    }
    L->StdevRow = row;
}

void LogChartData::AddStdev(const LogReader::Line& line)
{
    const size_t row = L->StdevRow;
    L->StdevRow = SIZE_MAX;
    if (row == SIZE_MAX)
        return;
    for (const LogReader::Cell& cell : line.Cells) {
        if (!LogColumns::IsValue(cell.Key))
            continue;
        LogTrace& t = TraceOf(cell.Key, row);
        if (row < t.FirstRow)
            continue;
        const size_t i = row - t.FirstRow;
        if (t.Values.size() <= i)
            t.Values.resize(i + 1, NAN);
        if (t.Stdev.size() <= i) {
            if (t.Stdev.empty())
                t.Stdev.reserve(t.Values.capacity());
            t.Stdev.resize(i + 1, NAN);
        }
        t.Stdev[i] = CellValue(cell.Text);
    }
}

void LogChartData::SpreadSecond(size_t end)
{
    const size_t start = L->SecondStart;
    if (!L->HaveSecond || end <= start + 1 || end > Rows())
        return;
    const double n = double(end - start);
    for (size_t k = start; k < end; ++k)
        Times[k] = L->LastSecond + double(k - start) / n;
}

void LogChartData::Refresh(size_t changedFrom)
{
    // The last second may still grow: its rows are spread over it as far as known.
    SpreadSecond(Rows());
    // A STDEV line may have come for the last row read before.
    const size_t from = changedFrom > 0 ? changedFrom - 1 : 0;
    for (LogTrace& t : Traces) {
        const size_t first = from > t.FirstRow ? from - t.FirstRow : 0;
        t.Extremes.Update(
            t.Values.size(), first, [&t](size_t i) { return t.Values[i]; }, [&t](size_t i) { return t.Values[i]; });
        if (t.HasBand()) {
            t.Stdev.resize(t.Values.size(), NAN);
            t.Band.Update(
                t.Values.size(), first, [&t](size_t i) { return Low(t, i); }, [&t](size_t i) { return High(t, i); });
        }
    }
}

size_t LogChartData::FirstRowAtOrAfter(double t) const
{
    return size_t(std::lower_bound(Times.begin(), Times.end(), t) - Times.begin());
}

size_t LogChartData::FirstRowAfter(double t) const
{
    return size_t(std::upper_bound(Times.begin(), Times.end(), t) - Times.begin());
}

QString LogChartData::TimeText(size_t row) const
{
    if (row >= Rows())
        return {};
    const QDateTime at = QDateTime::fromSecsSinceEpoch(qint64(std::floor(Times[row])), Qt::UTC);
    return at.toString(DateKnown ? QStringLiteral("yyyy-MM-dd HH:mm:ss") : QStringLiteral("HH:mm:ss"));
}

QString LogChartData::Summary() const
{
    QString s = QStringLiteral("%1 rows of %2 runs.").arg(Rows()).arg(Runs);
    if (SkippedLines > 0)
        s += QStringLiteral(" %1 lines that are no log lines were skipped (the first is line %2).")
                 .arg(SkippedLines)
                 .arg(FirstSkippedLine);
    if (UnreadTimes > 0)
        s += QStringLiteral(" %1 times of day were not understood.").arg(UnreadTimes);
    if (OutOfOrder > 0)
        s += QStringLiteral(" %1 rows were earlier than the row before them.").arg(OutOfOrder);
    return s;
}

size_t LogChartData::Bytes() const
{
    size_t n = Times.capacity() * sizeof(double);
    for (const LogTrace& t : Traces)
        n += (t.Values.capacity() + t.Stdev.capacity()) * sizeof(float) + t.Extremes.Bytes() + t.Band.Bytes();
    return n;
}
