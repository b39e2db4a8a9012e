#pragma once
#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

#include "logchart/log_chart_data.h"

// A trace of one of the files a chart shows.
struct TraceId {
    int File = 0;
    int Trace = 0;
    bool operator==(const TraceId& o) const { return File == o.File && Trace == o.Trace; }
};

// What a chart of logs shows, without drawing it: the files, the time range in
// view, which benches and values are shown, the value axes, and per trace the
// points to draw for a plot area of a given width. Millions of rows are drawn
// from at most four points per pixel column (the first, the least, the
// greatest and the last value of the rows in it), read from each trace's
// min/max pyramid, so the picture is the one all points make: no spike is lost.
class LogChartView {
public:
    void AddFile(std::unique_ptr<LogChartData> data);
    const std::vector<std::unique_ptr<LogChartData>>& Files() const { return Data; }
    LogChartData& File(int i) { return *Data[size_t(i)]; }
    const LogTrace& Trace(TraceId id) const { return Data[size_t(id.File)]->Traces[size_t(id.Trace)]; }
    bool HasRows() const;

    // Benches (0..3) and values (group, value index) found in any file, in column order.
    std::vector<int> Benches() const;
    std::vector<std::pair<int, int>> Values() const;
    // Toggles: a trace is shown when its bench and its value are.
    bool BenchShown(int bench) const { return !HiddenBenches.count(bench); }
    void SetBenchShown(int bench, bool shown);
    bool ValueShown(int group, int value) const { return !HiddenValues.count({group, value}); }
    void SetValueShown(int group, int value, bool shown);
    bool Shown(TraceId id) const;
    std::vector<TraceId> ShownTraces() const;
    std::vector<TraceId> AllTraces() const;

    // Time range in view, in chart seconds (see LogChartData).
    double XMin = 0, XMax = 1;
    // The whole time of every file.
    void FitAll();
    double DataMin() const;
    double DataMax() const;
    // A range of at least kMinSpan seconds.
    void SetXRange(double from, double to);
    // factor < 1 zooms in, keeping the time `at` where it is.
    void ZoomX(double factor, double at);
    // Moves the view by a part of its width (negative: to earlier times).
    void PanX(double fraction);
    static constexpr double kMinSpan = 0.5;
    // The view follows a growing log: it keeps its width and shows the newest rows.
    bool AtEnd() const;
    void FollowEnd();

    // Value axes: the first unit among the shown traces on the left, the others
    // on the right. Their ranges fit the shown points in view unless set by hand.
    struct Axis {
        QString Label;
        double Min = 0, Max = 1;
        bool Manual = false;
    };
    Axis Left, Right;
    bool HasRight() const { return RightUnits > 0; }
    int AxisOf(TraceId id) const; // 0 left, 1 right
    // Units to axes, labels, and the ranges that are not manual.
    void UpdateAxes();
    // Back to ranges that fit the data.
    void FitY();
    // factor < 1 zooms in around the value `at` of the axis.
    void ZoomY(int axis, double factor, double at);

    // The points of a trace for a plot area `width` pixels wide: X in pixels from
    // the area's left edge, Y as values. A new segment starts at each index of
    // Starts (no line joins two segments: empty cells, other runs).
    struct Polyline {
        std::vector<double> X, Y;
        std::vector<size_t> Starts;
        bool Decimated = false; // drawn from pixel columns, not from every row
    };
    Polyline Line(TraceId id, int width) const;
    // The band mean - stdev .. mean + stdev of a trace with STDEV lines: per
    // point its X and the two edges; segments as for lines.
    struct BandPoints {
        std::vector<double> X, Low, High;
        std::vector<size_t> Starts;
    };
    BandPoints Band(TraceId id, int width) const;

    // The values at the row nearest to time t of each file.
    struct Reading {
        TraceId Id;
        QString Name;
        float Value = 0;
        float Stdev = 0; // NaN without a STDEV value
    };
    struct Readout {
        QString Time; // as the log wrote it
        double At = 0;
        std::vector<Reading> Values;
    };
    Readout ReadAt(double t) const;

    // The file names, for the picture's title.
    QString Title() const;

private:
    std::pair<size_t, size_t> RowsInView(const LogChartData& f) const;
    bool RunStartBetween(const LogChartData& f, size_t after, size_t upTo) const;
    void AssignUnits();

    std::vector<std::unique_ptr<LogChartData>> Data;
    std::set<int> HiddenBenches;
    std::set<std::pair<int, int>> HiddenValues;
    QStringList UnitOrder; // units of the shown traces; the first on the left
    int RightUnits = 0;
};

// Value text as a reading shows it: up to seven digits, no trailing zeros.
QString ReadingText(float value);
