#pragma once
#include <QList>
#include <array>
#include <functional>

class BenchHost;
class ComPort;
class IMessageSink;
class QWidget;
class TAboutBox;
class TBenchWindow;
class TCommandDialogBase;
class TCommDlg;
class TCommentDlg;
class TFMessage;
class TFTitle;
class THistory;

// The secondary windows, created once after the main window and only hidden when closed.
// Windows of later subsystems are held through their base classes, so putting the real class in
// place is a one-line change in window_set.cpp.
struct TWindowSet {
    TAboutBox* AboutBox = nullptr;
    TCommDlg* CommDlg = nullptr;
    TCommentDlg* CommentDlg = nullptr;
    TBenchWindow* Parameters = nullptr;
    TBenchWindow* IRLog = nullptr;
    THistory* History = nullptr;
    TBenchWindow* FCStatus = nullptr;
    TBenchWindow* EStatus = nullptr;
    TBenchWindow* RawIR = nullptr;
    TBenchWindow* FGraph2 = nullptr;
    TBenchWindow* FGraph1 = nullptr;
    TBenchWindow* FUpgrade = nullptr;
    TBenchWindow* fHist_ir = nullptr;
    TFTitle* FTitle = nullptr;
    TCommandDialogBase* FCmds = nullptr;
    TFMessage* FMessage = nullptr;
    TBenchWindow* FCalLoad = nullptr;
    TBenchWindow* FCalLoad1 = nullptr;

    // Help system: context 1 is the main window's, 6001 the command dialog's. Empty does nothing.
    std::function<void(int)> ShowHelp;

    // Every window in creation order.
    QList<QWidget*> All() const;
    // The windows told of a change of the Active boxes, in the order they are told.
    QList<TBenchWindow*> SelectionOrder() const;
    // The windows whose close handler runs at shutdown when visible, in that order.
    QList<TBenchWindow*> ShutdownOrder() const;
    // Deletes every window (the main window's destructor, before the link goes).
    void DeleteAll();
};

// Creates the windows in start-up order, each a top-level window owned by mainWindow.
TWindowSet CreateWindowSet(QWidget* mainWindow, BenchHost& host, const std::array<ComPort*, 4>& ports,
                           IMessageSink& messages);
