#pragma once
#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// "Logfile Comment": a memo whose lines become a comment block of the log file.
// The memo keeps its text between comments.
class CommentDialog : public QDialog {
    Q_OBJECT
public:
    explicit CommentDialog(QWidget* parent = nullptr);

    QLabel* PromptLabel;
    QPlainTextEdit* CommentEdit;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
    QPushButton* ClearBtn;

    // The memo's lines (an untouched empty memo has one empty line).
    QStringList Lines() const;
    void ClearBtnClick();
};
