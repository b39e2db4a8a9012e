#include "ui/graphs/chart.h"

#include <QFileDialog>
#include <QFontMetrics>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <qcustomplot.h>

#include "link/message_sink.h"

namespace {

// A title measured when its text, font or margins change, not twice on every redraw: measuring text
// takes a full text layout, and a chart at line rate is redrawn twenty times a second.
class ChartTitle : public QCPTextElement {
public:
    using QCPTextElement::QCPTextElement;

protected:
    QSize minimumOuterSizeHint() const override
    {
        Measure();
        return minimumHint_;
    }
    QSize maximumOuterSizeHint() const override
    {
        Measure();
        return maximumHint_;
    }

private:
    void Measure() const
    {
        if (measured_ && mText == text_ && mFont == font_ && margins() == margins_)
            return;
        text_ = mText;
        font_ = mFont;
        margins_ = margins();
        minimumHint_ = QCPTextElement::minimumOuterSizeHint();
        maximumHint_ = QCPTextElement::maximumOuterSizeHint();
        measured_ = true;
    }
    mutable bool measured_ = false;
    mutable QString text_;
    mutable QFont font_;
    mutable QMargins margins_;
    mutable QSize minimumHint_;
    mutable QSize maximumHint_;
};

// X ticks at whole points, labelled with the point's own label.
class PointLabelTicker : public QCPAxisTicker {
public:
    explicit PointLabelTicker(const ChartModel& model) : Model(model) {}

protected:
    double getTickStep(const QCPRange& range) override
    {
        return std::max(1.0, std::round(QCPAxisTicker::getTickStep(range)));
    }
    int getSubTickCount(double) override { return 0; }
    QString getTickLabel(double tick, const QLocale&, QChar, int) override
    {
        const double point = std::round(tick) - double(Model.FirstKey());
        if (point < 0 || point >= Model.Points())
            return QString();
        return Model.PointLabel(int(point)).trimmed();
    }

private:
    const ChartModel& Model;
};

// Value ticks at least a label and a half apart: a short stacked axis gets fewer ticks instead of
// labels printed over each other. The axis rect's height is that of the last layout.
class SpacedValueTicker : public QCPAxisTicker {
public:
    explicit SpacedValueTicker(const QCPAxis* axis) : Axis(axis) {}

protected:
    double getTickStep(const QCPRange& range) override
    {
        const double size = range.size();
        const double pixels = Axis->axisRect() ? Axis->axisRect()->height() : 0.0;
        if (size <= 0 || pixels <= 0)
            return QCPAxisTicker::getTickStep(range);
        const double gap = 1.5 * QFontMetrics(Axis->tickLabelFont()).height();
        const int count = std::clamp(int(pixels / gap), 1, tickCount());
        double step = cleanMantissa(size / count);
        // The clean step can come out below the exact one; widen it until the labels are apart.
        for (int i = 0; i < 8 && step * pixels / size < gap && step < size; ++i)
            step *= 2;
        return step;
    }

private:
    const QCPAxis* Axis;
};

Qt::PenStyle PenStyleOf(int lineType)
{
    switch (lineType) {
    case 1: return Qt::DashLine;
    case 2: return Qt::DotLine;
    case 3: return Qt::DashDotLine;
    case 4: return Qt::DashDotDotLine;
    default: return Qt::SolidLine;
    }
}

double Drawn(const ChartModel& m, float y)
{
    return m.IsNull(y) ? std::nan("") : double(y);
}

} // namespace

Chart::Chart(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    P = new QCustomPlot(this);
    P->setObjectName(QStringLiteral("Plot"));
    P->setAccessibleName(tr("Chart"));
    layout->addWidget(P);

    // Live data: thin cosmetic pens, no antialiasing, fast polylines.
    P->setNotAntialiasedElements(QCP::aeAll);
    P->setPlottingHints(QCP::phFastPolylines | QCP::phCacheLabels);
    P->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    // One paint buffer for everything: each buffer is cleared and blended on every redraw.
    if (QCPLayer* overlay = P->layer(QStringLiteral("overlay")))
        overlay->setMode(QCPLayer::lmLogical);
    P->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(P, &QWidget::customContextMenuRequested, this, &Chart::ShowContextMenu);

    RedrawTimer = new QTimer(this);
    RedrawTimer->setObjectName(QStringLiteral("RedrawTimer"));
    RedrawTimer->setSingleShot(true);
    RedrawTimer->setInterval(RedrawInterval);
    connect(RedrawTimer, &QTimer::timeout, this, &Chart::DrawNow);

    M.SetPoints(100);
    Rebuild();
}

Chart::~Chart() = default;

QCPGraph* Chart::Graph(int subset) const
{
    FlushData();
    return subset >= 0 && subset < int(Graphs.size()) ? Graphs[size_t(subset)] : nullptr;
}

QCPAxisRect* Chart::AxisRect(int axis) const
{
    return axis >= 0 && axis < int(Rects.size()) ? Rects[size_t(axis)] : nullptr;
}

void Chart::Apply()
{
    Rebuild();
    Redraw();
}

void Chart::Rebuild()
{
    P->clearPlottables();
    Graphs.clear();
    // The margin group must go before the rects that use it.
    delete Margins;
    Margins = nullptr;
    P->plotLayout()->clear();
    Rects.clear();
    Legend = nullptr;

    P->setBackground(M.DeskColor);
    QCPLayoutGrid* grid = P->plotLayout();
    int row = 0;
    QFont titleFont = font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.2);
    if (!M.MainTitle.trimmed().isEmpty()) {
        grid->addElement(row, 0, new ChartTitle(P, M.MainTitle, titleFont));
        grid->setRowStretchFactor(row++, 0.001);
    }
    if (!M.SubTitle.trimmed().isEmpty()) {
        grid->addElement(row, 0, new ChartTitle(P, M.SubTitle, font()));
        grid->setRowStretchFactor(row++, 0.001);
    }

    const int axes = M.AxisCount();
    Margins = new QCPMarginGroup(P);
    auto ticker = QSharedPointer<QCPAxisTicker>(new PointLabelTicker(M));
    for (int a = 0; a < axes; ++a) {
        auto* rect = new QCPAxisRect(P, true);
        rect->setBackground(Qt::white);
        rect->setMarginGroup(QCP::msLeft | QCP::msRight, Margins);
        grid->addElement(row, 0, rect);
        grid->setRowStretchFactor(row++, M.AxisProportion(a));
        QCPAxis* x = rect->axis(QCPAxis::atBottom);
        x->setTicker(ticker);
        const bool lowest = a == axes - 1;
        x->setTickLabels(lowest);
        if (lowest)
            x->setLabel(M.XAxisLabel);
        connect(x, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, [this](const QCPRange& r) {
            SetXRange(r.lower, r.upper);
        });
        QCPAxis* right = rect->axis(QCPAxis::atRight);
        right->setVisible(!M.Stacked() && M.RYComparisonSubsets() > 0);
        for (QCPAxis* value : {rect->axis(QCPAxis::atLeft), right})
            value->setTicker(QSharedPointer<QCPAxisTicker>(new SpacedValueTicker(value)));
        rect->setRangeDragAxes({x}, {rect->axis(QCPAxis::atLeft), right});
        rect->setRangeZoomAxes({x}, {rect->axis(QCPAxis::atLeft), right});
        Rects.push_back(rect);
    }
    if (!M.Stacked()) {
        Legend = new QCPLegend;
        Rects.front()->insetLayout()->addElement(Legend, Qt::AlignTop | Qt::AlignRight);
        Legend->setLayer(QStringLiteral("legend"));
        Legend->setBrush(QColor(255, 255, 255, 220));
        QFont small = font();
        small.setPointSizeF(small.pointSizeF() * 0.85);
        Legend->setFont(small);
    }

    for (int s = 0; s < M.Subsets(); ++s) {
        QCPAxisRect* rect = Rects[size_t(M.AxisOfSubset(s))];
        QCPAxis* value = rect->axis(M.OnRightAxis(s) ? QCPAxis::atRight : QCPAxis::atLeft);
        QCPGraph* g = P->addGraph(rect->axis(QCPAxis::atBottom), value);
        g->removeFromLegend();
        Graphs.push_back(g);
        PushData(s);
    }
    DataStale = false;
    PushStyles();
    PushRanges();
}

void Chart::PushStyles()
{
    for (int s = 0; s < int(Graphs.size()); ++s) {
        QCPGraph* g = Graphs[size_t(s)];
        g->setName(M.SubsetLabel(s));
        g->setPen(QPen(M.SubsetColor(s), 0, PenStyleOf(M.SubsetLineType(s))));
        g->setScatterStyle(M.MarkDataPoints ? QCPScatterStyle(QCPScatterStyle::ssDisc, 4)
                                            : QCPScatterStyle(QCPScatterStyle::ssNone));
        g->setVisible(M.SubsetShown(s));
        if (Legend) {
            g->removeFromLegend(Legend);
            if (M.SubsetShown(s) && !M.SubsetLabel(s).isEmpty())
                g->addToLegend(Legend);
        }
    }
    if (Legend)
        Legend->setVisible(Legend->itemCount() > 0);
    for (QCPAxisRect* rect : Rects)
        for (QCPAxis* axis : rect->axes())
            axis->grid()->setVisible(M.GridLines);
}

void Chart::PushRanges()
{
    SetXRange(double(M.FirstKey()) - 0.5, double(M.FirstKey() + M.Points()) - 0.5);
    for (int a = 0; a < int(Rects.size()); ++a) {
        const ChartModel::Axis& axis = M.YAxis(a);
        QCPAxis* left = Rects[size_t(a)]->axis(QCPAxis::atLeft);
        left->setLabel(axis.Label);
        if (axis.Manual)
            left->setRange(axis.Min, axis.Max);
        else
            left->rescale(true);
    }
    if (!M.Stacked()) {
        QCPAxis* right = Rects.front()->axis(QCPAxis::atRight);
        right->setLabel(M.RightAxis.Label);
        if (M.RightAxis.Manual)
            right->setRange(M.RightAxis.Min, M.RightAxis.Max);
        else
            right->rescale(true);
    }
}

void Chart::PushData(int subset) const
{
    QCPGraph* g = subset >= 0 && subset < int(Graphs.size()) ? Graphs[size_t(subset)] : nullptr;
    if (!g)
        return;
    const double first = double(M.FirstKey());
    QCPGraphDataContainer& data = *g->data();
    if (data.size() == M.Points()) {
        // Same length: overwrite in place, keys stay ascending, nothing is allocated.
        auto it = data.begin();
        for (int i = 0; i < M.Points(); ++i, ++it)
            *it = QCPGraphData(first + i, Drawn(M, M.YData(subset, i)));
        return;
    }
    QVector<QCPGraphData> points(M.Points());
    for (int i = 0; i < M.Points(); ++i)
        points[i] = QCPGraphData(first + i, Drawn(M, M.YData(subset, i)));
    data.set(points, true);
}

void Chart::AppendData(int n, const std::vector<float>& values, const QStringList& labels)
{
    const double oldFirst = double(M.FirstKey());
    if (M.AppendData(n, values, labels) == 0)
        return;
    const double first = double(M.FirstKey());
    DataStale = true;
    // Keep the same points in view, full or zoomed: the data scroll under it.
    if (!Rects.empty()) {
        const QCPRange r = Rects.front()->axis(QCPAxis::atBottom)->range();
        const double shift = first - oldFirst;
        SetXRange(r.lower + shift, r.upper + shift);
    }
    Redraw();
}

void Chart::AppendPoint(const std::vector<float>& values, const QString& label)
{
    AppendData(1, values, QStringList{label});
}

void Chart::DataChanged()
{
    DataStale = true;
    FlushData();
    Redraw();
}

void Chart::FlushData() const
{
    if (!DataStale)
        return;
    DataStale = false;
    for (int s = 0; s < int(Graphs.size()); ++s)
        PushData(s);
}

void Chart::ShowSubsets(const std::vector<int>& subsets)
{
    M.SetSubsetsToShow(subsets);
    PushStyles();
    Redraw();
}

void Chart::SetXRange(double lower, double upper)
{
    if (SyncingX)
        return;
    SyncingX = true;
    for (QCPAxisRect* rect : Rects)
        rect->axis(QCPAxis::atBottom)->setRange(lower, upper);
    SyncingX = false;
}

void Chart::Unzoom()
{
    PushRanges();
    Redraw();
}

bool Chart::Zoomed() const
{
    if (Rects.empty())
        return false;
    const QCPRange x = Rects.front()->axis(QCPAxis::atBottom)->range();
    const double lower = double(M.FirstKey()) - 0.5;
    if (std::abs(x.lower - lower) > 1e-6 || std::abs(x.upper - (lower + M.Points())) > 1e-6)
        return true;
    for (int a = 0; a < int(Rects.size()); ++a) {
        const ChartModel::Axis& axis = M.YAxis(a);
        const QCPRange y = Rects[size_t(a)]->axis(QCPAxis::atLeft)->range();
        if (axis.Manual && (std::abs(y.lower - axis.Min) > 1e-9 || std::abs(y.upper - axis.Max) > 1e-9))
            return true;
    }
    return false;
}

void Chart::Redraw()
{
    Pending = true;
    if (isVisible() && !RedrawTimer->isActive())
        RedrawTimer->start();
}

void Chart::DrawNow()
{
    // Hidden: keep it pending for the next show.
    if (!Pending || !isVisible())
        return;
    Pending = false;
    FlushData();
    P->replot(QCustomPlot::rpQueuedRefresh);
}

void Chart::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (Pending)
        DrawNow();
}

QPixmap Chart::Render(int width, int height)
{
    FlushData();
    return P->toPixmap(width, height);
}

bool Chart::ExportPng(const QString& path)
{
    FlushData();
    return P->savePng(path);
}

bool Chart::ExportPdf(const QString& path)
{
    FlushData();
    return P->savePdf(path);
}

void Chart::Print()
{
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QCPPainter painter(&printer);
    if (!painter.isActive())
        return;
    FlushData();
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    // Keep the on-screen proportions and fonts; scale the whole image to the page.
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    const int w = std::max(1, P->width());
    const int h = std::max(1, P->height());
    const double scale = std::min(page.width() / w, page.height() / h);
    painter.scale(scale, scale);
    P->toPainter(&painter, w, h);
}

void Chart::ExportWithDialog(bool pdf)
{
    const QString path = pdf
        ? QFileDialog::getSaveFileName(this, tr("Export PDF"), QStringLiteral("chart.pdf"), tr("PDF files (*.pdf)"))
        : QFileDialog::getSaveFileName(this, tr("Export PNG"), QStringLiteral("chart.png"), tr("PNG files (*.png)"));
    if (path.isEmpty())
        return;
    const bool ok = pdf ? ExportPdf(path) : ExportPng(path);
    if (!ok && Messages)
        Messages->Show(QStringLiteral("Information"), tr("Could not write %1").arg(path),
                       IMessageSink::Icon::Information);
}

void Chart::ShowContextMenu(const QPoint& at)
{
    QMenu menu(this);
    menu.addAction(tr("Print..."), this, &Chart::Print);
    menu.addAction(tr("Export PNG..."), this, [this] { ExportWithDialog(false); });
    menu.addAction(tr("Export PDF..."), this, [this] { ExportWithDialog(true); });
    menu.addSeparator();
    menu.addAction(tr("Unzoom"), this, &Chart::Unzoom);
    menu.exec(P->mapToGlobal(at));
}
