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
    w.CommSettings = Adopt(new CommSettingsDialog(ports, messages), "TCommDlg", m);
    w.Comment = Adopt(new CommentDialog, "TCommentDlg", m);
    w.Parameters = Adopt(new ParameterEditor(host), "TParameters", m);
    w.RawIrLog = Adopt(new RawIrLogWindow(host), "TIRLog", m);
    w.History = Adopt(new HistoryWindow, "THistory", m);
    w.Status = Adopt(new StatusScreen(host), "TFCStatus", m);
    w.EngineeringStatus = Adopt(new EngineeringStatusScreen(host), "TEStatus", m);
    w.RawIr = Adopt(new RawIrWindow(host), "TRawIR", m);
    w.StackedTrend = Adopt(new StackedTrendWindow(host), "TFGraph2", m);
    w.OverlayTrend = Adopt(new OverlayTrendWindow(host), "TFGraph1", m);
    w.Upgrade = Adopt(new FirmwareUpgradeWindow(host), "TFUpgrade", m);
    w.RawIrHistory = Adopt(new RawIrHistoryWindow, "TfHist_ir", m);
    w.Title = Adopt(new TitleDialog, "TFTitle", m);
    w.Commands = Adopt(new CommandDialog(host), "TFCmds", m);
    w.Message = Adopt(new MessageWindow, "TFMessage", m);
    w.Calibration = Adopt(new CalibrationWindow(host, static_cast<ParameterEditor*>(w.Parameters)), "TFCalLoad", m);
    w.ParameterTransfer = Adopt(new ParameterTransferWindow(host, static_cast<ParameterEditor*>(w.Parameters)), "TFCalLoad1", m);
    static_cast<RawIrLogWindow*>(w.RawIrLog)->History = static_cast<RawIrHistoryWindow*>(w.RawIrHistory);
    static_cast<RawIrWindow*>(w.RawIr)->SetCompanions(static_cast<RawIrLogWindow*>(w.RawIrLog), static_cast<RawIrHistoryWindow*>(w.RawIrHistory));
    w.ShowHelp = ::ShowHelp;
    static_cast<CommandDialog*>(w.Commands)->ShowHelp = w.ShowHelp; // the dialog's Help button, topic 6001
    return w;
}

QList<QWidget*> WindowSet::All() const
{
    return {About, CommSettings, Comment, Parameters, RawIrLog, History, Status, EngineeringStatus, RawIr,
            StackedTrend, OverlayTrend, Upgrade, RawIrHistory, Title, Commands, Message, Calibration, ParameterTransfer};
}

QList<BenchWindow*> WindowSet::SelectionOrder() const
{
    return {Parameters, RawIr, Upgrade, OverlayTrend, StackedTrend, Status, EngineeringStatus, Commands, Calibration, ParameterTransfer};
}

QList<BenchWindow*> WindowSet::ShutdownOrder() const { return {RawIr, Upgrade, OverlayTrend, StackedTrend, Status, EngineeringStatus}; }

void WindowSet::DeleteAll()
{
    QList<QWidget*> all = All();
    for (auto it = all.rbegin(); it != all.rend(); ++it)
        delete *it;
    *this = WindowSet{};
}
