#include "ui/main/file_dialogs.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

namespace {

QString RunLogDialog(QWidget* parent, const QString& initialDir, bool save)
{
    QFileDialog dialog(parent, save ? QStringLiteral("New File") : QStringLiteral("Append to file"), initialDir,
                       QString::fromLatin1(kLogFilter));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QString::fromLatin1(kLogSuffix));
    // The overwrite question is the main window's, so tests see it too.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.selectFile(QStringLiteral("*.LOG"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

} // namespace

QString QtFileDialogs::SaveLogFileName(const QString& initialDir) { return RunLogDialog(parent_, initialDir, true); }

QString QtFileDialogs::OpenLogFileName(const QString& initialDir) { return RunLogDialog(parent_, initialDir, false); }

QString QtFileDialogs::OpenLogForExport(const QString& preselected)
{
    QFileDialog dialog(parent_, QStringLiteral("Export CSV: log file"), QString(),
                       QString::fromLatin1(kLogFilter) + QStringLiteral(";;All Files (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (QFileInfo(preselected).isDir())
        dialog.setDirectory(preselected);
    else
        dialog.selectFile(preselected);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

QStringList QtFileDialogs::OpenLogsForChart(const QString& preselected)
{
    QFileDialog dialog(parent_, QStringLiteral("Open Log as Chart"), QString(),
                       QString::fromLatin1(kLogFilter) + QStringLiteral(";;All Files (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    if (QFileInfo(preselected).isDir())
        dialog.setDirectory(preselected);
    else
        dialog.selectFile(preselected);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

QString QtFileDialogs::SaveCsvFileName(const QString& suggested)
{
    QFileDialog dialog(parent_, QStringLiteral("Export CSV: CSV file"), QString(), QStringLiteral("CSV Files (*.csv)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.selectFile(suggested);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

bool QtFileDialogs::AskYesNo(const QString& caption, const QString& text)
{
    return QMessageBox::question(parent_, caption, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}

void QtFileDialogs::PrinterSetup(QPrinter& printer)
{
    // The print dialog is the one that chooses the printer (the page set-up dialog alone cannot);
    // here it only sets the printer up, so its choices of pages to print are left out and its
    // accept button says OK rather than Print.
    QPrintDialog dialog(&printer, parent_);
    dialog.setWindowTitle(QStringLiteral("Printer Setup"));
    dialog.setOptions(QAbstractPrintDialog::PrintShowPageSize);
    for (QDialogButtonBox* box : dialog.findChildren<QDialogButtonBox*>())
        if (QPushButton* ok = box->button(QDialogButtonBox::Ok))
            ok->setText(QStringLiteral("OK"));
    dialog.exec();
}
