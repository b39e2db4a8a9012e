#include "ui/service/parameter_transfer_window.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include "link/bench_host.h"
#include "ui/service/parameter_editor.h"
#include "link/link.h"
#include "link/paths.h"
#include "ui/service/service_dialogs.h"

ParameterTransferWindow::ParameterTransferWindow(BenchHost& host, ParameterEditor* parameters, QWidget* parent)
    : BenchWindow(parent), host_(host), parameters_(parameters), transfer_(*this)
{
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("Cal Load1"));
    ownDialogs_ = std::make_unique<QtServiceDialogs>(this);
    Dialogs = ownDialogs_.get();
    BuildControls();

    host_.BenchLink().AddClaim(*this);
}

namespace {
bool IsFlashParamCode(uint8_t c) { return c == 0x48 || c == 0x49 || c == 0x54 || c == 0x55; }
} // namespace

bool ParameterTransferWindow::Claiming() const { return isVisible() && transfer_.TransferState > 0; }

bool ParameterTransferWindow::Claimed(int, const RxFrame& f)
{
    if (f.Start == kNak) {
        if (!IsFlashParamCode(f.Code))
            return false;
        StepTimer->stop();
        transfer_.Refusal(f.Code, f.Length > 0 ? f.Data[0] : uint8_t(0));
        return true;
    }
    // Load Flash Parameters ($55) is acknowledged without a step.
    if (f.Code != 0x48 && f.Code != 0x49 && f.Code != 0x54)
        return false;
    StepTimer->stop();
    transfer_.Reply(f);
    return true;
}

void ParameterTransferWindow::ClaimedTimeout(int, uint8_t code)
{
    if (transfer_.TransferState > 0 && IsFlashParamCode(code))
        transfer_.Timeout(code);
}

ParameterTransferWindow::~ParameterTransferWindow()
{
    host_.BenchLink().RemoveClaim(*this);
}

void ParameterTransferWindow::BuildControls()
{
    auto* grid = new QGridLayout(this);

    auto* benches = new QGroupBox(QStringLiteral("Bench"), this);
    auto* benchRows = new QVBoxLayout(benches);
    for (int k = 0; k < 4; ++k) {
        BB[k] = new QCheckBox(QString::number(k + 1), benches);
        BB[k]->setObjectName(QStringLiteral("BB%1").arg(k + 1));
        BB[k]->setEnabled(false);
        benchRows->addWidget(BB[k]);
        connect(BB[k], &QCheckBox::toggled, this, &ParameterTransferWindow::BenchBoxClick);

        FileEdit[k] = new QLineEdit(this);
        FileEdit[k]->setObjectName(QStringLiteral("File%1Edit").arg(k + 1));
        OpenButton[k] = new QPushButton(QStringLiteral("Open File %1").arg(k + 1), this);
        OpenButton[k]->setObjectName(QStringLiteral("Button%1").arg(k + 1));
        grid->addWidget(FileEdit[k], k, 1);
        grid->addWidget(OpenButton[k], k, 2);
        connect(OpenButton[k], &QPushButton::clicked, this, [this, k] { OpenFileClick(k); });
    }
    grid->addWidget(benches, 0, 0, 4, 1);

    auto* mode = new QGroupBox(QStringLiteral("Download to Bench/ Upload from Bench"), this);
    mode->setObjectName(QStringLiteral("DownloadUploadRG"));
    auto* modeRows = new QVBoxLayout(mode);
    DownloadRadio = new QRadioButton(QStringLiteral("Download"), mode);
    UploadRadio = new QRadioButton(QStringLiteral("Upload"), mode);
    UploadRadio->setChecked(true);
    modeRows->addWidget(DownloadRadio);
    modeRows->addWidget(UploadRadio);
    grid->addWidget(mode, 4, 0, 2, 1);

    auto addEdit = [&](int row, const QString& caption, QLineEdit*& edit, const char* name, const QString& text) {
        grid->addWidget(new QLabel(caption, this), row, 1);
        edit = new QLineEdit(text, this);
        edit->setObjectName(QString::fromLatin1(name));
        grid->addWidget(edit, row + 1, 1);
    };
    addEdit(4, QStringLiteral("Last Parameter"), NumParamEdit, "NumParamEdit", QStringLiteral("500"));
    addEdit(6, QStringLiteral("Parameter"), ParameterEdit, "Edit2", QString());
    addEdit(8, QStringLiteral("Process State"), StateEdit, "Edit1", QString());
    StateEdit->setMinimumWidth(320);

    OKBtn = new QPushButton(QStringLiteral("Start"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    HelpBtn = new QPushButton(QStringLiteral("Help"), this);
    HelpBtn->setObjectName(QStringLiteral("HelpBtn"));
    grid->addWidget(OKBtn, 4, 2);
    grid->addWidget(CancelBtn, 5, 2);
    grid->addWidget(HelpBtn, 6, 2);
    connect(OKBtn, &QPushButton::clicked, this, &ParameterTransferWindow::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &ParameterTransferWindow::CancelBtnClick);

    StepTimer = new QTimer(this);
    StepTimer->setObjectName(QStringLiteral("Timer1"));
    StepTimer->setSingleShot(true);
    connect(StepTimer, &QTimer::timeout, this, &ParameterTransferWindow::StepTimerTick);
}

void ParameterTransferWindow::UpdateBenchSelection()
{
    for (int k = 0; k < 4; ++k) {
        BB[k]->setEnabled(host_.BenchSwitchedOn(k));
        if (BB[k]->isEnabled())
            BB[k]->setChecked(true);
    }
    BenchBoxClick();
}

void ParameterTransferWindow::BenchBoxClick()
{
    for (int k = 0; k < 4; ++k)
        transfer_.BenchFlags[size_t(k)] = BB[k]->isEnabled() && BB[k]->isChecked();
}

void ParameterTransferWindow::OpenFileClick(int k)
{
    const QString path = Dialogs->OpenFileName(QStringLiteral("Select Cal File"), QStringLiteral("Kite Cal Files (*.CAL)"),
                                               Paths::DriveCPath(QStringLiteral("C:\\")));
    if (path.isEmpty())
        return;
    transfer_.ParamFileNames[size_t(k)] = path;
    FileEdit[k]->setText(QFileInfo(path).fileName());
}

void ParameterTransferWindow::OKBtnClick()
{
    if (UploadRadio->isChecked()) {
        for (int k = 0; k < 4; ++k)
            transfer_.ParamFileNames[size_t(k)] = FileEdit[k]->text();
        bool ok = false;
        const int last = NumParamEdit->text().trimmed().toInt(&ok);
        if (ok) {
            transfer_.MaxParam = last;
        } else {
            transfer_.MaxParam = 400;
            NumParamEdit->setText(QStringLiteral("400"));
        }
    }
    transfer_.Start(DownloadRadio->isChecked());
}

void ParameterTransferWindow::CancelBtnClick() { transfer_.Cancel(); }
void ParameterTransferWindow::StepTimerTick() { transfer_.TimerTick(); }

void ParameterTransferWindow::ShowProcessState(const QString& text) { StateEdit->setText(text); }
void ParameterTransferWindow::ShowParameter(const QString& text) { ParameterEdit->setText(text); }
void ParameterTransferWindow::SetStartEnabled(bool enabled) { OKBtn->setEnabled(enabled); }
void ParameterTransferWindow::StopTimer() { StepTimer->stop(); }
void ParameterTransferWindow::StartTimer(int ms) { StepTimer->start(ms); }
bool ParameterTransferWindow::AskOverwrite() { return Dialogs->AskYesNo(QStringLiteral("Confirm"), QStringLiteral("File Exists! Overwrite?")); }

std::string ParameterTransferWindow::ParamName(int number)
{
    // Numbers past the list have no entry: their name is left empty.
    if (!parameters_ || number < 0 || number >= kParamCount)
        return {};
    return parameters_->ParamList()[size_t(number)].Name;
}

int64_t ParameterTransferWindow::NowSeconds() { return QDateTime::currentSecsSinceEpoch(); }

void ParameterTransferWindow::SendLoad(int bench, uint16_t number) { host_.BenchLink().Benches[bench].RequestLoadFlashParameters(number); }
void ParameterTransferWindow::SendRead(int bench, uint16_t number) { host_.BenchLink().Benches[bench].RequestReadFlashParameters(number); }
void ParameterTransferWindow::SendWrite(int bench, uint16_t number, const uint8_t* text, int length)
{
    host_.BenchLink().Benches[bench].RequestWriteFlashParameters(number, text, length);
}
void ParameterTransferWindow::SendStore(int bench, uint16_t number) { host_.BenchLink().Benches[bench].RequestStoreFlashParameters(number); }
