#pragma once
#include "link/message_sink.h"

class QWidget;

// Modal QMessageBox with one button, OK unless asked otherwise.
class MessageBoxSink : public IMessageSink {
public:
    explicit MessageBoxSink(QWidget* parent = nullptr) : Parent(parent) {}
    void Show(const QString& caption, const QString& text, Icon icon) override;
    void ShowWithButton(const QString& caption, const QString& text, Icon icon, Button button) override;
    QWidget* Parent;
};
