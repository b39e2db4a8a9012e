#include "logchart/log_chart_painter.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>

#include "logchart/log_chart_view.h"

namespace {

constexpr int kMargin = 8;
constexpr int kTickLength = 4;
constexpr int kLegendSwatch = 18;
const QColor kGrid(225, 225, 225);
const QColor kFrame(90, 90, 90);
const QColor kRunMark(150, 150, 150);

// Steps of the time axis, in seconds.
constexpr double kTimeSteps[] = {1,    2,    5,     10,    15,    30,    60,    120,    300,    600,
                                 900,  1800, 3600,  7200,  10800, 21600, 43200, 86400, 172800, 604800};

double NiceStep(double span, int ticks)
{
    if (!(span > 0) || ticks < 1)
        return 1;
    const double raw = span / ticks;
    const double mag = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * mag >= raw)
            return m * mag;
    return 10 * mag;
}

QString ValueLabel(double v, double step)
{
    const int decimals = std::max(0, int(-std::floor(std::log10(step) + 1e-9)));
    if (std::fabs(v) < step * 1e-6)
        v = 0;
    return QString::number(v, 'f', decimals);
}

QDateTime AtSecond(double t) { return QDateTime::fromSecsSinceEpoch(qint64(std::floor(t)), Qt::UTC); }

} // namespace

struct LogChartPainter::Layout {
    QRect Plot;
    QRect Legend;
    QRect Title;
};

LogChartPainter::LogChartPainter(const LogChartView& view) : View(view) {}

QFont LogChartPainter::Font()
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(12);
    f.setStyleHint(QFont::SansSerif);
    return f;
}

QColor LogChartPainter::TraceColor(const LogTrace& t)
{
    // A hue per value (the gas values as on the trend graphs); the benches of a value
    // differ by a turn of the hue and by brightness.
    static const int gasHues[] = {240, 0, 60, 180};
    static const int otherHues[] = {300, 30, 120, 270, 210, 90, 330, 150, 20};
    static const int hueTurn[] = {0, -22, 22, -44};
    static const int brightness[] = {235, 150, 235, 150};
    static const int saturation[] = {255, 255, 190, 190};
    const int place = LogColumns::PlaceOfGroup(t.Group);
    const int hue = t.Group == 0 && t.Value < 4 ? gasHues[t.Value] : otherHues[(place * 3 + t.Value) % 9];
    const int b = t.Bench & 3;
    return QColor::fromHsv((hue + hueTurn[b] + 360) % 360, saturation[b], brightness[b]);
}

LogChartPainter::Layout LogChartPainter::LayoutFor(QSize size) const
{
    const QFontMetrics fm(Font());
    const int line = fm.height();
    Layout l;
    l.Title = QRect(kMargin, kMargin / 2, size.width() - 2 * kMargin, line + 4);
    // Legend rows: entries flow left to right.
    const int legendWidth = size.width() - 2 * kMargin;
    int rows = 0, x = legendWidth;
    for (const TraceId& id : View.ShownTraces()) {
        const int w = kLegendSwatch + 4 + fm.horizontalAdvance(View.Trace(id).Name()) + 14;
        if (x + w > legendWidth) {
            ++rows;
            x = 0;
        }
        x += w;
    }
    const int legendHeight = rows * (line + 2);
    const int valueLabelWidth = fm.horizontalAdvance(QStringLiteral("-0000.000")) + kTickLength + 4;
    const int left = kMargin + line + 4 + valueLabelWidth;
    const int right = kMargin + (View.HasRight() ? line + 4 + valueLabelWidth : fm.horizontalAdvance(QStringLiteral("00:00")) / 2);
    const int top = l.Title.bottom() + 6;
    const int bottom = kMargin + legendHeight + 2 * line + kTickLength + 8;
    l.Plot = QRect(left, top, std::max(10, size.width() - left - right), std::max(10, size.height() - top - bottom));
    l.Legend = QRect(kMargin, size.height() - kMargin - legendHeight, legendWidth, legendHeight);
    return l;
}

QRect LogChartPainter::PlotArea(QSize size) const { return LayoutFor(size).Plot; }

double LogChartPainter::YOf(int axis, double value, const QRect& plot) const
{
    const LogChartView::Axis& a = axis == 0 ? View.Left : View.Right;
    return plot.top() + plot.height() - (value - a.Min) / (a.Max - a.Min) * plot.height();
}

double LogChartPainter::ValueAtY(int axis, double y, const QRect& plot) const
{
    const LogChartView::Axis& a = axis == 0 ? View.Left : View.Right;
    return a.Min + (plot.top() + plot.height() - y) / plot.height() * (a.Max - a.Min);
}

void LogChartPainter::Paint(QPainter& p, QSize size) const
{
    const Layout l = LayoutFor(size);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setFont(Font());
    p.fillRect(QRect(QPoint(0, 0), size), Qt::white);

    // Title: the files, and the span in view.
    p.setPen(Qt::black);
    const QString format = View.Files().empty() || View.Files().front()->DateKnown
        ? QStringLiteral("yyyy-MM-dd HH:mm:ss")
        : QStringLiteral("HH:mm:ss");
    const QString span = AtSecond(View.XMin).toString(format) + QStringLiteral(" - ") + AtSecond(View.XMax).toString(format);
    p.drawText(l.Title, Qt::AlignLeft | Qt::AlignVCenter, View.Title());
    p.drawText(l.Title, Qt::AlignRight | Qt::AlignVCenter, span);

    PaintTimeAxis(p, l.Plot);
    PaintValueAxis(p, l.Plot, 0, size.width());
    if (View.HasRight())
        PaintValueAxis(p, l.Plot, 1, size.width());
    PaintTraces(p, l.Plot);
    p.setPen(kFrame);
    p.setBrush(Qt::NoBrush);
    p.drawRect(l.Plot.adjusted(0, 0, -1, -1));
    PaintLegend(p, l.Legend);
    p.restore();
}

void LogChartPainter::PaintTimeAxis(QPainter& p, const QRect& plot) const
{
    const QFontMetrics fm(Font());
    const double span = View.XMax - View.XMin;
    const int maxTicks = std::max(1, plot.width() / (fm.horizontalAdvance(QStringLiteral("00:00:00")) + 30));
    double step = kTimeSteps[std::size(kTimeSteps) - 1];
    for (double s : kTimeSteps)
        if (span / s <= maxTicks) {
            step = s;
            break;
        }
    const QString format = step < 60 ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm");
    const bool dates = View.Files().empty() || View.Files().front()->DateKnown;
    const double perPixel = plot.width() / span;
    QString lastDate;
    for (double t = std::ceil(View.XMin / step) * step; t <= View.XMax; t += step) {
        const int x = plot.left() + int(std::floor((t - View.XMin) * perPixel));
        p.setPen(kGrid);
        p.drawLine(x, plot.top(), x, plot.bottom());
        p.setPen(kFrame);
        p.drawLine(x, plot.bottom() + 1, x, plot.bottom() + kTickLength);
        const QDateTime at = AtSecond(t);
        const QString text = step >= 86400 ? at.toString(QStringLiteral("yyyy-MM-dd")) : at.toString(format);
        const int w = fm.horizontalAdvance(text);
        p.setPen(Qt::black);
        p.drawText(x - w / 2, plot.bottom() + kTickLength + fm.ascent() + 2, text);
        // The date under the first time of each day.
        const QString date = at.toString(QStringLiteral("yyyy-MM-dd"));
        if (dates && step < 86400 && date != lastDate) {
            const int dw = fm.horizontalAdvance(date);
            p.drawText(x - dw / 2, plot.bottom() + kTickLength + fm.ascent() + fm.height() + 2, date);
        }
        lastDate = date;
    }
}

void LogChartPainter::PaintValueAxis(QPainter& p, const QRect& plot, int axis, int pictureWidth) const
{
    const QFontMetrics fm(Font());
    const LogChartView::Axis& a = axis == 0 ? View.Left : View.Right;
    const double step = NiceStep(a.Max - a.Min, std::max(2, plot.height() / 45));
    for (double v = std::ceil(a.Min / step) * step; v <= a.Max + step * 1e-9; v += step) {
        const int y = int(std::round(YOf(axis, v, plot)));
        if (y < plot.top() || y > plot.bottom())
            continue;
        if (axis == 0) {
            p.setPen(kGrid);
            p.drawLine(plot.left(), y, plot.right(), y);
        }
        p.setPen(kFrame);
        const QString text = ValueLabel(v, step);
        if (axis == 0) {
            p.drawLine(plot.left() - kTickLength, y, plot.left() - 1, y);
            p.setPen(Qt::black);
            p.drawText(plot.left() - kTickLength - 3 - fm.horizontalAdvance(text), y + fm.ascent() / 2 - 1, text);
        } else {
            p.drawLine(plot.right() + 1, y, plot.right() + kTickLength, y);
            p.setPen(Qt::black);
            p.drawText(plot.right() + kTickLength + 3, y + fm.ascent() / 2 - 1, text);
        }
    }
    // The axis label, turned along the axis.
    p.save();
    p.setPen(Qt::black);
    const int x = axis == 0 ? kMargin + fm.ascent() : pictureWidth - kMargin - fm.descent();
    p.translate(x, plot.center().y());
    p.rotate(axis == 0 ? -90 : 90);
    const QString label = fm.elidedText(a.Label, Qt::ElideRight, plot.height());
    p.drawText(-fm.horizontalAdvance(label) / 2, 0, label);
    p.restore();
}

void LogChartPainter::PaintTraces(QPainter& p, const QRect& plot) const
{
    p.save();
    p.setClipRect(plot);
    const int width = plot.width();
    const std::vector<TraceId> shown = View.ShownTraces();
    // Run boundaries: where the line of one run ends and the next begins.
    p.setPen(QPen(kRunMark, 1, Qt::DashLine));
    for (const auto& f : View.Files())
        for (size_t row : f->RunStarts) {
            const double t = f->Times[row];
            if (t < View.XMin || t > View.XMax)
                continue;
            const int x = plot.left() + int(std::floor((t - View.XMin) / (View.XMax - View.XMin) * width));
            p.drawLine(x, plot.top(), x, plot.bottom());
        }
    // Bands under the lines.
    p.setPen(Qt::NoPen);
    for (const TraceId& id : shown) {
        const LogChartView::BandPoints band = View.Band(id, width);
        if (band.X.empty())
            continue;
        QColor fill = TraceColor(View.Trace(id));
        fill.setAlpha(60);
        p.setBrush(fill);
        const int axis = View.AxisOf(id);
        for (size_t s = 0; s < band.Starts.size(); ++s) {
            const size_t a = band.Starts[s];
            const size_t b = s + 1 < band.Starts.size() ? band.Starts[s + 1] : band.X.size();
            QPolygonF polygon;
            for (size_t i = a; i < b; ++i)
                polygon << QPointF(plot.left() + band.X[i], YOf(axis, band.High[i], plot));
            for (size_t i = b; i-- > a;)
                polygon << QPointF(plot.left() + band.X[i], YOf(axis, band.Low[i], plot));
            if (b - a == 1) // one point: a stroke as wide as a pixel
                polygon = QPolygonF({polygon[0] + QPointF(-1, 0), polygon[0] + QPointF(1, 0),
                                     polygon[1] + QPointF(1, 0), polygon[1] + QPointF(-1, 0)});
            p.drawPolygon(polygon);
        }
    }
    p.setBrush(Qt::NoBrush);
    for (const TraceId& id : shown) {
        const LogChartView::Polyline line = View.Line(id, width);
        if (line.X.empty())
            continue;
        const int axis = View.AxisOf(id);
        QPainterPath path;
        for (size_t s = 0; s < line.Starts.size(); ++s) {
            const size_t a = line.Starts[s];
            const size_t b = s + 1 < line.Starts.size() ? line.Starts[s + 1] : line.X.size();
            const QPointF first(plot.left() + line.X[a], YOf(axis, line.Y[a], plot));
            if (b - a == 1) {
                // A lone point: a short stroke, so that it shows.
                path.moveTo(first - QPointF(1, 0));
                path.lineTo(first + QPointF(1, 0));
                continue;
            }
            path.moveTo(first);
            for (size_t i = a + 1; i < b; ++i)
                path.lineTo(plot.left() + line.X[i], YOf(axis, line.Y[i], plot));
        }
        QPen pen(TraceColor(View.Trace(id)), 0);
        pen.setCosmetic(true);
        p.setPen(pen);
        p.drawPath(path);
    }
    p.restore();
}

void LogChartPainter::PaintLegend(QPainter& p, const QRect& area) const
{
    const QFontMetrics fm(Font());
    int x = area.width(), y = area.top() - fm.height() - 2;
    for (const TraceId& id : View.ShownTraces()) {
        const LogTrace& t = View.Trace(id);
        const QString name = t.Name();
        const int w = kLegendSwatch + 4 + fm.horizontalAdvance(name) + 14;
        if (x + w > area.width()) {
            x = 0;
            y += fm.height() + 2;
        }
        const int mid = y + fm.height() / 2;
        p.setPen(QPen(TraceColor(t), 2));
        p.drawLine(area.left() + x, mid, area.left() + x + kLegendSwatch, mid);
        p.setPen(Qt::black);
        p.drawText(area.left() + x + kLegendSwatch + 4, y + fm.ascent(), name);
        x += w;
    }
}
