#include "ui/commands/help_window.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

// Outside any namespace, as Q_INIT_RESOURCE requires; the pages live in a
// static library, so nothing else would pull them into the program.
static void InitHelpResources() { Q_INIT_RESOURCE(help); }

QString HelpPageForContext(int context)
{
    switch (context) {
    case kHelpCommandDialog: return QStringLiteral("qrc:/help/commands.html");
    case kHelpGeneral:
    default: return QStringLiteral("qrc:/help/index.html");
    }
}

QStringList HelpPages()
{
    return {QStringLiteral("qrc:/help/index.html"), QStringLiteral("qrc:/help/connecting.html"),
            QStringLiteral("qrc:/help/collecting.html"), QStringLiteral("qrc:/help/commands.html"),
            QStringLiteral("qrc:/help/status.html")};
}

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent)
{
    InitHelpResources();
    setWindowFlag(Qt::Window);
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(tr("Halyard Help"));
    resize(560, 480);

    HelpBrowser = new QTextBrowser(this);
    HelpBrowser->setObjectName(QStringLiteral("HelpBrowser"));
    HelpBrowser->setAccessibleName(tr("Help page"));
    HelpBrowser->setOpenExternalLinks(false);

    ContentsBtn = new QPushButton(tr("&Contents"), this);
    ContentsBtn->setObjectName(QStringLiteral("ContentsBtn"));
    ContentsBtn->setAccessibleName(tr("Contents"));
    BackBtn = new QPushButton(tr("&Back"), this);
    BackBtn->setObjectName(QStringLiteral("BackBtn"));
    BackBtn->setAccessibleName(tr("Back"));
    BackBtn->setEnabled(false);
    CloseBtn = new QPushButton(tr("Close"), this);
    CloseBtn->setObjectName(QStringLiteral("CloseBtn"));
    CloseBtn->setAccessibleName(tr("Close"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ContentsBtn);
    buttons->addWidget(BackBtn);
    buttons->addStretch();
    buttons->addWidget(CloseBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(HelpBrowser);

    connect(ContentsBtn, &QPushButton::clicked, this, [this] { ShowContext(kHelpGeneral); });
    connect(BackBtn, &QPushButton::clicked, HelpBrowser, &QTextBrowser::backward);
    connect(HelpBrowser, &QTextBrowser::backwardAvailable, BackBtn, &QPushButton::setEnabled);
    connect(CloseBtn, &QPushButton::clicked, this, &QWidget::hide);
}

void HelpWindow::ShowContext(int context) { HelpBrowser->setSource(QUrl(HelpPageForContext(context))); }

HelpWindow& SharedHelpWindow()
{
    // Lives for the whole run like the program's other windows.
    static HelpWindow* window = new HelpWindow;
    return *window;
}

void ShowHelp(int context)
{
    HelpWindow& w = SharedHelpWindow();
    w.ShowContext(context);
    w.show();
    w.raise();
    w.activateWindow();
}
