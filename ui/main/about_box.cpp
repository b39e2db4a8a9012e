#include "ui/main/about_box.h"

#include "ui/main/program_texts.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {
QLabel* NamedLabel(QWidget* parent, const char* name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAccessibleName(text);
    return label;
}
} // namespace

AboutBox::AboutBox(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TAboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setModal(true);

    ProductName = NamedLabel(this, "ProductName", Cedat::ProgramName);
    Version = NamedLabel(this, "Version", QStringLiteral("Version ") + Cedat::Revision + QStringLiteral(", ") + Cedat::ReleaseDate);
    PellamLabel = NamedLabel(this, "PellamLabel", QStringLiteral("Halyard Instruments"));
    Copyright = NamedLabel(this, "Copyright", QStringLiteral("Copyright \u00A9 ") + Cedat::ReleaseYear + QStringLiteral(". All rights reserved."));
    Comments = NamedLabel(this, "Comments", QStringLiteral("Comments"));
    ProgramIcon = new QLabel(this);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setAccessibleName(QStringLiteral("Program icon"));
    ProgramIcon->setPixmap(QApplication::style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32, 32));

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* top = new QHBoxLayout;
    top->addWidget(ProgramIcon, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    for (QLabel* l : {ProductName, Version, PellamLabel, Copyright, Comments})
        texts->addWidget(l);
    top->addLayout(texts);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(OKButton, 0, Qt::AlignHCenter);
}
