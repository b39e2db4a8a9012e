#include "ui/main/history_window.h"

#include <QListWidget>
#include <QVBoxLayout>

HistoryWindow::HistoryWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("THistory"));
    setWindowTitle(QStringLiteral("History Screen"));
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setAccessibleName(QStringLiteral("Log file history"));
    ListBox1->setFont(QFont(QStringLiteral("Monospace")));
    ListBox1->setUniformItemSizes(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ListBox1);
    resize(640, 400);
}

void HistoryWindow::SetLines(const QStringList& lines)
{
    ListBox1->clear();
    ListBox1->addItems(lines);
}
