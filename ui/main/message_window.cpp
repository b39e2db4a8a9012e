#include "ui/main/message_window.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

MessageWindow::MessageWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("TFMessage"));
    setWindowTitle(QStringLiteral("System Message"));
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setAccessibleName(QStringLiteral("System message"));
    Memo1->setReadOnly(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Memo1);
    resize(320, 100);
}

void MessageWindow::SetClosingText() { Memo1->setPlainText(kClosingText); }

void MessageWindow::showEvent(QShowEvent* event)
{
    // Showing puts the line in as well; setting it (not adding) keeps it a single line.
    SetClosingText();
    QWidget::showEvent(event);
}
