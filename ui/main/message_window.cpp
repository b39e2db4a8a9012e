#include "ui/main/message_window.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

MessageWindow::MessageWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("TFMessage"));
    setWindowTitle(QStringLiteral("System Message"));
    MessageText = new QPlainTextEdit(this);
    MessageText->setObjectName(QStringLiteral("Memo1"));
    MessageText->setAccessibleName(QStringLiteral("System message"));
    MessageText->setReadOnly(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MessageText);
    resize(320, 100);
}

void MessageWindow::SetClosingText() { MessageText->setPlainText(kClosingText); }

void MessageWindow::showEvent(QShowEvent* event)
{
    // Showing puts the line in as well; setting it (not adding) keeps it a single line.
    SetClosingText();
    QWidget::showEvent(event);
}
