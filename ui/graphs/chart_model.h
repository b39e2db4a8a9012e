#pragma once
#include <QColor>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <limits>
#include <vector>

// Everything a chart shows, kept apart from the drawing so that tests can
// read it back without pixels.
//
// A chart holds subsets (series) of equally many points. One value, the null
// data value, marks a point without data; it is drawn as a gap. Points can
// carry X labels. Y axes: either a left axis with the last
// RYComparisonSubsets subsets on a right axis, or stacked axes, each holding
// a run of consecutive subsets (MultiAxesSubsets) with its own range and label.
class ChartModel {
public:
    struct Axis {
        QString Label;
        double Min = 0.0;
        double Max = 100.0;
        bool Manual = true; // manual range; otherwise fitted to the data on redraw
    };

    static constexpr float DefaultNull = std::numeric_limits<float>::lowest();
    static constexpr int MaxSubsets = 64;
    static constexpr int MaxPoints = 100000;

    ChartModel();

    // Both reset every point to the null data value (sizes are clamped to 1..MaxSubsets, 0..MaxPoints).
    void SetSubsets(int n);
    void SetPoints(int n);
    int Subsets() const { return int(Data.size()); }
    int Points() const { return PointCount; }

    // Out-of-range indices are ignored (reads give the null value).
    void SetYData(int subset, int point, float value);
    float YData(int subset, int point) const;
    bool IsNull(float value) const;
    void SetNullDataValue(float value) { NullValue = value; }
    float NullDataValue() const { return NullValue; }
    // Every point of every subset := null.
    void ClearData();

    // Appends n points to every subset, values given subset by subset
    // (values[s * n + i]); the oldest n points drop off. Missing values are
    // null, missing labels empty. Returns the number of points appended.
    int AppendData(int n, const std::vector<float>& values, const QStringList& labels = {});
    // Key of point 0: grows by n with every append, so the drawing can append too.
    int64_t FirstKey() const { return KeyOffset; }

    void SetPointLabel(int point, const QString& text);
    QString PointLabel(int point) const;

    // Draw only these subsets (out-of-range indices are skipped); empty list = none.
    void SetSubsetsToShow(const std::vector<int>& subsets);
    void ShowAllSubsets();
    bool SubsetShown(int subset) const;

    QString MainTitle, SubTitle, XAxisLabel;

    // Y axes. Without stacked axes, axis 0 is the left axis. SetWorkingAxis
    // picks the stacked axis the Y setters below act on.
    void SetYAxisLabel(const QString& text) { Working().Label = text; }
    void SetManualScaleControlY(bool manual) { Working().Manual = manual; }
    void SetManualMinY(double v) { Working().Min = v; }
    void SetManualMaxY(double v) { Working().Max = v; }
    void SetManualY(double min, double max) { Working().Min = min, Working().Max = max; }
    Axis RightAxis;
    void SetRYAxisComparisonSubsets(int n);
    int RYComparisonSubsets() const { return RYSubsets; }
    bool OnRightAxis(int subset) const;

    // Stacked axes: counts[i] subsets on axis i (counts of 0 or below are
    // dropped; an empty list switches stacking off). Proportions default to equal.
    void SetMultiAxesSubsets(const std::vector<int>& counts);
    void SetMultiAxesProportions(const std::vector<double>& proportions);
    void SetWorkingAxis(int axis);
    int WorkingAxis() const { return WorkingIndex; }
    bool Stacked() const { return !MultiCounts.empty(); }
    // Number of left-side Y axes (1 when not stacked).
    int AxisCount() const { return Stacked() ? int(MultiCounts.size()) : 1; }
    const Axis& YAxis(int axis) const;
    double AxisProportion(int axis) const;
    int AxisOfSubset(int subset) const;
    const std::vector<int>& MultiAxesSubsets() const { return MultiCounts; }

    // Looks of each subset. Line type 0 is a plain line.
    void SetSubsetLabels(const QStringList& labels);
    void SetSubsetColors(const std::vector<QColor>& colors);
    void SetSubsetLineTypes(const std::vector<int>& types);
    QString SubsetLabel(int subset) const;
    QColor SubsetColor(int subset) const;
    int SubsetLineType(int subset) const;

    bool MarkDataPoints = false;
    bool GridLines = true;
    QColor DeskColor = QColor(192, 192, 192);

private:
    Axis& Working();

    struct Subset {
        std::vector<float> Y;
        QString Label;
        QColor Color = Qt::black;
        int LineType = 0;
        bool Shown = true;
    };
    std::vector<Subset> Data;
    std::vector<QString> Labels;
    int PointCount = 0;
    // Points are kept in a ring: storage slot of point 0 (the oldest). An
    // append overwrites the oldest slots and moves Head, so live data never
    // shifts or reallocates.
    int Head = 0;
    size_t Slot(int point) const { return size_t((Head + point) % PointCount); }
    float NullValue = DefaultNull;
    int64_t KeyOffset = 0;

    int RYSubsets = 0;
    std::vector<Axis> Axes{Axis{}};
    std::vector<int> MultiCounts;
    std::vector<double> Proportions;
    int WorkingIndex = 0;
};
