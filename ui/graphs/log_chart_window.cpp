#include "ui/graphs/log_chart_window.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

#include "ui/graphs/log_chart_canvas.h"
#include "logchart/log_chart_export.h"
#include "logchart/log_chart_painter.h"
#include "link/message_sink.h"

LogChartWindow::LogChartWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("LogChartWindow"));
    setWindowTitle(QStringLiteral("Log Chart"));
    resize(1200, 760);

    auto* buttons = new QHBoxLayout;
    auto button = [&](const char* name, const QString& caption, const QString& tip, auto slot) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(tip);
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
        return b;
    };
    button("FitButton", QStringLiteral("&Fit All"), QStringLiteral("The whole log (Home, double-click)"),
           [this] { FitAll(); });
    button("ZoomInButton", QStringLiteral("Zoom &In"), QStringLiteral("Half the time (+, wheel)"), [this] { ZoomIn(); });
    button("ZoomOutButton", QStringLiteral("Zoom &Out"), QStringLiteral("Twice the time (-, wheel)"),
           [this] { ZoomOut(); });
    button("ExportButton", QStringLiteral("&Export..."), QStringLiteral("Save the view as PNG, SVG or PDF"),
           [this] { ExportWithDialog(); });
    button("PrintButton", QStringLiteral("&Print..."), QStringLiteral("Print the view"), [this] { Print(); });
    Follow = new QCheckBox(QStringLiteral("Follow new rows"), this);
    Follow->setObjectName(QStringLiteral("FollowCheck"));
    Follow->setChecked(true);
    Follow->setToolTip(QStringLiteral("While the end is in view, a log being written scrolls with its new rows"));
    buttons->addWidget(Follow);
    buttons->addStretch();

    CanvasWidget = new LogChartCanvas(ChartView, this);
    CanvasWidget->setObjectName(QStringLiteral("ChartCanvas"));
    connect(CanvasWidget, &LogChartCanvas::ViewChanged, this, &LogChartWindow::ViewChanged);
    connect(CanvasWidget, &LogChartCanvas::CursorMoved, this, &LogChartWindow::ShowReadout);

    auto* side = new QWidget(this);
    side->setFixedWidth(260);
    SideLayout = new QVBoxLayout(side);
    SideLayout->setContentsMargins(0, 0, 0, 0);
    BenchBox = new QGroupBox(QStringLiteral("Benches"), side);
    BenchBox->setLayout(new QVBoxLayout);
    ValueBox = new QGroupBox(QStringLiteral("Values"), side);
    ValueBox->setLayout(new QVBoxLayout);
    Readout = new QLabel(side);
    Readout->setObjectName(QStringLiteral("CursorReadout"));
    Readout->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Readout->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Readout->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    Summary = new QLabel(side);
    Summary->setObjectName(QStringLiteral("Summary"));
    Summary->setWordWrap(true);
    SideLayout->addWidget(BenchBox);
    SideLayout->addWidget(ValueBox);
    SideLayout->addWidget(Readout, 1);
    SideLayout->addWidget(Summary);

    auto* right = new QVBoxLayout;
    right->addLayout(buttons);
    right->addWidget(CanvasWidget, 1);
    auto* top = new QHBoxLayout(this);
    top->addWidget(side);
    top->addLayout(right, 1);

    RefreshTimer = new QTimer(this);
    RefreshTimer->setObjectName(QStringLiteral("RefreshTimer"));
    RefreshTimer->setInterval(kRefreshMs);
    connect(RefreshTimer, &QTimer::timeout, this, [this] { Refresh(); });
}

LogChartWindow::~LogChartWindow() = default;

bool LogChartWindow::OpenLogs(const QStringList& paths, QString* error, const std::function<void()>& progress)
{
    QStringList problems;
    for (const QString& path : paths) {
        auto data = std::make_unique<LogChartData>();
        QString why;
        if (!data->Open(path, &why, LogFormats::System(), progress)) {
            problems << QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), why);
            continue;
        }
        ChartView.AddFile(std::move(data));
    }
    OpenErrors = problems.join(QLatin1Char('\n'));
    if (error)
        *error = OpenErrors;
    if (ChartView.Files().empty())
        return false;
    setWindowTitle(QStringLiteral("Log Chart - ") + ChartView.Title());
    BuildToggles();
    ChartView.FitAll();
    ViewChanged();
    RefreshTimer->start();
    return true;
}

void LogChartWindow::BuildToggles()
{
    for (QCheckBox* box : BenchChecks)
        delete box;
    for (QCheckBox* box : ValueChecks)
        delete box;
    BenchChecks.clear();
    ValueChecks.clear();
    for (int b : ChartView.Benches()) {
        auto* box = new QCheckBox(QStringLiteral("Bench %1").arg(b + 1), BenchBox);
        box->setObjectName(QStringLiteral("Bench%1Check").arg(b + 1));
        box->setChecked(ChartView.BenchShown(b));
        connect(box, &QCheckBox::toggled, this, [this, b](bool on) { ShowBench(b, on); });
        BenchBox->layout()->addWidget(box);
        BenchChecks[b] = box;
    }
    for (const auto& [group, value] : ChartView.Values()) {
        auto* box = new QCheckBox(QString::fromLatin1(LogColumns::ValueName(group, value)), ValueBox);
        box->setObjectName(QStringLiteral("Value%1_%2Check").arg(group).arg(value));
        box->setChecked(ChartView.ValueShown(group, value));
        const int g = group, v = value;
        connect(box, &QCheckBox::toggled, this, [this, g, v](bool on) { ShowValue(g, v, on); });
        ValueBox->layout()->addWidget(box);
        ValueChecks[{group, value}] = box;
    }
}

void LogChartWindow::ShowBench(int bench, bool shown)
{
    if (QCheckBox* box = BenchChecks.value(bench)) {
        const QSignalBlocker quiet(box);
        box->setChecked(shown);
    }
    ChartView.SetBenchShown(bench, shown);
    ViewChanged();
}

void LogChartWindow::ShowValue(int group, int value, bool shown)
{
    if (QCheckBox* box = ValueChecks.value({group, value})) {
        const QSignalBlocker quiet(box);
        box->setChecked(shown);
    }
    ChartView.SetValueShown(group, value, shown);
    ViewChanged();
}

void LogChartWindow::ShowRange(double from, double to)
{
    ChartView.SetXRange(from, to);
    ChartView.FitY();
    ViewChanged();
}

void LogChartWindow::FitAll()
{
    ChartView.FitAll();
    ViewChanged();
}

void LogChartWindow::ZoomIn()
{
    ChartView.ZoomX(0.5, (ChartView.XMin + ChartView.XMax) / 2);
    ViewChanged();
}

void LogChartWindow::ZoomOut()
{
    ChartView.ZoomX(2.0, (ChartView.XMin + ChartView.XMax) / 2);
    ViewChanged();
}

void LogChartWindow::ViewChanged()
{
    CanvasWidget->update();
    Summary->setText(SummaryText());
    if (std::isfinite(CanvasWidget->CursorTime()))
        ShowReadout(CanvasWidget->CursorTime());
}

size_t LogChartWindow::Refresh()
{
    const bool atEnd = ChartView.AtEnd();
    size_t added = 0;
    for (const auto& f : ChartView.Files())
        added += f->Update();
    if (added == 0)
        return 0;
    if (ChartView.Benches().size() != size_t(BenchChecks.size())
        || ChartView.Values().size() != size_t(ValueChecks.size()))
        BuildToggles();
    if (Follow->isChecked() && atEnd)
        ChartView.FollowEnd();
    ChartView.UpdateAxes();
    ViewChanged();
    return added;
}

QString LogChartWindow::SummaryText() const
{
    QStringList lines;
    for (const auto& f : ChartView.Files())
        lines << QFileInfo(f->Path).fileName() + QStringLiteral(": ") + f->Summary();
    if (!OpenErrors.isEmpty())
        lines << OpenErrors;
    return lines.join(QLatin1Char('\n'));
}

void LogChartWindow::ShowReadout(double time)
{
    if (!std::isfinite(time)) {
        Readout->clear();
        return;
    }
    const LogChartView::Readout r = ChartView.ReadAt(time);
    QStringList lines{r.Time};
    for (const LogChartView::Reading& v : r.Values) {
        QString text = v.Name + QStringLiteral(": ") + ReadingText(v.Value);
        if (std::isfinite(v.Stdev))
            text += QStringLiteral(" \u00b1 ") + ReadingText(v.Stdev);
        lines << text;
    }
    Readout->setText(lines.join(QLatin1Char('\n')));
}

QString LogChartWindow::ReadoutText() const { return Readout->text(); }

bool LogChartWindow::ExportTo(const QString& path, QSize size, QString* error)
{
    return ExportLogChart(ChartView, path, size, error);
}

void LogChartWindow::Tell(const QString& text)
{
    if (Messages)
        Messages->Show(QStringLiteral("Information"), text, IMessageSink::Icon::Warning);
    else
        QMessageBox::warning(this, QStringLiteral("Information"), text);
}

void LogChartWindow::ExportWithDialog()
{
    const QString first = ChartView.Files().empty() ? QString() : ChartView.Files().front()->Path;
    const QFileInfo info(first);
    const QString suggested = info.dir().filePath(info.completeBaseName() + QStringLiteral(".png"));
    QString path;
    if (AskExportPath)
        path = AskExportPath(suggested);
    else
        path = QFileDialog::getSaveFileName(this, QStringLiteral("Export Chart"), suggested,
                                            QStringLiteral("PNG image (*.png);;SVG drawing (*.svg);;PDF document (*.pdf)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".png");
    QString error;
    // The picture as it is on the screen, at the canvas's size.
    if (!ExportTo(path, CanvasWidget->size(), &error))
        Tell(error);
}

void LogChartWindow::Print()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QPainter p;
    if (!p.begin(&printer)) {
        Tell(QStringLiteral("The chart could not be printed."));
        return;
    }
    // Drawn at the canvas's size and scaled to the page, so the page shows the screen's picture.
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    const QSize logical = CanvasWidget->size();
    const double scale = std::min(double(page.width()) / logical.width(), double(page.height()) / logical.height());
    p.scale(scale, scale);
    LogChartPainter(ChartView).Paint(p, logical);
    p.end();
}
