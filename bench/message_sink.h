#pragma once
#include <QString>

// Modal messages to the user go through this, so tests can answer and record them.
struct IMessageSink {
    enum class Icon { None, Information, Warning, Error };
    virtual ~IMessageSink() = default;
    // Shows the message and returns once the user has closed it (OK).
    virtual void Show(const QString& caption, const QString& text, Icon icon) = 0;
};

class QWidget;

// Modal QMessageBox with one OK button.
class MessageBoxSink : public IMessageSink {
public:
    explicit MessageBoxSink(QWidget* parent = nullptr) : Parent(parent) {}
    void Show(const QString& caption, const QString& text, Icon icon) override;
    QWidget* Parent;
};
