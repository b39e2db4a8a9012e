#pragma once
#include <QMap>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <utility>

#include "logchart/log_chart_view.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;
class QVBoxLayout;
class LogChartCanvas;
struct IMessageSink;

// "Log Chart": one or more log files over time, one trace per bench and value,
// with bench and value check boxes, the cursor's readout, fit and zoom, export
// (PNG, SVG, PDF) and print. A log that is still being written grows in the
// window: its new lines are read every second and, while the view shows the
// end, the view follows them.
class LogChartWindow : public QWidget {
    Q_OBJECT
public:
    explicit LogChartWindow(QWidget* parent = nullptr);
    ~LogChartWindow() override;

    // Reads the files (`progress` is called now and then while reading, so a
    // caller's event loop goes on). False, with the reasons, when none could be read;
    // files that could not be read are named in `error` either way.
    bool OpenLogs(const QStringList& paths, QString* error, const std::function<void()>& progress = {});

    // What a user does, also for tests and scripts.
    void ShowBench(int bench, bool shown);
    void ShowValue(int group, int value, bool shown);
    void ShowRange(double from, double to);
    void FitAll();
    void ZoomIn();
    void ZoomOut();
    bool ExportTo(const QString& path, QSize size, QString* error);
    // Reads what the files gained since; returns the rows added.
    size_t Refresh();

    LogChartView& View() { return ChartView; }
    LogChartCanvas* Canvas() const { return CanvasWidget; }
    QString ReadoutText() const;
    QString SummaryText() const;

    // Asks for the export file ("" cancels); a file dialog unless replaced (tests).
    std::function<QString(const QString& suggested)> AskExportPath;
    // Where export and read failures are shown; none: a message box.
    IMessageSink* Messages = nullptr;

    static constexpr int kRefreshMs = 1000;

private:
    void BuildToggles();
    void ExportWithDialog();
    void Print();
    void ShowReadout(double time);
    void ViewChanged();
    void Tell(const QString& text);

    LogChartView ChartView;
    LogChartCanvas* CanvasWidget = nullptr;
    QVBoxLayout* SideLayout = nullptr;
    QGroupBox* BenchBox = nullptr;
    QGroupBox* ValueBox = nullptr;
    QMap<int, QCheckBox*> BenchChecks;
    QMap<std::pair<int, int>, QCheckBox*> ValueChecks;
    QLabel* Readout = nullptr;
    QLabel* Summary = nullptr;
    QCheckBox* Follow = nullptr;
    QTimer* RefreshTimer = nullptr;
    QString OpenErrors;
};
