#pragma once
#include <QPoint>
#include <QWidget>

class LogChartView;

// The drawing of a chart of logs, and what mouse and keys do to it:
//  - wheel: zoom the time around the pointer; Ctrl+wheel: zoom the value axis
//    on the pointer's side
//  - drag: pan; Shift+drag or right-drag: zoom to the time range marked
//  - double-click, Home: fit all; Left/Right: pan; +/-: zoom; Up/Down: zoom values
//  - pointer over the plot: the cursor, a line with the time and values read there
class LogChartCanvas : public QWidget {
    Q_OBJECT
public:
    LogChartCanvas(LogChartView& view, QWidget* parent = nullptr);

    // The time under a pixel column of the widget.
    double TimeAtX(int x) const;
    // Cursor at a time (as the pointer would put it); NaN hides it.
    void SetCursorTime(double t);
    double CursorTime() const { return Cursor; }

signals:
    // The range or the axes changed (redrawn already).
    void ViewChanged();
    void CursorMoved(double time);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void Changed();
    QRect Plot() const;

    LogChartView& View;
    double Cursor;
    enum class Drag { None, Pan, Mark } Dragging = Drag::None;
    QPoint DragFrom, DragTo;
    double DragXMin = 0, DragXMax = 0;
};
