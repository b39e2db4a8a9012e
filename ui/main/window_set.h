#pragma once
#include <QList>
#include <array>
#include <functional>

class BenchHost;
class ComPort;
class IMessageSink;
class QWidget;
class AboutBox;
class BenchWindow;
class CommandDialogBase;
class CommSettingsDialog;
class CommentDialog;
class MessageWindow;
class TitleDialog;
class HistoryWindow;

// The secondary windows, created once after the main window and only hidden when closed.
// Windows of later subsystems are held through their base classes, so putting the real class in
// place is a one-line change in window_set.cpp.
struct WindowSet {
    AboutBox* About = nullptr;
    CommSettingsDialog* CommSettings = nullptr;
    CommentDialog* Comment = nullptr;
    BenchWindow* Parameters = nullptr;
    BenchWindow* RawIrLog = nullptr;
    HistoryWindow* History = nullptr;
    BenchWindow* Status = nullptr;
    BenchWindow* EngineeringStatus = nullptr;
    BenchWindow* RawIr = nullptr;
    BenchWindow* StackedTrend = nullptr;
    BenchWindow* OverlayTrend = nullptr;
    BenchWindow* Upgrade = nullptr;
    BenchWindow* RawIrHistory = nullptr;
    TitleDialog* Title = nullptr;
    CommandDialogBase* Commands = nullptr;
    MessageWindow* Message = nullptr;
    BenchWindow* Calibration = nullptr;
    BenchWindow* ParameterTransfer = nullptr;

    // Help system: context 1 is the main window's, 6001 the command dialog's. Empty does nothing.
    std::function<void(int)> ShowHelp;

    // Every window in creation order.
    QList<QWidget*> All() const;
    // The windows told of a change of the Active boxes, in the order they are told.
    QList<BenchWindow*> SelectionOrder() const;
    // The windows whose close handler runs at shutdown when visible, in that order.
    QList<BenchWindow*> ShutdownOrder() const;
    // Deletes every window (the main window's destructor, before the link goes).
    void DeleteAll();
};

// Creates the windows in start-up order, each a top-level window owned by mainWindow.
WindowSet CreateWindowSet(QWidget* mainWindow, BenchHost& host, const std::array<ComPort*, 4>& ports,
                           IMessageSink& messages);
