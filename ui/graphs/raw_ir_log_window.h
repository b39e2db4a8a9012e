#pragma once
#include <QPointer>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "ui/common/bench_window.h"
#include "ui/graphs/raw_ir_log_file.h"

class BenchHost;
class QAction;
class QCheckBox;
class RawIrHistoryWindow;

// "IR Data Log": opens and closes the raw IR log file. The raw IR window
// hands it the lines of each plotted cycle while logging is on.
class RawIrLogWindow : public BenchWindow {
    Q_OBJECT
public:
    explicit RawIrLogWindow(BenchHost& host, QWidget* parent = nullptr);
    ~RawIrLogWindow() override;

    bool LogOpen() const { return Log.IsOpen(); }
    int LogLineCount() const { return Log.LineCount(); }
    // "Data Logging Enabled" ticked and a file open.
    bool Logging() const;

    QCheckBox* LoggingOnChk = nullptr;
    QAction* Open1 = nullptr;
    QAction* Close1 = nullptr;

    // The list of the latest logged lines (created after this window).
    QPointer<RawIrHistoryWindow> History;
    // Save dialog for the log file; empty when cancelled. Tests replace it.
    std::function<QString()> AskLogFileName;
    // Date and time for the header, in the locale's short format. Tests replace it.
    std::function<QString()> NowText;

    void OpenClick();
    void CloseClick();
    // Counts and writes the lines (each also goes to the history list); says
    // "Log File is full" once when the limit is reached.
    void LogLines(const std::vector<std::string>& lines);

signals:
    // The raw IR window's caption names the open file.
    void RawCaptionChanged(const QString& caption);

private:
    void WriteFailed();

    BenchHost& Host;
    RawIrLogFile Log;
};
