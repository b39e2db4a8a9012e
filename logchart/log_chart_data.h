#pragma once
#include <QDate>
#include <QString>

#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "rows/log_reader.h"
#include "logchart/minmax_pyramid.h"

class QFile;

// One bench's value of a log over time: a point per data line, no value (NaN)
// where the cell was empty or the run did not log the column. Where STDEV
// lines follow the mean lines, each point also has its standard deviation.
struct LogTrace {
    int Group = 0;  // RowGroup
    int Value = 0;  // value index within the group
    int Bench = 0;  // 0..3: the k-th bench of the run's layout
    size_t FirstRow = 0;          // row of Values[0]; earlier rows have no value
    std::vector<float> Values;    // rows FirstRow.. (NaN: no value)
    std::vector<float> Stdev;     // same rows; empty while no STDEV line gave one
    MinMaxPyramid Extremes;       // of Values
    MinMaxPyramid Band;           // of Values -/+ Stdev, where both are there

    QString Name() const;         // "Bench 1 CO2 [%]"
    QString ValueName() const;    // "CO2 [%]"
    QString Unit() const;         // "%", "ppm", ... ; empty for counts without a unit
    bool HasBand() const { return !Stdev.empty(); }
    float At(size_t row) const
    {
        return row >= FirstRow && row - FirstRow < Values.size() ? Values[row - FirstRow] : NAN;
    }
    float StdevAt(size_t row) const
    {
        return row >= FirstRow && row - FirstRow < Stdev.size() ? Stdev[row - FirstRow] : NAN;
    }
    // Extremes of rows [from, to), of the values or of the band.
    ValueRange Range(size_t from, size_t to, bool band = false) const;
};

// A comment block of the log, at the time its first line gives.
struct LogComment {
    double Time = 0;
    QString Text;
};

// One log file read for drawing. Rows are the data lines (raw or mean) in file
// order; each has a time in seconds (the log's local date and time counted as
// if it were UTC, so the axis shows the times as written, whatever the zone).
// Rows that share a whole second are spread evenly over it, in their order, so
// a zoom to a few seconds shows every sample; the log knows no finer time.
// Dates come from the creation, appending and comment lines; a time of day that
// falls back by more than 12 hours is the next day. A row whose time is not
// understood, or earlier than the row before, stands at the time before it (the
// axis only goes forward) and is counted. A new header, creation or appending
// line starts a new run: lines are not joined across runs.
class LogChartData {
public:
    LogChartData();
    ~LogChartData();

    // Reads `path` to its last whole line. False (and `error`) when it cannot be
    // opened or holds no log; lines it cannot read are counted, never fatal.
    // `progress` (may be empty) is called every few thousand lines while reading.
    bool Open(const QString& path, QString* error, const LogFormats& formats = LogFormats::System(),
              const std::function<void()>& progress = {});
    // Reads from a device already open (tests); the device must outlive the data.
    bool Read(QIODevice& in, QString* error, const LogFormats& formats, const std::function<void()>& progress = {});
    // Reads the lines written since; returns the number of new rows.
    size_t Update();

    QString Path;
    std::vector<double> Times;       // seconds, one per row, never decreasing
    std::vector<size_t> RunStarts;   // first row of every run after the first
    std::vector<LogTrace> Traces;    // in the order their columns first appeared
    std::vector<LogComment> Comments;
    bool DateKnown = false;          // a creation, appending or comment line gave a date

    size_t Rows() const { return Times.size(); }
    int Lines = 0;
    int SkippedLines = 0;            // lines that are no log lines
    int FirstSkippedLine = 0;
    int UnreadTimes = 0;             // rows whose time is not understood
    int OutOfOrder = 0;              // rows earlier than the row before them
    int Runs = 0;

    // The first row at or after t, and after t (Rows() when there is none).
    size_t FirstRowAtOrAfter(double t) const;
    size_t FirstRowAfter(double t) const;
    // Whole-second time of a row as the log wrote it, "yyyy-MM-dd HH:mm:ss"
    // (the date left out when the log gave none).
    QString TimeText(size_t row) const;
    // Summary for the user: rows, runs and what was skipped.
    QString Summary() const;
    // Bytes held by the series.
    size_t Bytes() const;

private:
    struct Loader;
    std::unique_ptr<Loader> L;
    void AddRow(const LogReader::Line& line);
    void AddStdev(const LogReader::Line& line);
    void StartRun();
    void SpreadSecond(size_t end);
    void Refresh(size_t changedFrom);
    LogTrace& TraceOf(int key, size_t firstRow);
    void ReadLines();
    void ReserveForFile();
};

// Seconds of a date and time as the chart counts them.
double ChartSeconds(QDate date, int secondsOfDay);
