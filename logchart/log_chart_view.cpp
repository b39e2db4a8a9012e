#include "logchart/log_chart_view.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace {

bool Finite(float v) { return std::isfinite(v); }

// Value names without their unit, for an axis label: "CO2, O2 [%]".
QString BareName(const QString& name)
{
    const int open = int(name.lastIndexOf(QLatin1String(" [")));
    return open > 0 ? name.left(open) : name;
}

} // namespace

QString ReadingText(float value)
{
    if (!std::isfinite(value))
        return QStringLiteral("-");
    return QString::number(double(value), 'g', 7);
}

void LogChartView::AddFile(std::unique_ptr<LogChartData> data)
{
    Data.push_back(std::move(data));
    AssignUnits();
}

bool LogChartView::HasRows() const
{
    for (const auto& f : Data)
        if (f->Rows() > 0)
            return true;
    return false;
}

std::vector<int> LogChartView::Benches() const
{
    std::set<int> benches;
    for (const auto& f : Data)
        for (const LogTrace& t : f->Traces)
            benches.insert(t.Bench);
    return {benches.begin(), benches.end()};
}

std::vector<std::pair<int, int>> LogChartView::Values() const
{
    // Column order: the group's place in the line, then the value.
    std::set<std::tuple<int, int, int>> ordered;
    for (const auto& f : Data)
        for (const LogTrace& t : f->Traces)
            ordered.insert({LogColumns::PlaceOfGroup(t.Group), t.Value, t.Group});
    std::vector<std::pair<int, int>> values;
    for (const auto& [place, value, group] : ordered)
        values.emplace_back(group, value);
    return values;
}

void LogChartView::SetBenchShown(int bench, bool shown)
{
    if (shown)
        HiddenBenches.erase(bench);
    else
        HiddenBenches.insert(bench);
    AssignUnits();
}

void LogChartView::SetValueShown(int group, int value, bool shown)
{
    if (shown)
        HiddenValues.erase({group, value});
    else
        HiddenValues.insert({group, value});
    AssignUnits();
}

bool LogChartView::Shown(TraceId id) const
{
    const LogTrace& t = Trace(id);
    return BenchShown(t.Bench) && ValueShown(t.Group, t.Value);
}

std::vector<TraceId> LogChartView::AllTraces() const
{
    std::vector<TraceId> ids;
    for (size_t f = 0; f < Data.size(); ++f)
        for (size_t t = 0; t < Data[f]->Traces.size(); ++t)
            ids.push_back({int(f), int(t)});
    return ids;
}

std::vector<TraceId> LogChartView::ShownTraces() const
{
    std::vector<TraceId> ids;
    for (const TraceId& id : AllTraces())
        if (Shown(id))
            ids.push_back(id);
    return ids;
}

double LogChartView::DataMin() const
{
    double m = INFINITY;
    for (const auto& f : Data)
        if (f->Rows() > 0)
            m = std::min(m, f->Times.front());
    return std::isfinite(m) ? m : 0;
}

double LogChartView::DataMax() const
{
    double m = -INFINITY;
    for (const auto& f : Data)
        if (f->Rows() > 0)
            m = std::max(m, f->Times.back());
    return std::isfinite(m) ? m : 1;
}

void LogChartView::FitAll()
{
    const double a = DataMin(), b = DataMax();
    // A little room after the last row, so its point is not on the frame.
    const double pad = std::max(1.0, (b - a) * 0.01);
    SetXRange(a, b + pad);
    FitY();
}

void LogChartView::SetXRange(double from, double to)
{
    if (!(to - from >= kMinSpan)) {
        const double mid = (from + to) / 2;
        from = mid - kMinSpan / 2;
        to = mid + kMinSpan / 2;
    }
    XMin = from;
    XMax = to;
    UpdateAxes();
}

void LogChartView::ZoomX(double factor, double at)
{
    SetXRange(at - (at - XMin) * factor, at + (XMax - at) * factor);
}

void LogChartView::PanX(double fraction)
{
    const double d = (XMax - XMin) * fraction;
    SetXRange(XMin + d, XMax + d);
}

bool LogChartView::AtEnd() const { return XMax >= DataMax(); }

void LogChartView::FollowEnd()
{
    const double width = XMax - XMin;
    const double end = DataMax() + std::max(1.0, width * 0.01);
    if (end > XMax)
        SetXRange(end - width, end);
}

void LogChartView::AssignUnits()
{
    UnitOrder.clear();
    for (const TraceId& id : ShownTraces()) {
        const QString unit = Trace(id).Unit();
        if (!UnitOrder.contains(unit))
            UnitOrder << unit;
    }
    RightUnits = std::max(0, int(UnitOrder.size()) - 1);
    // Labels: the values of each side, grouped by unit.
    for (int side = 0; side < 2; ++side) {
        QStringList parts;
        for (int u = side == 0 ? 0 : 1; u < (side == 0 ? std::min<int>(1, int(UnitOrder.size())) : int(UnitOrder.size()));
             ++u) {
            QStringList names;
            for (const TraceId& id : ShownTraces()) {
                const LogTrace& t = Trace(id);
                const QString bare = BareName(t.ValueName());
                if (t.Unit() == UnitOrder[u] && !names.contains(bare))
                    names << bare;
            }
            QString part = names.join(QStringLiteral(", "));
            if (!UnitOrder[u].isEmpty())
                part += QStringLiteral(" [%1]").arg(UnitOrder[u]);
            parts << part;
        }
        (side == 0 ? Left : Right).Label = parts.join(QStringLiteral("; "));
    }
    UpdateAxes();
}

int LogChartView::AxisOf(TraceId id) const
{
    const int u = int(UnitOrder.indexOf(Trace(id).Unit()));
    return u > 0 ? 1 : 0;
}

std::pair<size_t, size_t> LogChartView::RowsInView(const LogChartData& f) const
{
    return {f.FirstRowAtOrAfter(XMin), f.FirstRowAfter(XMax)};
}

void LogChartView::UpdateAxes()
{
    std::array<ValueRange, 2> ranges;
    for (const TraceId& id : ShownTraces()) {
        const LogChartData& f = *Data[size_t(id.File)];
        const auto [from, to] = RowsInView(f);
        ranges[size_t(AxisOf(id))].Add(Trace(id).Range(from, to, true));
        ranges[size_t(AxisOf(id))].Add(Trace(id).Range(from, to, false));
    }
    for (int side = 0; side < 2; ++side) {
        Axis& axis = side == 0 ? Left : Right;
        if (axis.Manual)
            continue;
        const ValueRange& r = ranges[size_t(side)];
        if (r.Empty()) {
            axis.Min = 0;
            axis.Max = 1;
            continue;
        }
        double lo = r.Min, hi = r.Max;
        const double pad = hi > lo ? (hi - lo) * 0.05 : std::max(1e-3, std::fabs(lo) * 0.05);
        axis.Min = lo - pad;
        axis.Max = hi + pad;
    }
}

void LogChartView::FitY()
{
    Left.Manual = Right.Manual = false;
    UpdateAxes();
}

void LogChartView::ZoomY(int axis, double factor, double at)
{
    Axis& a = axis == 0 ? Left : Right;
    const double lo = at - (at - a.Min) * factor, hi = at + (a.Max - at) * factor;
    if (!(hi - lo > 1e-9 * std::max(1.0, std::fabs(at))))
        return;
    a.Min = lo;
    a.Max = hi;
    a.Manual = true;
}

bool LogChartView::RunStartBetween(const LogChartData& f, size_t after, size_t upTo) const
{
    // A run starting at a row in (after, upTo].
    const auto it = std::upper_bound(f.RunStarts.begin(), f.RunStarts.end(), after);
    return it != f.RunStarts.end() && *it <= upTo;
}

LogChartView::Polyline LogChartView::Line(TraceId id, int width) const
{
    Polyline out;
    const LogChartData& f = *Data[size_t(id.File)];
    const LogTrace& t = Trace(id);
    if (width <= 0 || f.Rows() == 0)
        return out;
    const double span = XMax - XMin;
    const double perPixel = double(width) / span;
    auto px = [&](double time) { return (time - XMin) * perPixel; };
    const auto [from, to] = RowsInView(f);

    if (to - from <= size_t(2 * width)) {
        // Every row a point, and the lines to the rows just outside cut at the frame.
        const size_t a = from > 0 ? from - 1 : 0;
        const size_t b = std::min(f.Rows(), to + 1);
        size_t prev = SIZE_MAX; // the row before, when it has a value
        for (size_t i = a; i < b; ++i) {
            const float v = t.At(i);
            if (!Finite(v)) {
                prev = SIZE_MAX;
                continue;
            }
            const bool joins = prev != SIZE_MAX && !RunStartBetween(f, prev, i);
            double x = px(f.Times[i]);
            double y = v;
            if (i < from) {
                const size_t next = i + 1;
                if (next >= b || !Finite(t.At(next)) || RunStartBetween(f, i, next))
                    continue;
                const double xn = px(f.Times[next]);
                if (xn != x)
                    y = v + (double(t.At(next)) - v) * (0.0 - x) / (xn - x);
                x = 0.0;
            } else if (i >= to) {
                if (!joins)
                    break;
                const double xp = px(f.Times[prev]);
                if (xp != x)
                    y = double(t.At(prev)) + (v - double(t.At(prev))) * (double(width) - xp) / (x - xp);
                x = double(width);
            }
            if (!joins)
                out.Starts.push_back(out.X.size());
            out.X.push_back(x);
            out.Y.push_back(y);
            prev = i;
        }
        return out;
    }

    // Pixel columns: first, least, greatest and last value of the rows in each.
    out.Decimated = true;
    size_t rowA = from;
    size_t lastRow = SIZE_MAX; // last row drawn, for joining the next column
    for (int c = 0; c < width; ++c) {
        const size_t rowB = c + 1 == width ? to : f.FirstRowAtOrAfter(XMin + double(c + 1) / perPixel);
        if (rowB <= rowA) {
            continue;
        }
        const ValueRange r = t.Range(rowA, rowB);
        if (r.Empty()) {
            lastRow = SIZE_MAX;
            rowA = rowB;
            continue;
        }
        const float first = t.At(rowA), last = t.At(rowB - 1);
        const bool joins = lastRow != SIZE_MAX && Finite(t.At(lastRow)) && Finite(first)
            && !RunStartBetween(f, lastRow, rowA);
        const double x = c + 0.5;
        if (!joins)
            out.Starts.push_back(out.X.size());
        if (Finite(first)) {
            out.X.push_back(x);
            out.Y.push_back(first);
        }
        out.X.push_back(x);
        out.Y.push_back(r.Min);
        out.X.push_back(x);
        out.Y.push_back(r.Max);
        if (Finite(last)) {
            out.X.push_back(x);
            out.Y.push_back(last);
        }
        lastRow = Finite(last) ? rowB - 1 : SIZE_MAX;
        rowA = rowB;
    }
    return out;
}

LogChartView::BandPoints LogChartView::Band(TraceId id, int width) const
{
    BandPoints out;
    const LogChartData& f = *Data[size_t(id.File)];
    const LogTrace& t = Trace(id);
    if (width <= 0 || !t.HasBand() || f.Rows() == 0)
        return out;
    const double perPixel = double(width) / (XMax - XMin);
    const auto [from, to] = RowsInView(f);
    size_t last = SIZE_MAX;
    auto add = [&](double x, double low, double high, size_t firstRow, size_t lastRowOfPoint) {
        if (last == SIZE_MAX || RunStartBetween(f, last, firstRow))
            out.Starts.push_back(out.X.size());
        out.X.push_back(x);
        out.Low.push_back(low);
        out.High.push_back(high);
        last = lastRowOfPoint;
    };
    if (to - from <= size_t(2 * width)) {
        for (size_t i = from; i < to; ++i) {
            const float v = t.At(i), sd = t.StdevAt(i);
            if (!Finite(v) || !Finite(sd)) {
                last = SIZE_MAX;
                continue;
            }
            add((f.Times[i] - XMin) * perPixel, v - sd, v + sd, i, i);
        }
        return out;
    }
    size_t rowA = from;
    for (int c = 0; c < width; ++c) {
        const size_t rowB = c + 1 == width ? to : f.FirstRowAtOrAfter(XMin + double(c + 1) / perPixel);
        if (rowB <= rowA)
            continue;
        const ValueRange r = t.Range(rowA, rowB, true);
        if (r.Empty())
            last = SIZE_MAX;
        else
            add(c + 0.5, r.Min, r.Max, rowA, rowB - 1);
        rowA = rowB;
    }
    return out;
}

LogChartView::Readout LogChartView::ReadAt(double t) const
{
    Readout out;
    out.At = t;
    for (size_t fi = 0; fi < Data.size(); ++fi) {
        const LogChartData& f = *Data[fi];
        if (f.Rows() == 0)
            continue;
        size_t row = f.FirstRowAtOrAfter(t);
        if (row == f.Rows() || (row > 0 && t - f.Times[row - 1] < f.Times[row] - t))
            row = row > 0 ? row - 1 : 0;
        if (out.Time.isEmpty())
            out.Time = f.TimeText(row);
        for (size_t ti = 0; ti < f.Traces.size(); ++ti) {
            const TraceId id{int(fi), int(ti)};
            if (!Shown(id))
                continue;
            const LogTrace& tr = f.Traces[ti];
            Reading r;
            r.Id = id;
            r.Name = Data.size() > 1 ? QFileInfo(f.Path).fileName() + QStringLiteral(": ") + tr.Name() : tr.Name();
            r.Value = tr.At(row);
            r.Stdev = tr.StdevAt(row);
            out.Values.push_back(r);
        }
    }
    return out;
}

QString LogChartView::Title() const
{
    QStringList names;
    for (const auto& f : Data)
        names << QFileInfo(f->Path).fileName();
    return names.join(QStringLiteral(", "));
}
