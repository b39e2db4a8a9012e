#include "ui/main/title_dialog.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

TitleDialog::TitleDialog(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("TFTitle"));
    setWindowTitle(QStringLiteral("Vireo Title"));
    Edit1 = new QLineEdit(QStringLiteral("Computer:"), this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setAccessibleName(QStringLiteral("Title"));
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    connect(OKBtn, &QPushButton::clicked, this, &TitleDialog::OKBtnClick);
    connect(Edit1, &QLineEdit::returnPressed, this, &TitleDialog::OKBtnClick);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(Edit1);
    layout->addWidget(OKBtn);
}

void TitleDialog::OKBtnClick()
{
    emit TitleAccepted(Edit1->text());
    close();
}
