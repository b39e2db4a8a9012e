#include "ui/service/firmware_upgrade_window.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include "link/bench_host.h"
#include "ui/common/bench_buttons.h"
#include "link/link.h"
#include "link/message_sink.h"
#include "link/paths.h"
#include "ui/service/service_dialogs.h"

namespace {

QLabel* NewLabel(const char* name, const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

QColor ColourOf(UpgradeDisplay::Colour c)
{
    switch (c) {
    case UpgradeDisplay::Colour::Green: return QColor(0, 128, 0);
    case UpgradeDisplay::Colour::Red: return QColor(255, 0, 0);
    case UpgradeDisplay::Colour::Black: break;
    }
    return QColor(0, 0, 0);
}

void Apply(QLabel* label, const UpgradeDisplay::Item& item)
{
    label->setEnabled(item.Enabled);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, ColourOf(item.Look));
    p.setColor(QPalette::Disabled, QPalette::WindowText, ColourOf(item.Look).lighter(160));
    label->setPalette(p);
}

} // namespace

FirmwareUpgradeWindow::FirmwareUpgradeWindow(BenchHost& host, QWidget* parent)
    : BenchWindow(parent),
      host_(host),
      machine_(UpgradeRequests{
          [this](int k) { host_.BenchLink().Benches[size_t(k)].RequestStartBootMode(); },
          [this](int k) { host_.BenchLink().Benches[size_t(k)].RequestInitiateFlashDownload(); },
          [this](int k, const std::array<uint8_t, 4>& address, const std::vector<uint8_t>& data) {
              host_.BenchLink().Benches[size_t(k)].RequestWriteFlashMemory(address, int(data.size()), data.data());
          },
          [this](int k) { host_.BenchLink().Benches[size_t(k)].RequestEndFlashDownload(); },
          [this](int k) { host_.BenchLink().Benches[size_t(k)].RequestSoftReset(); },
          [this](const std::string& text) { Warn(QString::fromLatin1(text.c_str())); },
      })
{
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("Flash Firmware Download"));
    ownDialogs_ = std::make_unique<QtServiceDialogs>(this);
    Dialogs = ownDialogs_.get();
    BuildControls();
    Render();
    UpdateBenchSelection();

    host_.BenchLink().AddClaim(*this);
}

bool FirmwareUpgradeWindow::Claiming() const { return machine_.Busy(); }

bool FirmwareUpgradeWindow::Claimed(int, const RxFrame& frame)
{
    machine_.Reply(frame);
    Render();
    return true;
}

FirmwareUpgradeWindow::~FirmwareUpgradeWindow()
{
    host_.BenchLink().RemoveClaim(*this);
}

void FirmwareUpgradeWindow::BuildControls()
{
    auto* grid = new QGridLayout(this);
    QFont big = font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    BootText = NewLabel("BootText", QStringLiteral("Entering Boot Mode"), this);
    EraseText = NewLabel("EraseText", QStringLiteral("Erasing Program Sectors"), this);
    ProgrammingText = NewLabel("ProgrammingText", QStringLiteral("Programming Flash"), this);
    for (QLabel* l : {BootText, EraseText, ProgrammingText})
        l->setFont(big);
    grid->addWidget(BootText, 0, 0, 1, 3);
    grid->addWidget(EraseText, 1, 0, 1, 3);
    grid->addWidget(ProgrammingText, 2, 0, 1, 3);

    ProgAddress = NewLabel("ProgAddress", QStringLiteral("Address:"), this);
    HexAddressText = NewLabel("HexAddressText", QStringLiteral("000000"), this);
    RangeLabel = NewLabel("RangeLabel", QStringLiteral("Range:"), this);
    RangeText = NewLabel("RangeText", QStringLiteral("000000"), this);
    grid->addWidget(ProgAddress, 3, 0);
    grid->addWidget(HexAddressText, 3, 1);
    grid->addWidget(RangeLabel, 4, 0);
    grid->addWidget(RangeText, 4, 1);

    RecordLineEdit = new QLineEdit(this);
    RecordLineEdit->setObjectName(QStringLiteral("Edit1"));
    RecordLineEdit->setReadOnly(true);
    grid->addWidget(RecordLineEdit, 5, 0, 1, 2);

    ProgressGauge = new QProgressBar(this);
    ProgressGauge->setObjectName(QStringLiteral("CGauge1"));
    ProgressGauge->setOrientation(Qt::Vertical);
    ProgressGauge->setRange(0, 100);
    grid->addWidget(ProgressGauge, 0, 3, 6, 1);

    Success = NewLabel("Success", QStringLiteral("Success!!!"), this);
    Success->setFont(big);
    grid->addWidget(Success, 6, 0, 1, 2);

    BenchGroup = new BenchButtons(QStringLiteral("Bench"), this);
    BenchGroup->setObjectName(QStringLiteral("BenchGroup"));
    grid->addWidget(BenchGroup, 7, 0, 1, 2);

    StartBtn = new QPushButton(QStringLiteral("&Start Download"), this);
    StartBtn->setObjectName(QStringLiteral("StartBtn"));
    CancelBtn = new QPushButton(QStringLiteral("&Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    grid->addWidget(StartBtn, 8, 0);
    grid->addWidget(CancelBtn, 8, 1);

    connect(StartBtn, &QPushButton::clicked, this, &FirmwareUpgradeWindow::StartBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &FirmwareUpgradeWindow::CancelBtnClick);
}

void FirmwareUpgradeWindow::Render()
{
    const UpgradeDisplay& d = machine_.Display();
    Apply(BootText, d.BootText);
    Apply(EraseText, d.EraseText);
    Apply(ProgrammingText, d.ProgrammingText);
    Apply(ProgAddress, d.ProgAddress);
    Apply(HexAddressText, d.HexAddressText);
    Apply(RangeLabel, d.RangeLabel);
    Apply(RangeText, d.RangeText);
    HexAddressText->setText(QString::fromLatin1(d.HexAddress.c_str()));
    RangeText->setText(QString::fromLatin1(d.Range.c_str()));
    RecordLineEdit->setText(QString::fromLatin1(d.RecordLine.c_str()));
    ProgressGauge->setValue(d.Gauge);
    Success->setVisible(d.Success);
    StartBtn->setEnabled(d.StartEnabled);
}

void FirmwareUpgradeWindow::Warn(const QString& text) { host_.Messages().Show(QStringLiteral("Warning"), text, IMessageSink::Icon::Warning); }

int FirmwareUpgradeWindow::SelectedBench() const { return BenchGroup->SelectedBench(); }

void FirmwareUpgradeWindow::UpdateBenchSelection()
{
    std::array<bool, 4> on{};
    for (int k = 0; k < 4; ++k)
        on[size_t(k)] = host_.BenchSwitchedOn(k);
    BenchGroup->UpdateBenchSelection(on);
}

void FirmwareUpgradeWindow::StartBtnClick()
{
    const int k = SelectedBench();
    if (k == -1)
        return Warn(QStringLiteral("No Active Benvhes"));
    const QString path = Dialogs->OpenFileName(QStringLiteral("Select New Firmware File"),
                                               QStringLiteral("Kite Firmware Files (*.s19)"),
                                               Paths::DriveCPath(QStringLiteral("C:\\")));
    if (path.isEmpty())
        return Warn(QStringLiteral("No File Selected"));
    machine_.Start(k, path.toLocal8Bit().toStdString());
    Render();
}

void FirmwareUpgradeWindow::CancelBtnClick()
{
    machine_.Cancel();
    close();
}

void FirmwareUpgradeWindow::FormClose()
{
    machine_.Close();
    Render();
}

void FirmwareUpgradeWindow::CloseWindow()
{
    FormClose();
    hide();
}

void FirmwareUpgradeWindow::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
}
