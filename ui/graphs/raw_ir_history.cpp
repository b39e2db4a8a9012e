#include "ui/graphs/raw_ir_history.h"

#include <QListWidget>
#include <QTimer>
#include <QVBoxLayout>

TfHist_ir::TfHist_ir(QWidget* parent) : TBenchWindow(parent)
{
    setObjectName(QStringLiteral("TfHist_ir"));
    setWindowTitle(QStringLiteral("Collected IR data"));
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setAccessibleName(tr("Logged raw IR lines"));
    ListBox1->setFont(QFont(QStringLiteral("monospace")));
    ListBox1->setUniformItemSizes(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ListBox1);
    resize(420, 480);

    RefreshTimer = new QTimer(this);
    RefreshTimer->setSingleShot(true);
    RefreshTimer->setInterval(50);
    connect(RefreshTimer, &QTimer::timeout, this, &TfHist_ir::Refresh);
}

void TfHist_ir::ClearLines()
{
    History.Clear();
    Changed();
}

void TfHist_ir::AddLine(const QString& line)
{
    History.Add(line);
    Changed();
}

QStringList TfHist_ir::Items() const
{
    return QStringList(History.Lines.begin(), History.Lines.end());
}

void TfHist_ir::Changed()
{
    if (isVisible() && !RefreshTimer->isActive())
        RefreshTimer->start();
}

void TfHist_ir::showEvent(QShowEvent* event)
{
    Refresh();
    TBenchWindow::showEvent(event);
}

void TfHist_ir::Refresh()
{
    ListBox1->clear();
    ListBox1->addItems(Items());
    ListBox1->scrollToBottom();
}
