#include "file_dialogs.h"

#include <QDialogButtonBox>
#include <QFileDialog>
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
