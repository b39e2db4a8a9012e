#pragma once
#include <QStringList>
#include <QWidget>

class QListWidget;

// "History Screen": the lines of the last history copy of the log file. Closing hides it.
class HistoryWindow : public QWidget {
    Q_OBJECT
public:
    explicit HistoryWindow(QWidget* parent = nullptr);

    QListWidget* HistoryList;

    void SetLines(const QStringList& lines);
};
