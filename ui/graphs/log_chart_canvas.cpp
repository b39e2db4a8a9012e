#include "ui/graphs/log_chart_canvas.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>

#include "logchart/log_chart_painter.h"
#include "logchart/log_chart_view.h"

namespace {

constexpr double kWheelZoom = 0.8;  // per notch
constexpr double kKeyPan = 0.1;     // of the width
constexpr int kMinMark = 4;         // pixels: shorter marks are clicks

} // namespace

LogChartCanvas::LogChartCanvas(LogChartView& view, QWidget* parent)
    : QWidget(parent), View(view), Cursor(NAN)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(300, 200);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QRect LogChartCanvas::Plot() const { return LogChartPainter(View).PlotArea(size()); }

double LogChartCanvas::TimeAtX(int x) const
{
    const QRect plot = Plot();
    return View.XMin + double(x - plot.left()) / plot.width() * (View.XMax - View.XMin);
}

void LogChartCanvas::SetCursorTime(double t)
{
    Cursor = t;
    update();
    emit CursorMoved(t);
}

void LogChartCanvas::Changed()
{
    update();
    emit ViewChanged();
}

void LogChartCanvas::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const LogChartPainter painter(View);
    painter.Paint(p, size());
    const QRect plot = painter.PlotArea(size());
    if (Dragging == Drag::Mark) {
        const int a = std::clamp(std::min(DragFrom.x(), DragTo.x()), plot.left(), plot.right());
        const int b = std::clamp(std::max(DragFrom.x(), DragTo.x()), plot.left(), plot.right());
        p.fillRect(QRect(a, plot.top(), b - a, plot.height()), QColor(0, 120, 215, 50));
    }
    if (std::isfinite(Cursor) && Cursor >= View.XMin && Cursor <= View.XMax) {
        const int x = plot.left() + int((Cursor - View.XMin) / (View.XMax - View.XMin) * plot.width());
        p.setPen(QPen(QColor(60, 60, 60), 1, Qt::DotLine));
        p.drawLine(x, plot.top(), x, plot.bottom());
        // A mark on each shown value at the row the readout gives.
        const LogChartView::Readout r = View.ReadAt(Cursor);
        p.setRenderHint(QPainter::Antialiasing, true);
        for (const LogChartView::Reading& v : r.Values) {
            if (!std::isfinite(v.Value))
                continue;
            const double y = painter.YOf(View.AxisOf(v.Id), v.Value, plot);
            if (y < plot.top() || y > plot.bottom())
                continue;
            p.setPen(LogChartPainter::TraceColor(View.Trace(v.Id)));
            p.setBrush(Qt::white);
            p.drawEllipse(QPointF(x + 0.5, y), 3, 3);
        }
    }
}

void LogChartCanvas::mousePressEvent(QMouseEvent* event)
{
    DragFrom = DragTo = event->position().toPoint();
    DragXMin = View.XMin;
    DragXMax = View.XMax;
    if (event->button() == Qt::RightButton
        || (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier)))
        Dragging = Drag::Mark;
    else if (event->button() == Qt::LeftButton)
        Dragging = Drag::Pan;
}

void LogChartCanvas::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (Dragging == Drag::Pan) {
        const double perPixel = (DragXMax - DragXMin) / Plot().width();
        const double shift = (at.x() - DragFrom.x()) * perPixel;
        View.SetXRange(DragXMin - shift, DragXMax - shift);
        Changed();
    } else if (Dragging == Drag::Mark) {
        DragTo = at;
        update();
    }
    if (Plot().contains(at))
        SetCursorTime(TimeAtX(at.x()));
}

void LogChartCanvas::mouseReleaseEvent(QMouseEvent* event)
{
    if (Dragging == Drag::Mark) {
        DragTo = event->position().toPoint();
        if (std::abs(DragTo.x() - DragFrom.x()) >= kMinMark) {
            const double a = TimeAtX(std::min(DragFrom.x(), DragTo.x()));
            const double b = TimeAtX(std::max(DragFrom.x(), DragTo.x()));
            View.SetXRange(a, b);
        }
        Dragging = Drag::None;
        Changed();
        return;
    }
    Dragging = Drag::None;
}

void LogChartCanvas::mouseDoubleClickEvent(QMouseEvent*)
{
    View.FitAll();
    Changed();
}

void LogChartCanvas::wheelEvent(QWheelEvent* event)
{
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0)
        return;
    const double factor = std::pow(kWheelZoom, notches);
    const QPointF at = event->position();
    if (event->modifiers() & Qt::ControlModifier) {
        const QRect plot = Plot();
        const int axis = View.HasRight() && at.x() > plot.center().x() ? 1 : 0;
        View.ZoomY(axis, factor, LogChartPainter(View).ValueAtY(axis, at.y(), plot));
    } else {
        View.ZoomX(factor, TimeAtX(int(at.x())));
    }
    Changed();
    event->accept();
}

void LogChartCanvas::keyPressEvent(QKeyEvent* event)
{
    const double middle = (View.XMin + View.XMax) / 2;
    switch (event->key()) {
    case Qt::Key_Left: View.PanX(-kKeyPan); break;
    case Qt::Key_Right: View.PanX(kKeyPan); break;
    case Qt::Key_Plus:
    case Qt::Key_Equal: View.ZoomX(0.5, middle); break;
    case Qt::Key_Minus: View.ZoomX(2.0, middle); break;
    case Qt::Key_Up: View.ZoomY(0, kWheelZoom, (View.Left.Min + View.Left.Max) / 2); break;
    case Qt::Key_Down: View.ZoomY(0, 1 / kWheelZoom, (View.Left.Min + View.Left.Max) / 2); break;
    case Qt::Key_Home:
    case Qt::Key_F: View.FitAll(); break;
    default: QWidget::keyPressEvent(event); return;
    }
    Changed();
}

void LogChartCanvas::leaveEvent(QEvent*)
{
    if (Dragging == Drag::None)
        SetCursorTime(NAN);
}
