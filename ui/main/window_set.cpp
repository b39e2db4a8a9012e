#include "window_set.h"

#include "about.h"
#include "bench_host.h"
#include "bench_window.h"
#include "calload1.h"
#include "cmds.h"
#include "commnt.h"
#include "comport.h"
#include "cstatus.h"
#include "estatwnd.h"
#include "fcalload.h"
#include "fparams.h"
#include "fupgrade.h"
#include "fhistory.h"
#include "help_window.h"
#include "graph1.h"
#include "graph2.h"
#include "message.h"
#include "raw_ir_history.h"
#include "raw_ir_log.h"
#include "raw_ir_window.h"
#include "title.h"

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
