#include "ui/graphs/trend_window.h"
#include "ui/common/named_button.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "link/bench_host.h"
#include "ui/common/bench_buttons.h"
#include "ui/graphs/chart.h"
#include "link/link.h"

TrendWindow::TrendWindow(BenchHost& host, QWidget* parent) : BenchWindow(parent), Host(host)
{
    NowSeconds = [] { return QDateTime::currentSecsSinceEpoch(); };

    PEGraph = new Chart(this);
    PEGraph->setObjectName(QStringLiteral("PEGraph"));
    PEGraph->setAccessibleName(tr("Trend chart"));
    PEGraph->Messages = &host.Messages();
    PEGraph->setMinimumSize(480, 320);

    Kestrel = new BenchButtons(QStringLiteral("Kestrel"), this);
    Kestrel->setObjectName(QStringLiteral("Kestrel"));
    Kestrel->setAccessibleName(tr("Bench"));
    connect(Kestrel, &BenchButtons::BenchChanged, this, [this](int) { ClearBtnClick(); });

    Start = MakeButton(this, "Start", QStringLiteral("Start"), tr("Start plotting"));
    Stop = MakeButton(this, "Stop", QStringLiteral("Stop"), tr("Stop plotting"));
    FreezeBtn = MakeButton(this, "FreezeBtn", QStringLiteral("Freeze"), tr("Freeze or resume plotting"));
    ClearBtn = MakeButton(this, "ClearBtn", QStringLiteral("Clear"), tr("Clear the chart"));
    ApplyButton = MakeButton(this, "ApplyButton", QStringLiteral("Apply"), tr("Apply channel settings"));
    connect(Start, &QPushButton::clicked, this, &TrendWindow::StartClick);
    connect(Stop, &QPushButton::clicked, this, &TrendWindow::StopClick);
    connect(FreezeBtn, &QPushButton::clicked, this, &TrendWindow::FreezeBtnClick);
    connect(ClearBtn, &QPushButton::clicked, this, &TrendWindow::ClearBtnClick);
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

int TrendWindow::SelectedBench() const
{
    return Kestrel->SelectedBench();
}

void TrendWindow::UpdateBenchSelection()
{
    std::array<bool, 4> on{};
    for (int k = 0; k < 4; ++k)
        on[size_t(k)] = Host.BenchSwitchedOn(k);
    Kestrel->UpdateBenchSelection(on);
}

TrendWindow::~TrendWindow() { Host.BenchLink().Unsubscribe(*this); }

void TrendWindow::BenchData(int)
{
    AddSample();
}

void TrendWindow::ReplyDecoded(int k, ReplyKind kind, const RxFrame&)
{
    if (kind != ReplyKind::DataStatus)
        return;
    if (k >= 0 && k < 4)
        NewData[size_t(k)] = true;
    BenchData(k);
}

void TrendWindow::CloseWindow()
{
    close();
}

void TrendWindow::AddSample()
{
    const int k = SelectedBench();
    if (GraphStopped || !isVisible() || k < 0 || k > 3)
        return;
    BenchRecord& bench = Host.BenchLink().Benches[size_t(k)];
    bool& fresh = NewData[size_t(k)];
    if (!fresh)
        return;
    fresh = false;
    AppendSample(TrendValuesOf(bench.GasData, Host.HCDivisor100()), ElapsedLabel(NowSeconds() - GraphStartTime));
}

void TrendWindow::StartClick()
{
    GraphStopped = false;
    Start->setEnabled(false);
    Stop->setEnabled(true);
}

void TrendWindow::StopClick()
{
    GraphStopped = true;
    Stop->setEnabled(false);
    Start->setEnabled(true);
}

void TrendWindow::FreezeBtnClick()
{
    GraphStopped = !GraphStopped;
}

void TrendWindow::ClearBtnClick()
{
    const ChartModel& m = PEGraph->Model();
    const std::vector<float> nulls(size_t(m.Subsets()) * GraphPoints, m.NullDataValue());
    PEGraph->AppendData(GraphPoints, nulls);
}

void TrendWindow::closeEvent(QCloseEvent* event)
{
    WriteSettings();
    StopClick();
    BenchWindow::closeEvent(event);
}
