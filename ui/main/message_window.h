#pragma once
#include <QWidget>

class QPlainTextEdit;

// "System Message": the notice shown while the program closes.
class MessageWindow : public QWidget {
    Q_OBJECT
public:
    static inline const QString kClosingText = QStringLiteral("Wait! Application is closing...");

    explicit MessageWindow(QWidget* parent = nullptr);

    QPlainTextEdit* MessageText;

    // Empties the memo and gives it the closing line.
    void SetClosingText();

protected:
    void showEvent(QShowEvent* event) override;
};
