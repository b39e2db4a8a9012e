#include "ui/graphs/trend_window.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "link/bench_host.h"
#include "ui/common/bench_selector.h"
#include "ui/graphs/chart.h"
#include "link/link.h"

namespace {
QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, const QString& accessible)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setAccessibleName(accessible);
    return b;
}
} // namespace

TTrendWindow::TTrendWindow(BenchHost& host, QWidget* parent) : TBenchWindow(parent), Host(host)
{
    NowSeconds = [] { return QDateTime::currentSecsSinceEpoch(); };

    PEGraph = new TChart(this);
    PEGraph->setObjectName(QStringLiteral("PEGraph"));
    PEGraph->setAccessibleName(tr("Trend chart"));
    PEGraph->Messages = &host.Messages();
    PEGraph->setMinimumSize(480, 320);

    Kestrel = new TBenchButtons(QStringLiteral("Kestrel"), this);
    Kestrel->setObjectName(QStringLiteral("Kestrel"));
    Kestrel->setAccessibleName(tr("Bench"));
    connect(Kestrel, &TBenchButtons::BenchChanged, this, [this](int) { ClearBtnClick(); });

    Start = MakeButton(this, "Start", QStringLiteral("Start"), tr("Start plotting"));
    Stop = MakeButton(this, "Stop", QStringLiteral("Stop"), tr("Stop plotting"));
    FreezeBtn = MakeButton(this, "FreezeBtn", QStringLiteral("Freeze"), tr("Freeze or resume plotting"));
    ClearBtn = MakeButton(this, "ClearBtn", QStringLiteral("Clear"), tr("Clear the chart"));
    ApplyButton = MakeButton(this, "ApplyButton", QStringLiteral("Apply"), tr("Apply channel settings"));
    connect(Start, &QPushButton::clicked, this, &TTrendWindow::StartClick);
    connect(Stop, &QPushButton::clicked, this, &TTrendWindow::StopClick);
    connect(FreezeBtn, &QPushButton::clicked, this, &TTrendWindow::FreezeBtnClick);
    connect(ClearBtn, &QPushButton::clicked, this, &TTrendWindow::ClearBtnClick);
    connect(ApplyButton, &QPushButton::clicked, this, [this] { ApplyButtonClick(); });

    // The window plots from creation on.
    GraphStopped = false;
    Stop->setEnabled(false);
    Start->setEnabled(true);

    auto* buttons = new QGridLayout;
    buttons->addWidget(Start, 0, 0);
    buttons->addWidget(Stop, 0, 1);
    buttons->addWidget(FreezeBtn, 1, 0);
    buttons->addWidget(ClearBtn, 1, 1);
    buttons->addWidget(ApplyButton, 2, 0, 1, 2);

    Panel = new QVBoxLayout;
    Panel->addWidget(Kestrel);
    Panel->addLayout(buttons);
    Panel->addStretch(1);

    auto* outer = new QHBoxLayout(this);
    outer->addWidget(PEGraph, 1);
    outer->addLayout(Panel);
    Host.BenchLink().Subscribe(*this);
}

int TTrendWindow::SelectedBench() const
{
    return Kestrel->SelectedBench();
}

void TTrendWindow::UpdateBenchSelection()
{
    std::array<bool, 4> on{};
    for (int k = 0; k < 4; ++k)
        on[size_t(k)] = Host.BenchSwitchedOn(k);
    Kestrel->UpdateBenchSelection(on);
}

TTrendWindow::~TTrendWindow() { Host.BenchLink().Unsubscribe(*this); }

void TTrendWindow::BenchData(int)
{
    AddSample();
}

void TTrendWindow::ReplyDecoded(int k, ReplyKind kind, const RxFrame&)
{
    if (kind != ReplyKind::DataStatus)
        return;
    if (k >= 0 && k < 4)
        NewData[size_t(k)] = true;
    BenchData(k);
}

void TTrendWindow::CloseWindow()
{
    close();
}

void TTrendWindow::AddSample()
{
    const int k = SelectedBench();
    if (GraphStopped || !isVisible() || k < 0 || k > 3)
        return;
    TBench& bench = Host.BenchLink().Benches[size_t(k)];
    bool& fresh = NewData[size_t(k)];
    if (!fresh)
        return;
    fresh = false;
    AppendSample(TrendValuesOf(bench.GasData, Host.HCDivisor100()), ElapsedLabel(NowSeconds() - GraphStartTime));
}

void TTrendWindow::StartClick()
{
    GraphStopped = false;
    Start->setEnabled(false);
    Stop->setEnabled(true);
}

void TTrendWindow::StopClick()
{
    GraphStopped = true;
    Stop->setEnabled(false);
    Start->setEnabled(true);
}

void TTrendWindow::FreezeBtnClick()
{
    GraphStopped = !GraphStopped;
}

void TTrendWindow::ClearBtnClick()
{
    const ChartModel& m = PEGraph->Model();
    const std::vector<float> nulls(size_t(m.Subsets()) * GraphPoints, m.NullDataValue());
    PEGraph->AppendData(GraphPoints, nulls);
}

void TTrendWindow::closeEvent(QCloseEvent* event)
{
    WriteSettings();
    StopClick();
    TBenchWindow::closeEvent(event);
}
