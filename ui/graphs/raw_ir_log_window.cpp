#include "ui/graphs/raw_ir_log_window.h"

#include <QAction>
#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QLocale>
#include <QMenuBar>
#include <QVBoxLayout>

#include "link/bench_host.h"
#include "link/message_sink.h"
#include "ui/graphs/raw_ir_history_window.h"

namespace {
const QString kRawCaption = QStringLiteral("Raw IR Data");
const QString kProblem = QStringLiteral("Problem with log file!");
} // namespace

RawIrLogWindow::RawIrLogWindow(BenchHost& host, QWidget* parent) : BenchWindow(parent), Host(host)
{
    setObjectName(QStringLiteral("TIRLog"));
    setWindowTitle(QStringLiteral("IR Data Log"));

    auto* bar = new QMenuBar(this);
    bar->setObjectName(QStringLiteral("MainMenu1"));
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("File1"));
    Open1 = file->addAction(QStringLiteral("&Open"));
    Open1->setObjectName(QStringLiteral("Open1"));
    Close1 = file->addAction(QStringLiteral("&Close"));
    Close1->setObjectName(QStringLiteral("Close1"));
    connect(Open1, &QAction::triggered, this, &RawIrLogWindow::OpenClick);
    connect(Close1, &QAction::triggered, this, &RawIrLogWindow::CloseClick);

    LoggingOnChk = new QCheckBox(QStringLiteral("Data Logging Enabled"), this);
    LoggingOnChk->setObjectName(QStringLiteral("LoggingOnChk"));
    LoggingOnChk->setAccessibleName(QStringLiteral("Data Logging Enabled"));

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(bar);
    layout->addWidget(LoggingOnChk);
    layout->addStretch(1);
    resize(300, 120);

    AskLogFileName = [this] {
        QFileDialog dialog(this, QStringLiteral("Raw Data Log File"), QDir::currentPath(), QStringLiteral("Log Files (*.LOG)"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile); // the folder must exist; overwriting is asked
        dialog.setDefaultSuffix(QStringLiteral("LOG"));
        dialog.selectFile(QStringLiteral("RAWDATA.LOG"));
        return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().front()
                                                                                       : QString();
    };
    NowText = [] { return QLocale::system().toString(QDateTime::currentDateTime(), QLocale::ShortFormat); };
}

RawIrLogWindow::~RawIrLogWindow()
{
    Log.Close();
}

bool RawIrLogWindow::Logging() const
{
    return LoggingOnChk->isChecked() && Log.IsOpen();
}

void RawIrLogWindow::OpenClick()
{
    const QString path = AskLogFileName ? AskLogFileName() : QString();
    if (path.isEmpty())
        return;
    CloseClick();
    emit RawCaptionChanged(kRawCaption + QStringLiteral(" - ") + path);
    const std::string header = RawIrLogFile::Header(path, NowText ? NowText() : QString());
    if (!Log.Open(path, header)) {
        // The caption must not name a file that is not being written.
        emit RawCaptionChanged(kRawCaption);
        Host.Messages().Show(kInformationCaption, kProblem, IMessageSink::Icon::Information);
        return;
    }
    if (History) {
        History->ClearLines();
        History->AddLine(QString::fromLatin1(header));
    }
}

void RawIrLogWindow::CloseClick()
{
    Log.Close();
    LoggingOnChk->setChecked(false);
    emit RawCaptionChanged(kRawCaption);
}

void RawIrLogWindow::LogLines(const std::vector<std::string>& lines)
{
    if (!Logging())
        return;
    bool failed = false;
    for (const std::string& line : lines) {
        switch (Log.Add(line)) {
        case RawIrLogFile::Outcome::JustFull:
            Host.Messages().Show(kInformationCaption, QStringLiteral("Log File is full"), IMessageSink::Icon::Information);
            break;
        case RawIrLogFile::Outcome::Failed:
            failed = true;
            break;
        default:
            break;
        }
        if (failed)
            break;
        if (History)
            History->AddLine(QString::fromLatin1(line));
    }
    // Each cycle reaches the system as a whole, so a crash loses at most the cycle in hand.
    if (failed || !Log.Flush())
        WriteFailed();
}

void RawIrLogWindow::WriteFailed()
{
    // A full disk or a vanished folder: stop logging and say so rather than count lines that never arrive.
    CloseClick();
    Host.Messages().Show(kInformationCaption, kProblem, IMessageSink::Icon::Information);
}
