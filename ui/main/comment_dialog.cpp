#include "ui/main/comment_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

CommentDialog::CommentDialog(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TCommentDlg"));
    setWindowTitle(QStringLiteral("Logfile Comment"));
    setModal(true);

    PromptLabel = new QLabel(QStringLiteral("Enter a Comment to be included in the logfile."), this);
    PromptLabel->setObjectName(QStringLiteral("Label1"));
    CommentEdit = new QPlainTextEdit(this);
    CommentEdit->setObjectName(QStringLiteral("Memo1"));
    CommentEdit->setAccessibleName(QStringLiteral("Comment"));
    PromptLabel->setBuddy(CommentEdit);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    ClearBtn = new QPushButton(QStringLiteral("&Clear Text"), this);
    ClearBtn->setObjectName(QStringLiteral("ClearBtn"));
    ClearBtn->setAutoDefault(false);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(ClearBtn, &QPushButton::clicked, this, &CommentDialog::ClearBtnClick);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    buttons->addWidget(ClearBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PromptLabel);
    layout->addWidget(CommentEdit);
    layout->addLayout(buttons);
    resize(420, 260);
}

QStringList CommentDialog::Lines() const
{
    QStringList lines = CommentEdit->toPlainText().split(QLatin1Char('\n'));
    // A final line end does not start another line, as in any text memo.
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void CommentDialog::ClearBtnClick() { CommentEdit->clear(); }
