#include "ui/graphs/chart_model.h"

#include <algorithm>
#include <cmath>

ChartModel::ChartModel()
{
    SetSubsets(1);
}

void ChartModel::SetSubsets(int n)
{
    Data.resize(size_t(std::clamp(n, 1, MaxSubsets)));
    SetPoints(PointCount);
}

void ChartModel::SetPoints(int n)
{
    PointCount = std::clamp(n, 0, MaxPoints);
    Head = 0;
    for (Subset& s : Data)
        s.Y.assign(size_t(PointCount), NullValue);
    Labels.assign(size_t(PointCount), QString());
}

void ChartModel::SetYData(int subset, int point, float value)
{
    if (subset < 0 || subset >= Subsets() || point < 0 || point >= PointCount)
        return;
    Data[size_t(subset)].Y[Slot(point)] = value;
}

float ChartModel::YData(int subset, int point) const
{
    if (subset < 0 || subset >= Subsets() || point < 0 || point >= PointCount)
        return NullValue;
    return Data[size_t(subset)].Y[Slot(point)];
}

bool ChartModel::IsNull(float value) const
{
    return value == NullValue || std::isnan(value);
}

void ChartModel::ClearData()
{
    for (Subset& s : Data)
        std::fill(s.Y.begin(), s.Y.end(), NullValue);
}

int ChartModel::AppendData(int n, const std::vector<float>& values, const QStringList& labels)
{
    if (n <= 0 || PointCount == 0)
        return 0;
    // Only the newest PointCount of the appended points can stay.
    const int kept = std::min(n, PointCount);
    const int skipped = n - kept;
    // The kept points take the slots of the oldest ones, in order.
    for (int s = 0; s < Subsets(); ++s) {
        std::vector<float>& y = Data[size_t(s)].Y;
        for (int i = 0; i < kept; ++i) {
            const size_t from = size_t(s) * size_t(n) + size_t(skipped + i);
            y[Slot(i)] = from < values.size() ? values[from] : NullValue;
        }
    }
    for (int i = 0; i < kept; ++i) {
        const int from = skipped + i;
        Labels[Slot(i)] = from < labels.size() ? labels[from] : QString();
    }
    Head = (Head + kept) % PointCount;
    KeyOffset += n;
    return n;
}

void ChartModel::SetPointLabel(int point, const QString& text)
{
    if (point >= 0 && point < PointCount)
        Labels[Slot(point)] = text;
}

QString ChartModel::PointLabel(int point) const
{
    return point >= 0 && point < PointCount ? Labels[Slot(point)] : QString();
}

void ChartModel::SetSubsetsToShow(const std::vector<int>& subsets)
{
    for (Subset& s : Data)
        s.Shown = false;
    for (int k : subsets)
        if (k >= 0 && k < Subsets())
            Data[size_t(k)].Shown = true;
}

void ChartModel::ShowAllSubsets()
{
    for (Subset& s : Data)
        s.Shown = true;
}

bool ChartModel::SubsetShown(int subset) const
{
    return subset >= 0 && subset < Subsets() && Data[size_t(subset)].Shown;
}

void ChartModel::SetRYAxisComparisonSubsets(int n)
{
    RYSubsets = std::clamp(n, 0, MaxSubsets);
}

bool ChartModel::OnRightAxis(int subset) const
{
    return !Stacked() && subset >= 0 && subset < Subsets() && subset >= Subsets() - RYSubsets;
}

void ChartModel::SetMultiAxesSubsets(const std::vector<int>& counts)
{
    MultiCounts.clear();
    for (int c : counts)
        if (c > 0 && int(MultiCounts.size()) < MaxSubsets)
            MultiCounts.push_back(c);
    Axes.resize(size_t(AxisCount()));
    Proportions.clear();
    WorkingIndex = std::min(WorkingIndex, AxisCount() - 1);
}

void ChartModel::SetMultiAxesProportions(const std::vector<double>& proportions)
{
    Proportions = proportions;
}

void ChartModel::SetWorkingAxis(int axis)
{
    if (axis >= 0 && axis < AxisCount())
        WorkingIndex = axis;
}

ChartModel::Axis& ChartModel::Working()
{
    return Axes[size_t(WorkingIndex)];
}

const ChartModel::Axis& ChartModel::YAxis(int axis) const
{
    return Axes[size_t(std::clamp(axis, 0, AxisCount() - 1))];
}

double ChartModel::AxisProportion(int axis) const
{
    if (axis < 0 || axis >= AxisCount())
        return 0.0;
    if (size_t(axis) < Proportions.size() && Proportions[size_t(axis)] > 0.0)
        return Proportions[size_t(axis)];
    return 1.0 / AxisCount();
}

int ChartModel::AxisOfSubset(int subset) const
{
    if (!Stacked())
        return 0;
    int first = 0;
    for (size_t a = 0; a < MultiCounts.size(); ++a) {
        first += MultiCounts[a];
        if (subset < first)
            return int(a);
    }
    // Subsets past the listed runs stay on the last axis.
    return AxisCount() - 1;
}

void ChartModel::SetSubsetLabels(const QStringList& labels)
{
    for (int s = 0; s < Subsets() && s < labels.size(); ++s)
        Data[size_t(s)].Label = labels[s];
}

void ChartModel::SetSubsetColors(const std::vector<QColor>& colors)
{
    for (size_t s = 0; s < Data.size() && s < colors.size(); ++s)
        Data[s].Color = colors[s];
}

void ChartModel::SetSubsetLineTypes(const std::vector<int>& types)
{
    for (size_t s = 0; s < Data.size() && s < types.size(); ++s)
        Data[s].LineType = types[s];
}

QString ChartModel::SubsetLabel(int subset) const
{
    return subset >= 0 && subset < Subsets() ? Data[size_t(subset)].Label : QString();
}

QColor ChartModel::SubsetColor(int subset) const
{
    return subset >= 0 && subset < Subsets() ? Data[size_t(subset)].Color : QColor();
}

int ChartModel::SubsetLineType(int subset) const
{
    return subset >= 0 && subset < Subsets() ? Data[size_t(subset)].LineType : 0;
}
