#pragma once
#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QtGlobal>

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

class QIODevice;

// Reading a data log (Latin-1, CR LF, fields run together without separators)
// line by line: what each line is, the cells of data and STDEV lines with the
// column each belongs to, and the dates of the creation, appending and comment
// lines. The CSV export and the log chart both read through it.

// The date and time formats the log's lines were written with, tried in order.
struct LogFormats {
    QStringList DateFormats; // short date of the creation, appending and comment lines
    QStringList TimeFormats; // long time of the time cells and those lines
    // The system locale's formats first, then common numeric ones.
    static LogFormats System();
};

// The columns a log can hold, each known by a key: the accept count, the
// relative time, and one value of one group for the k-th bench of the run's
// layout. Keys sort in the order the columns stand in a line.
namespace LogColumns {
inline constexpr int kAccept = 1;
inline constexpr int kRelTime = 2;
inline constexpr int kMaxBenches = 4;
// `layoutIndex` is the group's place in kGroupLayoutOrder; `value` its value index.
constexpr int GroupKey(int layoutIndex, int bench, int value) { return 1000 + layoutIndex * 100 + bench * 10 + value; }
constexpr bool IsValue(int key) { return key >= 1000; }
constexpr int BenchOf(int key) { return (key - 1000) / 10 % 10; }
constexpr int ValueOf(int key) { return (key - 1000) % 10; }
constexpr int LayoutIndexOf(int key) { return (key - 1000) / 100; }
// The group (RowGroup) of a value key, and a group's place in the line layout.
int GroupOf(int key);
int PlaceOfGroup(int group);
// Values per group (RowGroup), and their names with units, e.g. "CO2 [%]".
int ValueCount(int group);
const char* ValueName(int group, int value);
// "Accept", "RTime [s]", or "Bench 1 CO2 [%]".
QString Name(int key);
} // namespace LogColumns

// A run's column layout, as its header line tells it.
struct LogLayout {
    bool Accept = false, Time = false, RelTime = false;
    int Benches = 0;
    std::array<bool, 10> Shown{}; // by group (RowGroup)
    // Keys of the columns a line of the full layout holds, in line order.
    std::vector<int> Keys() const;
};

class LogReader {
public:
    enum class Kind { Blank, Created, Appended, Header, Data, Stdev, CommentStart, CommentLine, Bad };

    // One cell of a data or STDEV line. Text is trimmed ("-nan" reads "nan"); an
    // empty text is a cell left empty (a silent bench), which holds no value.
    struct Cell {
        int Key = 0;
        std::string_view Text;
    };

    // Views (Text, Cells, TimeText) stay valid until the next call of Next().
    struct Line {
        Kind What = Kind::Bad;
        int Number = 0;           // 1-based
        std::string_view Text;    // without the line end
        // Data and STDEV lines:
        std::vector<Cell> Cells;  // value, accept and relative time cells in line order
        bool HasTime = false;     // the line has a time cell
        std::string_view TimeText;
        QTime Time;               // the time cell's time of day (invalid: not understood);
                                  // for Appended and CommentStart lines their time
        int Tells = 0;            // 1 raw, 2 mean, 0 the line cannot say
        // Created, Appended, CommentStart:
        QDate Date;
    };

    // Reads from `in` from its current position up to `limit` (a byte position of
    // `in`; -1: to its end). `in` may grow while it is read.
    LogReader(QIODevice& in, const LogFormats& formats, qint64 limit = -1);
    ~LogReader();
    LogReader(const LogReader&) = delete;
    LogReader& operator=(const LogReader&) = delete;

    // The next line, false at the end. With WholeLinesOnly a last line without its
    // line end is left unread (the writer is in the middle of it), and a later
    // call reads it once the file has grown; otherwise (the default) it is read as it is.
    bool Next(Line& line);
    void SetWholeLinesOnly(bool on);
    // Byte position of `in` after the last line returned.
    qint64 Position() const;

    // Every few thousand lines, and sooner after lines that cost the row parser
    // many steps: a window's event loop then serves the ports however the log reads.
    bool ProgressDue(const Line& line);

    bool HaveLayout() const;
    const LogLayout& Layout() const;

    // The time of a time cell's text; invalid when no format reads it.
    QTime ReadTime(std::string_view text) const;

private:
    struct Impl;
    std::unique_ptr<Impl> D;
};

// Where rows stand in time: the date the creation, appending and comment lines
// give, moved on by a day when the time of day falls back by more than 12 hours
// (midnight passed between two rows).
class LogCalendar {
public:
    // A line with a date (and, but for the creation line, a time); an invalid date changes nothing.
    void Set(QDate date, QTime time);
    // The date of a row written at time `t` (invalid while no date is known).
    QDate DateOf(QTime t);

private:
    QDate Date;
    QTime Last;
};
