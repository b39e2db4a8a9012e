#pragma once
#include <QString>
#include <QWidget>

class QPushButton;
class QTextBrowser;

// Help contexts the program asks for.
constexpr int kHelpGeneral = 1;
constexpr int kHelpCommandDialog = 6001;

// Resource URL of the page for a help context; unknown contexts get the
// general page.
QString HelpPageForContext(int context);
// The pages bundled with the program, contents first.
QStringList HelpPages();

// A small browser over the bundled help pages.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    void ShowContext(int context);

    QTextBrowser* HelpBrowser = nullptr;
    QPushButton* ContentsBtn = nullptr;
    QPushButton* BackBtn = nullptr;
    QPushButton* CloseBtn = nullptr;
};

// Opens the help window on the page of a context (1 general, 6001 command
// dialog). The window is made on first use and kept for the whole run.
void ShowHelp(int context);
// The window ShowHelp uses (made on first call).
HelpWindow& SharedHelpWindow();
