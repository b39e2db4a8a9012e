#pragma once
#include <QDialog>

class QLabel;
class QPushButton;

// About window, shown modally from "&About...".
class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);

    QLabel* ProductName;
    QLabel* Version;
    QLabel* PellamLabel;
    QLabel* Copyright;
    QLabel* Comments;
    QLabel* ProgramIcon;
    QPushButton* OKButton;
};
