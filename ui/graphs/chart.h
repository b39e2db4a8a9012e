#pragma once
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <vector>

#include "ui/graphs/chart_model.h"

class QCustomPlot;
class QCPAxis;
class QCPAxisRect;
class QCPGraph;
class QCPLegend;
class QCPMarginGroup;
struct IMessageSink;

// The chart control of the graph windows: a ChartModel drawn with QCustomPlot.
// Settings go into Model() and take effect with Apply(); live data goes
// through AppendData, which appends to the drawing instead of rebuilding it
// and coalesces redraws. Users zoom and pan with the mouse; the context menu
// offers Print, Export PNG, Export PDF and Unzoom.
class Chart : public QWidget {
    Q_OBJECT
public:
    explicit Chart(QWidget* parent = nullptr);
    ~Chart() override;

    ChartModel& Model() { return M; }
    const ChartModel& Model() const { return M; }

    // Applies every setting of the model and redraws (back to the full view).
    void Apply();
    // Appends n points to every subset (values subset by subset, see
    // ChartModel::AppendData) with their X labels and queues a redraw.
    void AppendData(int n, const std::vector<float>& values, const QStringList& labels = {});
    // One point per subset.
    void AppendPoint(const std::vector<float>& values, const QString& label);
    // Sends every point of the model to the drawing (after SetYData) and queues a redraw.
    void DataChanged();
    // Draws only the listed subsets.
    void ShowSubsets(const std::vector<int>& subsets);
    // Back to the full view after the user zoomed or panned.
    void Unzoom();
    // The view differs from the full view.
    bool Zoomed() const;
    // Queues one redraw: however many requests arrive, the chart is drawn at
    // most once per RedrawInterval, and not at all while it is hidden (it is
    // drawn when shown again).
    void Redraw();
    static constexpr int RedrawInterval = 50; // ms: twenty redraws a second, as the grid
    // A redraw is queued and not yet done.
    bool RedrawPending() const { return Pending; }

    // Drawn image at the given size (the widget's size for 0).
    QPixmap Render(int width = 0, int height = 0);
    bool ExportPng(const QString& path);
    bool ExportPdf(const QString& path);
    // Print dialog, then prints the chart scaled to the page.
    void Print();

    // Where export failures are reported; none = silently.
    IMessageSink* Messages = nullptr;

    // The drawing, with every point appended so far.
    QCustomPlot* Plot()
    {
        FlushData();
        return P;
    }
    // Drawing objects, for checks on what is on screen.
    int DrawnGraphCount() const { return int(Graphs.size()); }
    QCPGraph* Graph(int subset) const;
    QCPAxisRect* AxisRect(int axis) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void DrawNow();
    void Rebuild();
    void PushStyles();
    void PushRanges();
    void PushData(int subset) const;
    // Appended points reach the drawing when it is drawn (or looked at), not with every point: at line
    // rate a chart gets hundreds of points a second and is drawn twenty times.
    void FlushData() const;
    void SetXRange(double lower, double upper);
    void ShowContextMenu(const QPoint& at);
    void ExportWithDialog(bool pdf);

    ChartModel M;
    QCustomPlot* P = nullptr;
    std::vector<QCPGraph*> Graphs;
    std::vector<QCPAxisRect*> Rects;
    QCPLegend* Legend = nullptr;
    QCPMarginGroup* Margins = nullptr;
    bool SyncingX = false;
    QTimer* RedrawTimer = nullptr; // child "RedrawTimer"
    bool Pending = false;
    mutable bool DataStale = false;
};
