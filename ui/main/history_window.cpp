#include "ui/main/history_window.h"

#include <QListWidget>
#include <QVBoxLayout>

HistoryWindow::HistoryWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("THistory"));
    setWindowTitle(QStringLiteral("History Screen"));
    HistoryList = new QListWidget(this);
    HistoryList->setObjectName(QStringLiteral("ListBox1"));
    HistoryList->setAccessibleName(QStringLiteral("Log file history"));
    HistoryList->setFont(QFont(QStringLiteral("Monospace")));
    HistoryList->setUniformItemSizes(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(HistoryList);
    resize(640, 400);
}

void HistoryWindow::SetLines(const QStringList& lines)
{
    HistoryList->clear();
    HistoryList->addItems(lines);
}
