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
#include "ui/graphs/raw_ir_history.h"
#include "ui/graphs/raw_ir_log.h"
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

TWindowSet CreateWindowSet(QWidget* mainWindow, BenchHost& host, const std::array<ComPort*, 4>& ports,
                           IMessageSink& messages)
{
    (void)host; // the windows of later subsystems are built with it
    TWindowSet w;
    QWidget* m = mainWindow;
    // Start-up order. Lines marked "placeholder" stand for windows of other subsystems: replace the
    // constructor on that line with the real class.
    w.AboutBox = Adopt(new TAboutBox, "TAboutBox", m);
    w.CommDlg = Adopt(new TCommDlg(ports, messages), "TCommDlg", m);
    w.CommentDlg = Adopt(new TCommentDlg, "TCommentDlg", m);
    w.Parameters = Adopt(new TParameters(host), "TParameters", m);
    w.IRLog = Adopt(new TIRLog(host), "TIRLog", m);
    w.History = Adopt(new THistory, "THistory", m);
    w.FCStatus = Adopt(new TFCStatus(host), "TFCStatus", m);
    w.EStatus = Adopt(new TEStatus(host), "TEStatus", m);
    w.RawIR = Adopt(new TRawIR(host), "TRawIR", m);
    w.FGraph2 = Adopt(new TFGraph2(host), "TFGraph2", m);
    w.FGraph1 = Adopt(new TFGraph1(host), "TFGraph1", m);
    w.FUpgrade = Adopt(new TFUpgrade(host), "TFUpgrade", m);
    w.fHist_ir = Adopt(new TfHist_ir, "TfHist_ir", m);
    w.FTitle = Adopt(new TFTitle, "TFTitle", m);
    w.FCmds = Adopt(new TFCmds(host), "TFCmds", m);
    w.FMessage = Adopt(new TFMessage, "TFMessage", m);
    w.FCalLoad = Adopt(new TFCalLoad(host, static_cast<TParameters*>(w.Parameters)), "TFCalLoad", m);
    w.FCalLoad1 = Adopt(new TFCalLoad1(host, static_cast<TParameters*>(w.Parameters)), "TFCalLoad1", m);
    static_cast<TIRLog*>(w.IRLog)->History = static_cast<TfHist_ir*>(w.fHist_ir);
    static_cast<TRawIR*>(w.RawIR)->SetCompanions(static_cast<TIRLog*>(w.IRLog), static_cast<TfHist_ir*>(w.fHist_ir));
    w.ShowHelp = ::ShowHelp;
    static_cast<TFCmds*>(w.FCmds)->ShowHelp = w.ShowHelp; // the dialog's Help button, topic 6001
    return w;
}

QList<QWidget*> TWindowSet::All() const
{
    return {AboutBox, CommDlg, CommentDlg, Parameters, IRLog, History, FCStatus, EStatus, RawIR,
            FGraph2, FGraph1, FUpgrade, fHist_ir, FTitle, FCmds, FMessage, FCalLoad, FCalLoad1};
}

QList<TBenchWindow*> TWindowSet::SelectionOrder() const
{
    return {Parameters, RawIR, FUpgrade, FGraph1, FGraph2, FCStatus, EStatus, FCmds, FCalLoad, FCalLoad1};
}

QList<TBenchWindow*> TWindowSet::ShutdownOrder() const { return {RawIR, FUpgrade, FGraph1, FGraph2, FCStatus, EStatus}; }

void TWindowSet::DeleteAll()
{
    QList<QWidget*> all = All();
    for (auto it = all.rbegin(); it != all.rend(); ++it)
        delete *it;
    *this = TWindowSet{};
}
