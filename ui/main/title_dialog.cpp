#include "ui/main/title_dialog.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

TitleDialog::TitleDialog(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("TFTitle"));
    setWindowTitle(QStringLiteral("Vireo Title"));
    TitleEdit = new QLineEdit(QStringLiteral("Computer:"), this);
    TitleEdit->setObjectName(QStringLiteral("Edit1"));
    TitleEdit->setAccessibleName(QStringLiteral("Title"));
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    connect(OKBtn, &QPushButton::clicked, this, &TitleDialog::OKBtnClick);
    connect(TitleEdit, &QLineEdit::returnPressed, this, &TitleDialog::OKBtnClick);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(TitleEdit);
    layout->addWidget(OKBtn);
}

void TitleDialog::OKBtnClick()
{
    emit TitleAccepted(TitleEdit->text());
    close();
}
