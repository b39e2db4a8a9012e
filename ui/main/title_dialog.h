#pragma once
#include <QWidget>

class QLineEdit;
class QPushButton;

// "Vireo Title": the title the main window and the application carry. Shown modelessly.
class TitleDialog : public QWidget {
    Q_OBJECT
public:
    explicit TitleDialog(QWidget* parent = nullptr);

    QLineEdit* TitleEdit;
    QPushButton* OKBtn;

    void OKBtnClick();

signals:
    // OK: the text of TitleEdit, before the dialog closes.
    void TitleAccepted(const QString& title);
};
