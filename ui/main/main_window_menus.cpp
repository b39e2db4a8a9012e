#include "ui/main/main_window.h"

#include "ui/common/bench_window.h"
#include "ui/service/calibration_window.h"
#include "ui/main/file_dialogs.h"
#include "ui/graphs/log_chart_window.h"
#include "rows/log_csv.h"
#include "link/message_sink.h"
#include "link/paths.h"
#include "ui/graphs/raw_ir_window.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>

namespace {

struct CommandItem {
    const char* Name;
    const char* Caption;
    int Code; // -1: opens a window instead of the command dialog
    bool Hidden;
};

const CommandItem kBenchCommands[] = {
    {"N01DataStatus1", "Data / Status", 0x01, false},
    {"N02ZeroO2SpanCalibration1", "Zero / O2 Span Calibration ", 0x02, false},
    {"N03SpanCalibration1", "Span Calibration", 0x03, false},
    {"N04SystemId1", "System Id", 0x04, false},
    {"N05MiscellaneousData1", "Miscellaneous Data", 0x05, false},
    {"N07PumpOnOff1", "Pump On / Off", 0x07, false},
    {"N08DeviceControl1", "Device Control", 0x08, false},
    {"N09ResetSpan1", "Reset Span", 0x09, false},
    {"N0ANewNOxSensor1", "New NOx Sensor", 0x0A, false},
    {"N0BLeakCheck1", "$0B Leak Check", 0x0B, true},
    {"N11PressureSpan11", "$11 Pressure Span 1", 0x11, true},
    {"N12RawNOxandO2Data1", "$12 Raw NOx and O2 Data", 0x12, true},
    {"N13ChannelSwitchONOFFcommand1", "Channel Switch ON/OFF command", 0x13, false},
    {"N14ReadUserMemory1", "$14 Read User Memory", 0x14, true},
    {"N15WriteUserMemory1", "$15 Write User Memory", 0x15, true},
    {"N16PressureData1", "Pressure Data", 0x16, false},
    {"N17StandbyEnableDisable1", "Standby Enable/Disable", 0x17, false},
    {"N18SWChecksum1", "$18 SW Checksum", 0x18, true},
    {"F0SoftReset1", "Soft Reset", 0xF0, false},
    {"N58CharacterizeWarmup1", "$58 Characterize Warmup", 0x58, true},
    {"F1ModeSelect1", "Mode Select", 0xF1, false},
};

const CommandItem kEngineeringCommands[] = {
    {"N40RAWADIRChannelData1", "$40 RAW AD IR Channel Data", -1, false},
    {"N41EngineeringStatus1", "$41 Engineering Status", -1, false},
    {"N42FilteredRAWADIRChannelData1", "$42 Filtered RAW AD IR Channel Data", -1, false},
    {"N44EngineeringDataStatus1", "$44 Engineering Data/Status", 0x44, false},
    {"N45FilterControl1", "$45 Filter Control", 0x45, false},
    {"N46SelectDemodulationAlgorithm1", "$46 Select Demodulation Algorithm", 0x46, false},
    {"N47SystemHours1", "$47 System Hours", 0x47, false},
    {"N502PointPressureSpanCalibration1", "$50 2 Point Pressure Span Calibration", 0x50, false},
    {"N51EngineeringSystemID1", "$51 Engineering System ID", 0x51, false},
    {"N52EngPumpOnOff1", "$52 Eng Pump On / Off", 0x52, false},
    {"N56StoreDefaults1", "$56 Store Defaults", 0x56, false},
    {"N57ResetToDefaults1", "$57 Reset To Defaults", 0x57, false},
    {"D4ChangeCommandSet1", "$D4 Change Command Set", 0xD4, false},
};

QMenu* NewMenu(QMenuBar* bar, const char* name, const QString& caption, bool hidden = false)
{
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name) + QStringLiteral("Item"));
    if (hidden)
        menu->menuAction()->setVisible(false);
    return menu;
}

QAction* NewItem(QMenu* menu, const char* name, const QString& caption, bool hidden = false)
{
    QAction* item = menu->addAction(caption);
    item->setObjectName(QString::fromLatin1(name));
    if (hidden)
        item->setVisible(false);
    return item;
}

// Shows a window of the set when it exists.
void ShowWindow(QWidget* w)
{
    if (w) {
        w->show();
        w->raise();
    }
}

// The raw IR window streams raw (0x40) or filtered (0x42) blocks, as the menu entry says.
void ShowRawIR(BenchWindow* w, bool filtered)
{
    if (auto* raw = qobject_cast<RawIrWindow*>(w))
        raw->RawFiltered = filtered;
    ShowWindow(w);
}

} // namespace

void MainWindow::BuildMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    QMenu* file = NewMenu(bar, "File1", QStringLiteral("&File"));
    connect(NewItem(file, "NewFile", QStringLiteral("&New File...")), &QAction::triggered, this, &MainWindow::NewFileClick);
    connect(NewItem(file, "Appendtofile1", QStringLiteral("&Append to file")), &QAction::triggered, this, &MainWindow::AppendToFileClick);
    file->addSeparator();
    connect(NewItem(file, "CloseFile1", QStringLiteral("&Close File")), &QAction::triggered, this, &MainWindow::CloseFileClick);
    connect(NewItem(file, "ExportCsv1", QStringLiteral("&Export CSV...")), &QAction::triggered, this, &MainWindow::ExportCsvClick);
    connect(NewItem(file, "OpenLogChart", QStringLiteral("Open Log as C&hart...")), &QAction::triggered, this,
            &MainWindow::OpenLogChartClick);
    file->addSeparator();
    connect(NewItem(file, "PrintForm1", QStringLiteral("Print &Window")), &QAction::triggered, this, &MainWindow::PrintFormClick);
    connect(NewItem(file, "PrinterSetup1", QStringLiteral("Printer &Setup...")), &QAction::triggered, this, &MainWindow::PrinterSetupClick);
    file->addSeparator();
    connect(NewItem(file, "Exit1", QStringLiteral("Exit")), &QAction::triggered, this, &QWidget::close);

    QMenu* screens = NewMenu(bar, "Screens1", QStringLiteral("Scree&ns"));
    connect(NewItem(screens, "Status", QStringLiteral("Status")), &QAction::triggered, this, [this] { ShowWindow(windows_.Status); });
    connect(NewItem(screens, "Graphics1", QStringLiteral("Graphics&1")), &QAction::triggered, this, [this] {
        if (windows_.OverlayTrend) {
            windows_.OverlayTrend->UpdateBenchSelection();
            ShowWindow(windows_.OverlayTrend);
        }
    });
    connect(NewItem(screens, "Graphics2", QStringLiteral("Graphics&2")), &QAction::triggered, this, [this] {
        if (windows_.StackedTrend) {
            windows_.StackedTrend->UpdateBenchSelection();
            ShowWindow(windows_.StackedTrend);
        }
    });

    QMenu* options = NewMenu(bar, "Options1", QStringLiteral("&Options"));
    connect(NewItem(options, "Comm1", QStringLiteral("Comms...")), &QAction::triggered, this, &MainWindow::CommSettingsClick);
    connect(NewItem(options, "FeedSettings1", QStringLiteral("Feed Settings...")), &QAction::triggered, this, &MainWindow::FeedSettingsClick);

    AddCommandItems(NewMenu(bar, "CustomerCommands", QStringLiteral("Bench Commands")), false);
    AddCommandItems(NewMenu(bar, "CustomerServiceCommands", QStringLiteral("Engineering Bench  Commands"), true), true);

    QMenu* service = NewMenu(bar, "PellamServiceScreens1", QStringLiteral("Service Screens"), true);
    connect(NewItem(service, "Parameters1", QStringLiteral("Parameters...")), &QAction::triggered, this, [this] { ShowWindow(windows_.Parameters); });
    connect(NewItem(service, "RawIR1", QStringLiteral("Raw IR...")), &QAction::triggered, this, [this] { ShowRawIR(windows_.RawIr, false); });
    connect(NewItem(service, "EngineeringStatus1", QStringLiteral("Engineering Status")), &QAction::triggered, this, [this] { ShowWindow(windows_.EngineeringStatus); });
    connect(NewItem(service, "BenchUpgrade1", QStringLiteral("Bench Upgrade")), &QAction::triggered, this, [this] { ShowWindow(windows_.Upgrade); });
    auto calWindow = [this](bool load) {
        if (auto* w = qobject_cast<CalibrationWindow*>(windows_.Calibration))
            w->SetLoadMode(load);
        ShowWindow(windows_.Calibration);
    };
    connect(NewItem(service, "LoadcalConstants1", QStringLiteral("Load Cal Constants")), &QAction::triggered, this, [calWindow] { calWindow(true); });
    connect(NewItem(service, "CheckCalConstants1", QStringLiteral("Check Cal Constants")), &QAction::triggered, this, [calWindow] { calWindow(false); });
    connect(NewItem(service, "NewCalLoad1", QStringLiteral("New Cal Load")), &QAction::triggered, this, [this] { ShowWindow(windows_.ParameterTransfer); });

    QMenu* help = NewMenu(bar, "Help1", QStringLiteral("&Help"));
    connect(NewItem(help, "About2", QStringLiteral("&About...")), &QAction::triggered, this, &MainWindow::AboutClick);
    connect(NewItem(help, "GeneralHelp2", QStringLiteral("General Help"), true), &QAction::triggered, this, &MainWindow::GeneralHelpClick);
}

void MainWindow::AddCommandItems(QMenu* menu, bool engineering)
{
    const CommandItem* begin = engineering ? std::begin(kEngineeringCommands) : std::begin(kBenchCommands);
    const CommandItem* end = engineering ? std::end(kEngineeringCommands) : std::end(kBenchCommands);
    for (const CommandItem* c = begin; c != end; ++c) {
        QAction* item = NewItem(menu, c->Name, QString::fromLatin1(c->Caption), c->Hidden);
        if (c->Code >= 0) {
            const uint8_t code = uint8_t(c->Code);
            connect(item, &QAction::triggered, this, [this, code] { CommandItemClick(code); });
        }
    }
    if (!engineering)
        return;
    connect(findChild<QAction*>(QStringLiteral("N40RAWADIRChannelData1")), &QAction::triggered, this, [this] { ShowRawIR(windows_.RawIr, false); });
    connect(findChild<QAction*>(QStringLiteral("N41EngineeringStatus1")), &QAction::triggered, this, [this] { ShowWindow(windows_.EngineeringStatus); });
    connect(findChild<QAction*>(QStringLiteral("N42FilteredRAWADIRChannelData1")), &QAction::triggered, this, [this] { ShowRawIR(windows_.RawIr, true); });
}

void MainWindow::ExportCsvClick()
{
    // The current log, or the one last used, is offered first; the log is flushed after
    // every row, so an open log converts up to its last logged row.
    const QString last = station_.Log().FileName();
    const QString logPath = dialogs_->OpenLogForExport(last.isEmpty() ? Paths::DriveC() : last);
    if (logPath.isEmpty())
        return;
    const QFileInfo logInfo(logPath);
    const QString csvPath =
        dialogs_->SaveCsvFileName(logInfo.dir().filePath(logInfo.completeBaseName() + QStringLiteral(".csv")));
    if (csvPath.isEmpty())
        return;
    const QString caption = QStringLiteral("Information");
    if (QFileInfo(csvPath).absoluteFilePath() == logInfo.absoluteFilePath()) {
        messages_->Show(caption, QStringLiteral("The CSV file must not be the log file itself."),
                        IMessageSink::Icon::Warning);
        return;
    }
    // A long log takes seconds: timers and port input go on being served meanwhile
    // (not clicks and keys, so no second export starts inside this one).
    QString message;
    if (exportLogToCsv(logPath, csvPath, &message, LogCsvFormats::System(),
                       [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }))
        messages_->Show(caption, message + QStringLiteral("\n") + csvPath, IMessageSink::Icon::Information);
    else
        messages_->Show(caption, QStringLiteral("CSV export failed: ") + message, IMessageSink::Icon::Warning);
}

void MainWindow::OpenLogChartClick()
{
    // The current log, or the one last used, is offered first: it may be open and growing.
    const QString last = station_.Log().FileName();
    const QStringList paths = dialogs_->OpenLogsForChart(last.isEmpty() ? Paths::DriveC() : last);
    if (paths.isEmpty())
        return;
    // A window of its own that goes when it is closed, or with the main window.
    auto* chart = new LogChartWindow(this);
    chart->setAttribute(Qt::WA_DeleteOnClose);
    chart->Messages = messages_;
    QString error;
    // A long log takes a second or two: timers and port input go on being served meanwhile.
    const bool opened = chart->OpenLogs(paths, &error,
                                        [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
    if (!error.isEmpty())
        messages_->Show(QStringLiteral("Information"), QStringLiteral("Some logs could not be read:\n") + error,
                        IMessageSink::Icon::Warning);
    if (!opened) {
        delete chart;
        return;
    }
    chart->show();
}
