#pragma once
#include <QString>
#include <QStringList>

class QPrinter;
class QWidget;

// The questions the main window puts to the user through system dialogs, behind one seam so
// tests can answer them.
class IFileDialogs {
public:
    virtual ~IFileDialogs() = default;
    // Save dialog for a new log file; empty when cancelled. Does not ask about overwriting.
    virtual QString SaveLogFileName(const QString& initialDir) = 0;
    // Open dialog for an existing log file; empty when cancelled.
    virtual QString OpenLogFileName(const QString& initialDir) = 0;
    virtual bool AskYesNo(const QString& caption, const QString& text) = 0;
    // Export CSV: an existing log file to read, `preselected` chosen at first; empty when cancelled.
    virtual QString OpenLogForExport(const QString& preselected) = 0;
    // Export CSV: the CSV file to write, `suggested` chosen at first; asks before replacing a file.
    virtual QString SaveCsvFileName(const QString& suggested) = 0;
    // Open Log as Chart: one or more existing logs, `preselected` chosen at first; empty when cancelled.
    virtual QStringList OpenLogsForChart(const QString& preselected) = 0;
    // Printer set-up dialog: chooses the printer and its settings on the printer object given,
    // the one Print Window prints on. Prints nothing.
    virtual void PrinterSetup(QPrinter& printer) = 0;
};

// The real dialogs, parented to the main window.
class QtFileDialogs : public IFileDialogs {
public:
    explicit QtFileDialogs(QWidget* parent) : parent_(parent) {}
    QString SaveLogFileName(const QString& initialDir) override;
    QString OpenLogFileName(const QString& initialDir) override;
    bool AskYesNo(const QString& caption, const QString& text) override;
    QString OpenLogForExport(const QString& preselected) override;
    QString SaveCsvFileName(const QString& suggested) override;
    QStringList OpenLogsForChart(const QString& preselected) override;
    void PrinterSetup(QPrinter& printer) override;

private:
    QWidget* parent_;
};

// Default extension, initial name and filter of the log file dialogs.
inline constexpr const char* kLogFilter = "Log Files (*.LOG)";
inline constexpr const char* kLogSuffix = "LOG";
