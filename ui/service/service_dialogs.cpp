#include "ui/service/service_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

QString QtServiceDialogs::OpenFileName(const QString& title, const QString& filter, const QString& initialDir)
{
    return QFileDialog::getOpenFileName(parent_, title, initialDir, filter);
}

bool QtServiceDialogs::AskYesNo(const QString& caption, const QString& text)
{
    return QMessageBox::question(parent_, caption, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}
