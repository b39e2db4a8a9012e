#pragma once
#include <QWidget>
#include <cstdint>

// Base of every secondary window. Windows are created once at start-up and
// only hidden when closed; they keep receiving bench data while hidden.
class BenchWindow : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    // The main window calls this whenever one of its Active boxes changes.
    virtual void UpdateBenchSelection() {}
    // Shutdown runs this for each of these windows that is visible.
    virtual void CloseWindow() { hide(); }
    // A data reply of bench k was decoded (trend graphs and status screens
    // redraw from the bench record).
    virtual void BenchData(int /*k*/) {}
};

// What the main window and the link need of the bench command dialog.
class CommandDialogBase : public BenchWindow {
    Q_OBJECT
public:
    using BenchWindow::BenchWindow;
    // A command menu item chose DialogCommand: close the dialog and show it again.
    virtual void OpenForCommand() { hide(); show(); }
    virtual void ShowCommandReply(uint8_t /*code*/) {}
    virtual void CompleteCommand() {}
    // Bench button k is on (the poll tick sends the pending command there).
    virtual bool BenchButtonOn(int /*k*/) const { return false; }
};
