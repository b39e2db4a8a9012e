#include "ui/service/calibration_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "link/bench_host.h"
#include "ui/service/parameter_editor.h"
#include "link/link.h"
#include "link/message_sink.h"
#include "link/paths.h"
#include "ui/service/service_dialogs.h"

#include <algorithm>

CalibrationWindow::CalibrationWindow(BenchHost& host, ParameterEditor* parameters, QWidget* parent)
    : BenchWindow(parent),
      host_(host),
      parameters_(parameters),
      machine_(CalLoadPorts{
          [this](int k, uint16_t p) { host_.BenchLink().Benches[size_t(k)].RequestReadFlashParameters(p); },
          [this](int k, uint16_t p, const std::string& text) {
              host_.BenchLink().Benches[size_t(k)].RequestWriteFlashParameters(
                  p, reinterpret_cast<const uint8_t*>(text.data()), int(text.size()));
          },
          [this](int k, uint16_t p) { host_.BenchLink().Benches[size_t(k)].RequestStoreFlashParameters(p); },
          [this](int k, uint16_t p) { host_.BenchLink().Benches[size_t(k)].RequestLoadFlashParameters(p); },
          [this](int k) { return BB[size_t(k)]->isEnabled() && BB[size_t(k)]->isChecked(); },
          [this] { return parameters_ ? parameters_->LastParamText().toStdString() : std::string(); },
          [this] {
              if (parameters_)
                  parameters_->ClearLastParamText();
          },
          [this](const std::string& text) { StateEdit->setText(QString::fromLatin1(text.c_str())); },
          [this](int ms) { StepTimer->start(std::max(1, ms * TimerPercent / 100)); },
          [this] { StepTimer->stop(); },
          [this](const std::string& text) {
              host_.Messages().Show(QStringLiteral("Warning"), QString::fromLatin1(text.c_str()),
                                    IMessageSink::Icon::Warning);
          },
      })
{
    setWindowFlag(Qt::Window);
    ownDialogs_ = std::make_unique<QtServiceDialogs>(this);
    Dialogs = ownDialogs_.get();
    BuildControls();
    SetLoadMode(true);
    UpdateBenchSelection();

    host_.BenchLink().AddClaim(*this);
}

bool CalibrationWindow::Claiming() const { return isVisible() && machine_.CalState() > 0; }

bool CalibrationWindow::Claimed(int, const RxFrame& frame)
{
    // Refusals of all four flash parameter codes, acknowledgements of the three it steps on.
    const uint8_t c = frame.Code;
    const bool taken = frame.Start == kNak ? (c == 0x48 || c == 0x49 || c == 0x54 || c == 0x55) : (c == 0x48 || c == 0x49 || c == 0x54);
    if (taken)
        machine_.Reply(frame);
    return taken;
}

CalibrationWindow::~CalibrationWindow()
{
    host_.BenchLink().RemoveClaim(*this);
}

void CalibrationWindow::BuildControls()
{
    auto* grid = new QGridLayout(this);
    auto* group = new QGroupBox(QStringLiteral("Bench"), this);
    auto* rows = new QGridLayout(group);
    for (int k = 0; k < 4; ++k) {
        BB[size_t(k)] = new QCheckBox(QString::number(k + 1), group);
        BB[size_t(k)]->setObjectName(QStringLiteral("BB%1").arg(k + 1));
        BB[size_t(k)]->setEnabled(false);
        FileEdit[size_t(k)] = new QLineEdit(group);
        FileEdit[size_t(k)]->setObjectName(QStringLiteral("File%1Edit").arg(k + 1));
        OpenButton[size_t(k)] = new QPushButton(QStringLiteral("Open File %1").arg(k + 1), group);
        OpenButton[size_t(k)]->setObjectName(QStringLiteral("Button%1").arg(k + 1));
        rows->addWidget(BB[size_t(k)], k, 0);
        rows->addWidget(FileEdit[size_t(k)], k, 1);
        rows->addWidget(OpenButton[size_t(k)], k, 2);
        connect(OpenButton[size_t(k)], &QPushButton::clicked, this, [this, k] { OpenFileClick(k); });
    }
    grid->addWidget(group, 0, 0, 1, 3);

    grid->addWidget(new QLabel(QStringLiteral("Process State"), this), 1, 0);
    StateEdit = new QLineEdit(this);
    StateEdit->setObjectName(QStringLiteral("Edit1"));
    StateEdit->setReadOnly(true);
    grid->addWidget(StateEdit, 1, 1, 1, 2);

    OKBtn = new QPushButton(QStringLiteral("Start"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    HelpBtn = new QPushButton(QStringLiteral("Help"), this);
    HelpBtn->setObjectName(QStringLiteral("HelpBtn"));
    grid->addWidget(OKBtn, 2, 0);
    grid->addWidget(CancelBtn, 2, 1);
    grid->addWidget(HelpBtn, 2, 2);

    StepTimer = new QTimer(this);
    StepTimer->setObjectName(QStringLiteral("Timer1"));
    StepTimer->setSingleShot(true);

    connect(OKBtn, &QPushButton::clicked, this, &CalibrationWindow::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &CalibrationWindow::CancelBtnClick);
    connect(StepTimer, &QTimer::timeout, this, &CalibrationWindow::StepTimerTick);
}

void CalibrationWindow::SetLoadMode(bool load)
{
    // A running procedure keeps its mode: switched to checking, the rest of a load would be
    // compared but never written; switched to loading, a check would start writing.
    if (machine_.Running())
        return;
    machine_.LoadMode = load;
    setWindowTitle(load ? QStringLiteral("Load Calibration Parameters") : QStringLiteral("Check Calibration Parameters"));
}

void CalibrationWindow::showEvent(QShowEvent* event)
{
    StateEdit->clear();
    BenchWindow::showEvent(event);
}

void CalibrationWindow::UpdateBenchSelection()
{
    for (int k = 0; k < 4; ++k) {
        QCheckBox* box = BB[size_t(k)];
        box->setEnabled(host_.BenchSwitchedOn(k));
        if (box->isEnabled())
            box->setChecked(true);
    }
}

void CalibrationWindow::OpenFileClick(int k)
{
    const QString path = Dialogs->OpenFileName(QStringLiteral("Select Cal File"), QStringLiteral("Kite Cal Files (*.CAL)"),
                                               Paths::DriveCPath(QStringLiteral("C:\\")));
    if (path.isEmpty())
        return;
    machine_.CalFileNames[size_t(k)] = path.toLocal8Bit().toStdString();
    FileEdit[size_t(k)]->setText(QFileInfo(path).fileName());
}

void CalibrationWindow::OKBtnClick() { machine_.Start(); }

void CalibrationWindow::CancelBtnClick()
{
    machine_.Cancel();
    close();
}

void CalibrationWindow::StepTimerTick() { machine_.Tick(); }
