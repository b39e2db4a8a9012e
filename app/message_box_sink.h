#pragma once
#include "message_sink.h"

class QWidget;

// Modal QMessageBox with one OK button.
class MessageBoxSink : public IMessageSink {
public:
    explicit MessageBoxSink(QWidget* parent = nullptr) : Parent(parent) {}
    void Show(const QString& caption, const QString& text, Icon icon) override;
    QWidget* Parent;
};
