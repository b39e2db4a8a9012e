#include "ui/graphs/raw_ir_window.h"
#include "ui/common/named_button.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "link/bench_host.h"
#include "ui/common/bench_buttons.h"
#include "ui/graphs/chart.h"
#include "link/decoders.h"
#include "link/link.h"
#include "link/message_sink.h"
#include "ui/graphs/raw_ir_history_window.h"
#include "ui/graphs/raw_ir_log_window.h"

namespace {

QRadioButton* MakeRadio(QWidget* parent, const char* name, const QString& caption)
{
    auto* r = new QRadioButton(caption, parent);
    r->setObjectName(QLatin1String(name));
    r->setAccessibleName(caption);
    return r;
}

// Channel order of the blocks and the chart's subsets.
struct ChannelLook {
    const char* Box;
    const char* Caption;
    const char* Label; // legend text; NH3 has none of its own
    QColor Colour;
    bool Ticked;
};
const std::array<ChannelLook, 4> kChannels{{
    {"CO2Chk", "CO2", "CO2", QColor(0, 0, 255), false},
    {"COChk", "NH3", "", QColor(255, 0, 0), true},
    {"HCChk", "Freon", "Freon", QColor(0, 128, 0), true},
    {"RefChk", "Ref", "Ref", QColor(0, 255, 0), true},
}};

} // namespace

RawIrWindow::RawIrWindow(BenchHost& host, QWidget* parent) : BenchWindow(parent), Host(host)
{
    setObjectName(QStringLiteral("TRawIR"));
    setWindowTitle(QStringLiteral("RawIR"));
    AskYesNo = [this](const QString& caption, const QString& text) {
        return QMessageBox::question(this, caption, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
            == QMessageBox::Yes;
    };
    Nulls.assign(size_t(RawIrCapture::Channels) * CycleSamples, ChartModel::DefaultNull);
    Lines.reserve(CycleSamples);
    BuildControls();
    ConfigureChart();
    Host.BenchLink().Subscribe(*this);
}

void RawIrWindow::BuildControls()
{
    PEGraph = new Chart(this);
    PEGraph->setObjectName(QStringLiteral("PEGraph"));
    PEGraph->setAccessibleName(tr("Raw waveform chart"));
    PEGraph->Messages = &Host.Messages();
    PEGraph->setMinimumSize(560, 360);

    Kestrel = new BenchButtons(QStringLiteral("Kestrel"), this);
    Kestrel->setObjectName(QStringLiteral("Kestrel"));
    Kestrel->setAccessibleName(tr("Bench"));
    connect(Kestrel, &BenchButtons::BenchClicked, this, &RawIrWindow::BenchClick);

    Start = MakeButton(this, "Start", QStringLiteral("Start"), tr("Start raw IR stream"));
    Stop = MakeButton(this, "Stop", QStringLiteral("Stop"), tr("Stop raw IR stream"));
    Clear = MakeButton(this, "Clear", QStringLiteral("Clear"), tr("Clear the chart"));
    DataLogBtn = MakeButton(this, "DataLogBtn", QStringLiteral("Log..."), tr("Raw IR data log"));
    UnZoomBtn = MakeButton(this, "UnZoomBtn", QStringLiteral("Unzoom"), tr("Back to the full view"));
    HistoryIrBtn = MakeButton(this, "Button2", QStringLiteral("History IR"), tr("Show the collected IR data"));
    HistoryIrBtn->setVisible(false);
    Stop->setEnabled(false);
    connect(Start, &QPushButton::clicked, this, &RawIrWindow::StartClick);
    connect(Stop, &QPushButton::clicked, this, &RawIrWindow::StopClick);
    connect(Clear, &QPushButton::clicked, this, &RawIrWindow::ClearClick);
    connect(UnZoomBtn, &QPushButton::clicked, this, &RawIrWindow::UnZoomBtnClick);
    connect(DataLogBtn, &QPushButton::clicked, this, [this] {
        if (IRLog) {
            IRLog->show();
            IRLog->raise();
        }
    });
    connect(HistoryIrBtn, &QPushButton::clicked, this, [this] {
        if (History) {
            History->show();
            History->raise();
        }
    });

    RawMode = new QGroupBox(QStringLiteral("Raw Mode"), this);
    RawMode->setObjectName(QStringLiteral("RawMode"));
    Continuous = MakeRadio(RawMode, "Continuous", QStringLiteral("Continuous"));
    OneShot = MakeRadio(RawMode, "OneShot", QStringLiteral("One Shot"));
    Continuous->setChecked(true);
    auto* modeLayout = new QVBoxLayout(RawMode);
    modeLayout->addWidget(Continuous);
    modeLayout->addWidget(OneShot);

    MarkDataPoints = new QGroupBox(QStringLiteral("Mark Data Points"), this);
    MarkDataPoints->setObjectName(QStringLiteral("MarkDataPoints"));
    MarkYes = MakeRadio(MarkDataPoints, "MarkYes", QStringLiteral("Yes"));
    MarkNo = MakeRadio(MarkDataPoints, "MarkNo", QStringLiteral("No"));
    MarkNo->setChecked(true);
    auto* markLayout = new QHBoxLayout(MarkDataPoints);
    markLayout->addWidget(MarkYes);
    markLayout->addWidget(MarkNo);
    // Only a real change of choice acts: re-clicking the chosen item does nothing.
    connect(MarkYes, &QRadioButton::toggled, this, [this] { MarkDataPointsClick(); });

    FilteredEdit = new QLineEdit(this);
    FilteredEdit->setObjectName(QStringLiteral("FilteredEdit"));
    FilteredEdit->setAccessibleName(tr("Filtered or not"));
    FilteredEdit->setReadOnly(true);

    auto* shape = new QGroupBox(tr("Cycle"), this);
    shape->setObjectName(QStringLiteral("CycleGroup"));
    NumPhasesEdit = new QLineEdit(QStringLiteral("4"), shape);
    NumPhasesEdit->setObjectName(QStringLiteral("Edit1"));
    NumPhasesEdit->setAccessibleName(QStringLiteral("NumPhases"));
    NumPointsEdit = new QLineEdit(QStringLiteral("25"), shape);
    NumPointsEdit->setObjectName(QStringLiteral("Edit2"));
    NumPointsEdit->setAccessibleName(QStringLiteral("NumPoints"));
    OKBtn = MakeButton(shape, "OKBtn", QStringLiteral("OK"), tr("Apply NumPhases and NumPoints"));
    connect(OKBtn, &QPushButton::clicked, this, &RawIrWindow::OKBtnClick);
    auto* shapeForm = new QFormLayout(shape);
    shapeForm->addRow(QStringLiteral("NumPhases"), NumPhasesEdit);
    shapeForm->addRow(QStringLiteral("NumPoints"), NumPointsEdit);
    shapeForm->addRow(OKBtn);

    auto* channels = new QGroupBox(tr("Channels"), this);
    channels->setObjectName(QStringLiteral("ChannelGroup"));
    auto* channelLayout = new QVBoxLayout(channels);
    for (size_t c = 0; c < kChannels.size(); ++c) {
        auto* box = new QCheckBox(QLatin1String(kChannels[c].Caption), channels);
        box->setObjectName(QLatin1String(kChannels[c].Box));
        box->setAccessibleName(QLatin1String(kChannels[c].Caption));
        box->setChecked(kChannels[c].Ticked);
        connect(box, &QCheckBox::clicked, this, &RawIrWindow::ChannelClick);
        channelLayout->addWidget(box);
        ChannelBoxes[c] = box;
    }
    CO2Chk = ChannelBoxes[0];
    COChk = ChannelBoxes[1];
    HCChk = ChannelBoxes[2];
    RefChk = ChannelBoxes[3];

    // Present on the bench's service screen but without a function here.
    ChannelGain = new QGroupBox(QStringLiteral("Channel Gain"), this);
    ChannelGain->setObjectName(QStringLiteral("ChannelGain"));
    auto* gainLayout = new QVBoxLayout(ChannelGain);
    for (int c = 0; c < 4; ++c) {
        auto* list = new QComboBox(ChannelGain);
        list->setObjectName(QStringLiteral("GainList%1").arg(c + 1));
        gainLayout->addWidget(list);
    }
    ChannelGain->setEnabled(false);

    auto* buttons = new QGridLayout;
    buttons->addWidget(Start, 0, 0);
    buttons->addWidget(Stop, 0, 1);
    buttons->addWidget(Clear, 1, 0);
    buttons->addWidget(DataLogBtn, 1, 1);
    buttons->addWidget(UnZoomBtn, 2, 0);
    buttons->addWidget(HistoryIrBtn, 2, 1);

    auto* panel = new QVBoxLayout;
    panel->addWidget(Kestrel);
    panel->addLayout(buttons);
    panel->addWidget(FilteredEdit);
    panel->addWidget(RawMode);
    panel->addWidget(MarkDataPoints);
    panel->addWidget(channels);
    panel->addWidget(shape);
    panel->addWidget(ChannelGain);
    panel->addStretch(1);

    auto* outer = new QHBoxLayout(this);
    outer->addWidget(PEGraph, 1);
    outer->addLayout(panel);
    resize(900, 640);
}

void RawIrWindow::ConfigureChart()
{
    ChartModel& m = PEGraph->Model();
    m.SetSubsets(RawIrCapture::Channels);
    m.SetPoints(ChartPoints);
    m.MainTitle = QStringLiteral("Raw Waveform");
    m.SubTitle = QString();
    m.XAxisLabel = QStringLiteral("Seconds/100");
    m.SetYAxisLabel(QStringLiteral("A/D Counts"));
    m.SetManualScaleControlY(true);
    m.SetManualY(-32767, 32767);
    m.GridLines = true;
    m.ClearData();
    QStringList labels;
    std::vector<QColor> colours;
    for (const ChannelLook& c : kChannels) {
        labels << QLatin1String(c.Label);
        colours.push_back(c.Colour);
    }
    m.SetSubsetLabels(labels);
    m.SetSubsetColors(colours);
    m.SetSubsetLineTypes({0, 0, 0, 0});
    m.MarkDataPoints = false;
    std::vector<int> shown;
    for (int c = 0; c < RawIrCapture::Channels; ++c)
        if (ChannelBoxes[size_t(c)]->isChecked())
            shown.push_back(c);
    m.SetSubsetsToShow(shown);
    // X labels count samples (hundredths of a second) from the start; appended points carry on the count.
    for (int i = 0; i < ChartPoints; ++i)
        m.SetPointLabel(i, QString::number(i));
    PEGraph->Apply();
}

void RawIrWindow::AppendNullCycle()
{
    const ChartModel& m = PEGraph->Model();
    const int64_t next = m.FirstKey() + m.Points();
    QStringList labels;
    labels.reserve(CycleSamples);
    for (int i = 0; i < CycleSamples; ++i)
        labels << QString::number(next + i);
    PEGraph->AppendData(CycleSamples, Nulls, labels);
}

void RawIrWindow::SetCompanions(RawIrLogWindow* log, RawIrHistoryWindow* history)
{
    IRLog = log;
    History = history;
    if (IRLog)
        connect(IRLog, &RawIrLogWindow::RawCaptionChanged, this, &QWidget::setWindowTitle);
}

void RawIrWindow::UpdateBenchSelection()
{
    std::array<bool, 4> on{};
    for (int k = 0; k < 4; ++k)
        on[size_t(k)] = Host.BenchSwitchedOn(k);
    Kestrel->UpdateBenchSelection(on);
    SelectedBench = Kestrel->SelectedBench();
}

void RawIrWindow::BenchClick(int selected)
{
    // Re-clicking the chosen bench changes nothing and must not stop its stream.
    if (selected == SelectedBench)
        return;
    if (isVisible())
        StopClick(); // to the bench that was streaming
    SelectedBench = selected;
}

void RawIrWindow::SendRequest(int rate)
{
    BenchRecord& bench = Host.BenchLink().Benches[size_t(SelectedBench)];
    if (RawFiltered)
        bench.RequestFilteredRawIR(rate);
    else
        bench.RequestRawIR(rate);
}

void RawIrWindow::StartClick()
{
    if (SelectedBench < 0 || SelectedBench > 3)
        return;
    // A new run draws from its own first phase-0 block, never from a cycle begun before.
    Capture.Restart();
    SendRequest(2);
    Start->setEnabled(false);
    Stop->setEnabled(true);
}

void RawIrWindow::StopClick()
{
    if (SelectedBench < 0 || SelectedBench > 3)
        return;
    SendRequest(0);
    Stop->setEnabled(false);
    Start->setEnabled(true);
}

void RawIrWindow::ClearClick()
{
    const int times = PEGraph->Model().Points() / CycleSamples + 1;
    for (int i = 0; i < times; ++i)
        AppendNullCycle();
    PlotPosition = 0;
}

void RawIrWindow::OKBtnClick()
{
    bool ok = false;
    int phases = Capture.NumPhases();
    int points = Capture.NumPoints();
    const int newPhases = NumPhasesEdit->text().trimmed().toInt(&ok, 10);
    if (ok)
        phases = newPhases;
    else
        Host.Messages().Show(kInformationCaption, QStringLiteral("Check NumPhases"), IMessageSink::Icon::Information);
    const int newPoints = NumPointsEdit->text().trimmed().toInt(&ok, 10);
    if (ok)
        points = newPoints;
    else
        Host.Messages().Show(kInformationCaption, QStringLiteral("Check NumPoints"), IMessageSink::Icon::Information);

    // A cycle buffer of 100 samples per channel: refuse what would not fit and keep the old pair.
    switch (RawIrCapture::CheckShape(phases, points)) {
    case RawIrCapture::Shape::Ok:
        if (phases != Capture.NumPhases() || points != Capture.NumPoints()) {
            Capture.SetShape(phases, points);
            ShortBlockReported = false;
        }
        return;
    case RawIrCapture::Shape::BadPhases:
        Host.Messages().Show(kInformationCaption, QStringLiteral("Check NumPhases: it must be 1 or more"),
                             IMessageSink::Icon::Information);
        return;
    case RawIrCapture::Shape::BadPoints:
        Host.Messages().Show(kInformationCaption, QStringLiteral("Check NumPoints: it must be 1 or more"),
                             IMessageSink::Icon::Information);
        return;
    case RawIrCapture::Shape::TooManySamples:
        Host.Messages().Show(kInformationCaption, QStringLiteral("NumPhases x NumPoints must not exceed 100"),
                             IMessageSink::Icon::Information);
        return;
    }
}

void RawIrWindow::ChannelClick()
{
    std::vector<int> shown;
    for (int c = 0; c < RawIrCapture::Channels; ++c)
        if (ChannelBoxes[size_t(c)]->isChecked())
            shown.push_back(c);
    PEGraph->ShowSubsets(shown);
    if (shown.empty())
        ClearClick();
}

void RawIrWindow::MarkDataPointsClick()
{
    PEGraph->Model().MarkDataPoints = MarkYes->isChecked();
    PEGraph->Apply();
}

void RawIrWindow::UnZoomBtnClick()
{
    PEGraph->Unzoom();
}

RawIrWindow::~RawIrWindow() { Host.BenchLink().Unsubscribe(*this); }

void RawIrWindow::ReplyDecoded(int k, ReplyKind kind, const RxFrame& frame)
{
    if (kind == ReplyKind::RawIR)
        HandleRawIRBlock(k, frame);
}

void RawIrWindow::HandleRawIRBlock(int k, const RxFrame& frame)
{
    if (k >= 0 && k < 4 && frame.Length >= ReplyLayoutLength(frame.Code))
        NewBlock[size_t(k)] = true;
    // Blocks of other benches are not this window's, whatever the selected bench's flag says.
    if (!isVisible() || SelectedBench < 0 || SelectedBench > 3 || k != SelectedBench)
        return;
    if (!NewBlock[size_t(k)])
        return;
    NewBlock[size_t(k)] = false;
    FilteredEdit->setText(RawFiltered ? QStringLiteral("Filtered") : QStringLiteral("Not Filtered"));

    switch (Capture.Take(frame.Data.data(), frame.Length)) {
    case RawIrCapture::Block::TooShort:
        if (!ShortBlockReported) {
            ShortBlockReported = true;
            Host.Messages().Show(kInformationCaption,
                                 QStringLiteral("Raw IR blocks of this bench hold fewer than NumPoints samples "
                                                "(%1 data bytes, %2 needed): they are ignored. Check NumPoints.")
                                     .arg(int(frame.Length))
                                     .arg(Capture.BlockLength()),
                                 IMessageSink::Icon::Information);
        }
        return;
    case RawIrCapture::Block::BeforePhase0:
    case RawIrCapture::Block::Stored:
        return;
    case RawIrCapture::Block::CycleComplete:
        break;
    }
    if (OneShot->isChecked())
        StopClick();
    PlotCycle();
    LogCycle();
}

void RawIrWindow::PlotCycle()
{
    ChartModel& m = PEGraph->Model();
    if (m.Points() < PlotPosition + CycleSamples) {
        AppendNullCycle(); // the chart moves left by one cycle
        PlotPosition -= CycleSamples;
    }
    for (int c = 0; c < RawIrCapture::Channels; ++c) {
        const auto& samples = Capture.RawBuffer[size_t(c)];
        for (int s = 0; s < CycleSamples; ++s)
            m.SetYData(c, PlotPosition + s, float(samples[size_t(s)]));
    }
    PlotPosition += CycleSamples;
    PEGraph->DataChanged();
}

void RawIrWindow::LogCycle()
{
    if (!IRLog || !IRLog->Logging())
        return;
    const auto& b = Capture.RawBuffer;
    Lines.clear();
    for (size_t s = 0; s < size_t(CycleSamples); ++s)
        Lines.push_back(RawIrLogFile::FormatLine(b[0][s], b[1][s], b[2][s], b[3][s]));
    IRLog->LogLines(Lines);
}

void RawIrWindow::CloseWindow()
{
    ProgramClosing = true;
    close();
}

void RawIrWindow::closeEvent(QCloseEvent* event)
{
    const bool logging = IRLog && IRLog->LoggingOnChk->isChecked();
    if (logging && !ProgramClosing && !Host.Closing()
        && !(AskYesNo && AskYesNo(QStringLiteral("Confirm"), QStringLiteral("You are logging the data! Do you want to close?")))) {
        event->ignore();
        return;
    }
    StopClick();
    if (logging)
        IRLog->CloseClick();
    BenchWindow::closeEvent(event);
}
