#pragma once
#include <QStringList>

#include "ui/common/bench_window.h"
#include "ui/graphs/raw_ir_history_lines.h"

class QListWidget;
class QTimer;

// "Collected IR data": the latest lines of the raw IR log. Lines arrive a
// hundred per cycle; the list on screen is refreshed at most every 50 ms and
// only while the window is shown.
class RawIrHistoryWindow : public BenchWindow {
    Q_OBJECT
public:
    explicit RawIrHistoryWindow(QWidget* parent = nullptr);

    void ClearLines();
    void AddLine(const QString& line);
    QStringList Items() const;
    int Count() const { return int(History.Lines.size()); }

    QListWidget* LoggedLines = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Changed();
    void Refresh();

    RawIrHistoryLines History;
    QTimer* RefreshTimer = nullptr;
};
