#include "ui/main/main_window.h"

#include "ui/main/program_texts.h"
#include "ui/main/comment_dialog.h"
#include "ui/main/history_window.h"
#include "ui/main/file_dialogs.h"
#include "rows/history_copy.h"
#include "ui/main/grid_view_adapter.h"
#include "ui/common/radio_group.h"
#include "link/paths.h"
#include "ui/main/title_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QTableView>

RowSettings MainWindow::CurrentRowSettings() const
{
    RowSettings s;
    s.TimeStamp = TimeStamp->isChecked();
    s.RelativeTime = RelativeTime->isChecked();
    s.AcceptCount = AcceptCountChk->isChecked();
    s.DemodulatedIR = DemodulatedIR->isChecked();
    s.GasConcentration = GasConcentration->isChecked();
    s.Offset = Offset->isChecked();
    s.MinMaxADC = MinMaxADC->isChecked();
    s.Temperatures = Temperatures->isChecked();
    s.AmbTemp = AmbTemp->isChecked();
    s.Pressures = Pressures->isChecked();
    s.AmbPressure = AmbPressure->isChecked();
    s.RawNoxO2 = RawNoxO2->isChecked();
    s.Pef = Pef->isChecked();
    s.AveragingMode = AveragingMode;
    s.SamplesPerBlock = SamplesPerBlock;
    s.HCDivisor100 = HCDivisor100();
    for (int k = 0; k < 4; ++k)
        s.PortOpen[k] = ports_.PortOpen[k];
    s.GridHeightPixels = Grid->height();
    s.LoggingOn = Logging->ItemIndex() == 0;
    s.ManualCollect = DataRadio->ItemIndex() == 1;
    s.AcceptBtnEnabled = AcceptBtn->isEnabled();
    return s;
}

void MainWindow::RebuildHeader()
{
    station_.Rows().Settings = CurrentRowSettings();
    station_.Rows().RebuildHeader();
}

void MainWindow::StartLogging()
{
    if (LogFileOpen() && Logging->ItemIndex() == 0) {
        if (!station_.Log().WriteHeaderLine(station_.Rows().HeaderLine()))
            LogWriteProblem();
    }
}

void MainWindow::StartedStreams(int, int)
{
    station_.Rows().Settings = CurrentRowSettings();
    station_.Rows().RecountActive();
}

void MainWindow::WriteStopLine()
{
    if (LogFileOpen() && !station_.Log().WriteEmptyLine())
        LogWriteProblem();
}

void MainWindow::LogFileProblem() { ShowInfo(QString::fromLatin1(kLogFileProblem)); }

void MainWindow::LogWriteProblem()
{
    // Once per file, with the reason: a full disk fails every write until space returns.
    if (station_.Log().ReportFailure())
        ShowInfo(station_.Log().ProblemText());
}

void MainWindow::EnableCommentAndLogging()
{
    CommentBtn->setEnabled(LogFileOpen());
    Logging->setEnabled(LogFileOpen());
}

void MainWindow::NewFileClick()
{
    const QString path = dialogs_->SaveLogFileName(Paths::DriveC());
    if (!path.isEmpty()) {
        const bool replace = !QFileInfo::exists(path)
            || dialogs_->AskYesNo(QStringLiteral("Confirm"), path + QStringLiteral(" already exists.\nDo you want to replace it?"));
        if (replace) {
            CloseFileClick();
            LogFileName = path;
            if (!station_.Log().Create(path))
                LogFileProblem();
        }
    }
    EnableCommentAndLogging();
}

void MainWindow::AppendToFileClick()
{
    const QString path = dialogs_->OpenLogFileName(Paths::DriveC());
    if (!path.isEmpty()) {
        CloseFileClick();
        LogFileName = path;
        if (station_.Log().Append(path))
            setWindowTitle(Cedat::ShortCaption() + QStringLiteral(" - ") + LogFileName);
        else
            LogFileProblem();
    }
    EnableCommentAndLogging();
}

void MainWindow::CloseFileClick()
{
    if (!LogFileOpen())
        return;
    station_.Log().Close();
    setWindowTitle(Cedat::ShortCaption());
    CommentBtn->setEnabled(false);
    Logging->setEnabled(false);
}

void MainWindow::CommentBtnClick()
{
    CommentDialog* dialog = windows_.Comment;
    if (!dialog || dialog->exec() != QDialog::Accepted)
        return;
    std::vector<std::string> lines;
    for (const QString& line : dialog->Lines())
        lines.push_back(line.toLatin1().toStdString());
    if (LogFileOpen() && !station_.Log().WriteComment(lines))
        LogWriteProblem();
}

void MainWindow::TitleBtnClick()
{
    if (windows_.Title) {
        windows_.Title->show();
        windows_.Title->raise();
    }
}

void MainWindow::TitleAccepted(const QString& title)
{
    TitleText = title;
    if (Logging->ItemIndex() == 0)
        setWindowTitle(BaseCaption + QStringLiteral(" - ") + LogFileName + QStringLiteral(", ") + TitleText);
    else
        setWindowTitle(BaseCaption + QStringLiteral(", ") + TitleText);
    // The title is not made the application's display name: the windowing system appends that
    // name to every window caption, so the captions set later would no longer be the ones asked for.
}

void MainWindow::HistoryBtnClick()
{
    const QString historyPath = HistoryFilePath();
    const HistoryCopyResult copy = CopyLogToHistory(station_.Log(), historyPath);
    for (const QString& message : copy.Messages)
        ShowInfo(message);
    if (copy.LogClosed)
        EnableCommentAndLogging();
    std::vector<std::string> lines;
    if (!ReadHistoryFile(historyPath, lines)) {
        ShowInfo(QString::fromLatin1(kFileHistoryOpenFailed));
        return;
    }
    QStringList items;
    items.reserve(qsizetype(lines.size()));
    for (const std::string& line : lines)
        items.append(QString::fromLatin1(line.data(), qsizetype(line.size())));
    windows_.History->SetLines(items);
    windows_.History->show();
    windows_.History->raise();
}

QPrinter& MainWindow::Printer()
{
    if (!printer_)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

// Prints at once on the printer chosen with Printer Setup (the system's default until then).
void MainWindow::PrintFormClick() { PrintWindowImage(Printer()); }

void MainWindow::PrintWindowImage(QPrinter& printer)
{
    const QPixmap image = grab();
    QPainter painter;
    if (!painter.begin(&printer)) {
        ShowInfo(QStringLiteral("The printer could not be started."));
        return;
    }
    // Same size on paper as on the screen; shrunk to the page when larger.
    const QRect page = painter.viewport();
    const double screenDpi = logicalDpiX() > 0 ? logicalDpiX() : 96;
    double scale = printer.resolution() / screenDpi;
    const double fit = std::min(page.width() / double(image.width()), page.height() / double(image.height()));
    if (scale > fit)
        scale = fit;
    painter.drawPixmap(QRectF(0, 0, image.width() * scale, image.height() * scale), image, QRectF(image.rect()));
    painter.end();
}

void MainWindow::PrinterSetupClick() { dialogs_->PrinterSetup(Printer()); }
