#include "ui/main/window_set.h"

#include "ui/main/about_box.h"
#include "link/bench_host.h"
#include "ui/common/bench_window.h"
#include "ui/service/parameter_transfer_window.h"
#include "ui/commands/command_dialog.h"
#include "ui/main/comment_dialog.h"
#include "ui/common/comm_settings_dialog.h"
#include "ui/commands/status_screen.h"
#include "ui/commands/engineering_status_screen.h"
#include "ui/service/calibration_window.h"
#include "ui/service/parameter_editor.h"
#include "ui/service/firmware_upgrade_window.h"
#include "ui/main/history_window.h"
#include "ui/commands/help_window.h"
#include "ui/graphs/overlay_trend_window.h"
#include "ui/graphs/stacked_trend_window.h"
#include "ui/main/message_window.h"
#include "ui/graphs/raw_ir_history_window.h"
#include "ui/graphs/raw_ir_log_window.h"
#include "ui/graphs/raw_ir_window.h"
#include "ui/main/title_dialog.h"

namespace {

// Names the window after its class (unless it named itself) and makes it a hidden top-level
// window owned by the main window.
template <class W>
W* Adopt(W* window, const char* className, QWidget* mainWindow)
{
    if (window->objectName().isEmpty())
        window->setObjectName(QString::fromLatin1(className));
    window->setParent(mainWindow, window->windowFlags() | Qt::Window);
    window->hide();
    return window;
}

} // namespace

WindowSet CreateWindowSet(QWidget* mainWindow, BenchHost& host, const std::array<ComPort*, 4>& ports,
                           IMessageSink& messages)
{
    (void)host; // the windows of later subsystems are built with it
    WindowSet w;
    QWidget* m = mainWindow;
    // Start-up order. Lines marked "placeholder" stand for windows of other subsystems: replace the
    // constructor on that line with the real class.
    w.About = Adopt(new AboutBox, "TAboutBox", m);
    w.CommDlg = Adopt(new CommSettingsDialog(ports, messages), "TCommDlg", m);
    w.CommentDlg = Adopt(new CommentDialog, "TCommentDlg", m);
    w.Parameters = Adopt(new ParameterEditor(host), "TParameters", m);
    w.IRLog = Adopt(new RawIrLogWindow(host), "TIRLog", m);
    w.History = Adopt(new HistoryWindow, "THistory", m);
    w.FCStatus = Adopt(new StatusScreen(host), "TFCStatus", m);
    w.EStatus = Adopt(new EngineeringStatusScreen(host), "TEStatus", m);
    w.RawIR = Adopt(new RawIrWindow(host), "TRawIR", m);
    w.FGraph2 = Adopt(new StackedTrendWindow(host), "TFGraph2", m);
    w.FGraph1 = Adopt(new OverlayTrendWindow(host), "TFGraph1", m);
    w.FUpgrade = Adopt(new FirmwareUpgradeWindow(host), "TFUpgrade", m);
    w.fHist_ir = Adopt(new RawIrHistoryWindow, "TfHist_ir", m);
    w.FTitle = Adopt(new TitleDialog, "TFTitle", m);
    w.FCmds = Adopt(new CommandDialog(host), "TFCmds", m);
    w.FMessage = Adopt(new MessageWindow, "TFMessage", m);
    w.FCalLoad = Adopt(new CalibrationWindow(host, static_cast<ParameterEditor*>(w.Parameters)), "TFCalLoad", m);
    w.FCalLoad1 = Adopt(new ParameterTransferWindow(host, static_cast<ParameterEditor*>(w.Parameters)), "TFCalLoad1", m);
    static_cast<RawIrLogWindow*>(w.IRLog)->History = static_cast<RawIrHistoryWindow*>(w.fHist_ir);
    static_cast<RawIrWindow*>(w.RawIR)->SetCompanions(static_cast<RawIrLogWindow*>(w.IRLog), static_cast<RawIrHistoryWindow*>(w.fHist_ir));
    w.ShowHelp = ::ShowHelp;
    static_cast<CommandDialog*>(w.FCmds)->ShowHelp = w.ShowHelp; // the dialog's Help button, topic 6001
    return w;
}

QList<QWidget*> WindowSet::All() const
{
    return {About, CommDlg, CommentDlg, Parameters, IRLog, History, FCStatus, EStatus, RawIR,
            FGraph2, FGraph1, FUpgrade, fHist_ir, FTitle, FCmds, FMessage, FCalLoad, FCalLoad1};
}

QList<BenchWindow*> WindowSet::SelectionOrder() const
{
    return {Parameters, RawIR, FUpgrade, FGraph1, FGraph2, FCStatus, EStatus, FCmds, FCalLoad, FCalLoad1};
}

QList<BenchWindow*> WindowSet::ShutdownOrder() const { return {RawIR, FUpgrade, FGraph1, FGraph2, FCStatus, EStatus}; }

void WindowSet::DeleteAll()
{
    QList<QWidget*> all = All();
    for (auto it = all.rbegin(); it != all.rend(); ++it)
        delete *it;
    *this = WindowSet{};
}
