#include "ui/graphs/raw_ir_history_window.h"

#include <QListWidget>
#include <QTimer>
#include <QVBoxLayout>

RawIrHistoryWindow::RawIrHistoryWindow(QWidget* parent) : BenchWindow(parent)
{
    setObjectName(QStringLiteral("TfHist_ir"));
    setWindowTitle(QStringLiteral("Collected IR data"));
    LoggedLines = new QListWidget(this);
    LoggedLines->setObjectName(QStringLiteral("ListBox1"));
    LoggedLines->setAccessibleName(tr("Logged raw IR lines"));
    LoggedLines->setFont(QFont(QStringLiteral("monospace")));
    LoggedLines->setUniformItemSizes(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LoggedLines);
    resize(420, 480);

    RefreshTimer = new QTimer(this);
    RefreshTimer->setSingleShot(true);
    RefreshTimer->setInterval(50);
    connect(RefreshTimer, &QTimer::timeout, this, &RawIrHistoryWindow::Refresh);
}

void RawIrHistoryWindow::ClearLines()
{
    History.Clear();
    Changed();
}

void RawIrHistoryWindow::AddLine(const QString& line)
{
    History.Add(line);
    Changed();
}

QStringList RawIrHistoryWindow::Items() const
{
    return QStringList(History.Lines.begin(), History.Lines.end());
}

void RawIrHistoryWindow::Changed()
{
    if (isVisible() && !RefreshTimer->isActive())
        RefreshTimer->start();
}

void RawIrHistoryWindow::showEvent(QShowEvent* event)
{
    Refresh();
    BenchWindow::showEvent(event);
}

void RawIrHistoryWindow::Refresh()
{
    LoggedLines->clear();
    LoggedLines->addItems(Items());
    LoggedLines->scrollToBottom();
}
