#pragma once
#include <array>
#include <cstdint>
#include <string>

#include <QString>

#include "rows/column_sums.h"
#include "rows/calendar_clock.h"
#include "rows/column_table.h"
#include "rows/row_feed.h"
#include "rows/row_settings.h"

struct BenchRecord;
class GridModel;
class LogFile;
struct IMessageSink;

// Offset reference state of the main window (Offset button and capture).
struct OffsetState {
    bool OffsetOn = false;
    std::array<bool, 4> CaptureRequested{};
    std::array<bool, 4> ReferenceValid{};
    std::array<std::array<int32_t, 3>, 4> Reference{};
};

// The main window's data rows: the column layout chosen by the settings, the
// two header rows, raw / mean / standard deviation rows with their scrolling,
// and the log lines of completed rows. Works on a GridModel and a LogFile;
// no widgets.
class DataRows {
public:
    static constexpr int kRowHeight = 16;
    static constexpr int kMinRows = 14;
    static constexpr int kMaxRawRows = 8;

    DataRows(std::array<BenchRecord, 4>& benches, GridModel& grid, CalendarClock clock = CalendarClock::System());

    // Filled by the main window before RebuildHeader() and kept current.
    RowSettings Settings;
    // The log the rows go to; none means nothing is logged.
    LogFile* Log = nullptr;
    // Shows "Log File is full" and write failures; none means they go unshown.
    IMessageSink* Messages = nullptr;
    // Takes every completed row (the rows a log gets, whether logging is on or
    // not), one per bench; none means rows go only to the grid and the log.
    IRowFeed* Feed = nullptr;

    // New layout from Settings: empty grid, header rows, cursors at their
    // starting rows, averaging restarted. Counters and offsets are kept.
    void RebuildHeader();
    // Row output after a decoded data reply: one sample when the row-making bench has new
    // data, the block's mean and deviation when it completes, and the log line(s) of a
    // completed row.
    // A bench's cells hold its values only while it answers (see Answering); the cells of
    // any other bench of the layout are blank, whatever its position, so a log never
    // repeats values as if they were fresh. The row layout and widths do not change: a
    // blank cell is as wide as its value would be, so every bench keeps its place in a line.
    // A block that had such a sample shows no mean for that bench.
    void AddDataRow();
    // The bench whose new data makes a row now: the highest bench of the layout whose port
    // is open and that is not marked silent, so a lost or silent top bench hands row making
    // to the next one at once. -1 when there is none.
    int RowMaker() const;
    // Bench k's data reply was decoded: it has a sample the next row may take.
    void MarkNewData(int k)
    {
        if (k >= 0 && k < 4)
            NewData[size_t(k)] = true;
    }
    bool HasNewData(int k) const { return k >= 0 && k < 4 && NewData[size_t(k)]; }
    // Bench b's values belong in this row: it is in the layout, its port is open (not lost),
    // it has replied since it was asked for data and it is not marked silent (timed out or
    // refused, until its next data reply).
    bool Answering(int b) const;
    // Start: LastActive and ActiveCount from the ports open now.
    void RecountActive();

    // Row 0 of the used columns, joined: the header line Start writes.
    std::string HeaderLine() const;

    // Offset button: on (with the Offset box ticked) asks every bench for a new reference.
    void OffsetButton(bool offsetTicked);
    OffsetState Offsets;

    // Counters of the main window.
    int AcceptCounter = 1;
    bool AcceptRequested = false;
    int64_t StartTime = 0;

    // Layout, as RebuildHeader() set it.
    int ColumnCount() const { return Columns; }
    int AcceptColumn() const { return AcceptCol; }
    int TimeColumn() const { return TimeCol; }
    int RelTimeColumn() const { return RelTimeCol; }
    int GroupColumn(int group, int bench) const { return GroupCol[group][bench]; }
    int FirstActive() const { return First; }
    int LastActive() const { return Last; }
    int ActiveCount() const { return Active; }
    int RowCount() const { return R; }
    int RawRows() const { return RawRowCount; }
    int RawRow() const { return RawCursor; }
    int MeanRow() const { return MeanCursor; }
    int StdevRow() const { return StdevCursor; }
    int SampleCount() const { return Samples; }

private:
    struct ColumnValue; // one value column of one group for one sample
    int GroupValues(int group, int bench, ColumnValue* out);
    void WriteBench(int bench, int sampleRow, bool complete, int n);
    enum class CellKind { Raw, Mean, Stdev };
    // A bench's cells of a row without values: blanks of each value's width.
    void BlankBench(int bench, int row, CellKind kind);
    // A block with a sample of this bench that held no values: no mean or deviation, sums restarted.
    void DropBlock(int bench);
    void WriteFixedCells(int sampleRow, bool complete);
    // The message to show afterwards, if any.
    QString LoggingStep();
    // The completed row (and its deviation row) to the feed, one per bench.
    void PublishRows(int64_t timeSeconds);
    void ScrollMeanArea();
    void ScrollRawArea();

    std::array<BenchRecord, 4>& Benches;
    GridModel& Grid;
    CalendarClock Clock;

    // Layout.
    int Columns = 0;
    int AcceptCol = -1, TimeCol = -1, RelTimeCol = -1;
    std::array<std::array<int, 4>, kGroupCount> GroupCol{};
    int First = -1, Last = 0, Active = 0;
    std::array<bool, 4> Open{};
    // A bench with a decoded sample since the last row.
    std::array<bool, 4> NewData{};
    // A bench that was silent for a sample of the current block.
    std::array<bool, 4> SilentInBlock{};
    int Mode = kAverageNone;
    int PerBlock = 4;

    // Rows.
    int R = kMinRows;
    int RawRowCount = 0;
    int RawCursor = 0, MeanCursor = 1, StdevCursor = 0;
    int Samples = 0;

    // Block sums: bench, group, value column.
    std::array<std::array<std::array<ColumnSums, 6>, kGroupCount>, 4> Sums{};

    // Time cell cache: the locale formatting runs once per second, not per row.
    int64_t CachedTimeSecond = INT64_MIN;
    std::string CachedTimeText;
    std::string LineBuffer, StdevBuffer;
    FeedRow FeedBuffer;
};
