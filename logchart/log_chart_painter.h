#pragma once
#include <QColor>
#include <QFont>
#include <QRect>
#include <QSize>

class QPainter;
class LogChartView;
struct LogTrace;

// Draws a chart of logs: title, time axis, one or two value axes with grid,
// the bands and lines of the shown traces, run boundaries and a legend. The
// window, every export and `halyard-log --plot` draw with it, so they give the
// same picture for the same view and size. Each trace is one path (its gaps
// are moves within it); bands are polygons.
class LogChartPainter {
public:
    explicit LogChartPainter(const LogChartView& view);

    void Paint(QPainter& p, QSize size) const;
    // Where the traces are drawn in a picture of that size.
    QRect PlotArea(QSize size) const;
    // Pixel row of a value on an axis (0 left, 1 right) within `plot`.
    double YOf(int axis, double value, const QRect& plot) const;
    double ValueAtY(int axis, double y, const QRect& plot) const;

    static QColor TraceColor(const LogTrace& t);
    // The one font of every picture: the same everywhere a picture is drawn.
    static QFont Font();

private:
    struct Layout;
    Layout LayoutFor(QSize size) const;
    void PaintTimeAxis(QPainter& p, const QRect& plot) const;
    void PaintValueAxis(QPainter& p, const QRect& plot, int axis, int pictureWidth) const;
    void PaintTraces(QPainter& p, const QRect& plot) const;
    void PaintLegend(QPainter& p, const QRect& area) const;

    const LogChartView& View;
};
