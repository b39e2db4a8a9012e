#pragma once
#include "link/bench_host.h"
#include "rows/calendar_clock.h"
#include "station/station.h"
#include "link/message_sink.h"
#include "link/port_activation.h"
#include "ui/main/window_set.h"

#include <QMainWindow>
#include <QString>

#include <array>
#include <functional>
#include <memory>

class FeedPublisher;
struct FeedSettings;
class IFileDialogs;
class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPrinter;
class QPushButton;
class QTableView;
class QTimer;
class RadioGroup;
class StatusLight;

// Seams of the main window; empty members take the real thing.
struct MainWindowOptions {
    IMessageSink* Messages = nullptr;
    IFileDialogs* Dialogs = nullptr;
    // Calendar clock and the locale's date and time texts (rows, log lines, shutdown waits).
    CalendarClock Clock;
};

// Status field of a bench whose adapter was pulled, until the device can be claimed again.
inline constexpr const char* kDeviceLost = "Device lost";
inline constexpr const char* kDeviceBack = "Device back";

// The main window: data grid, settings, start/stop, the four bench rows and the main menu. It holds the
// station (ports, link, acquisition, rows, log, feed) and drives it from its controls, creates the
// secondary windows and runs the shutdown.
class MainWindow : public QMainWindow, public BenchHost, private StationDriver, public LinkListener {
    Q_OBJECT
public:
    explicit MainWindow(const MainWindowOptions& options = {});
    ~MainWindow() override;

    // Controls, named as their object names.
    QTableView* Grid;
    QGroupBox* Settings;
    QCheckBox* TimeStamp;
    QCheckBox* RelativeTime;
    QCheckBox* AcceptCountChk;
    QCheckBox* DemodulatedIR;
    QCheckBox* GasConcentration;
    QCheckBox* Offset;
    QCheckBox* MinMaxADC;
    QCheckBox* Temperatures;
    QCheckBox* AmbTemp;
    QCheckBox* Pressures;
    QCheckBox* AmbPressure;
    QCheckBox* RawNoxO2;
    QCheckBox* Pef;
    RadioGroup* AveragingRadioGroup;
    QLabel* AverageLabel;
    QLineEdit* AverageEdit;
    RadioGroup* HCMode;
    RadioGroup* CompDataRG;
    RadioGroup* HCDivisorRadioGroup;
    QPushButton* OKBtn;
    QPushButton* StartBtn;
    QPushButton* StopBtn;
    QPushButton* ClearBtn;
    QPushButton* ZeroBtn;
    QPushButton* CommentBtn;
    QPushButton* TitleBtn;
    QPushButton* AcceptBtn;
    QPushButton* HistoryBtn;
    QPushButton* OffsetBtn;
    QPushButton* ExitBtn;
    RadioGroup* Logging;
    RadioGroup* DataRadio;
    RadioGroup* ZeroRG;
    QGroupBox* ActiveBenchGroup;
    std::array<QCheckBox*, 4> ActiveBench{};
    std::array<QLineEdit*, 4> AckNakEdit{};
    // Label2, Label3, Label4, Label7: "Com 1" .. "Com 4".
    std::array<QLabel*, 4> ComLabel{};
    // ApdStatusLight1..8: Tx and Rx of bench 1, then of bench 2, ...
    std::array<StatusLight*, 8> ApdStatusLight{};
    QLabel* ACKNAKLabel;
    QLabel* SecondAckNakLabel;
    QTimer* PollTimer;
    // "Feed: connected, 0 queued, 0 dropped"; made with the first feed.
    QLabel* FeedLabel = nullptr;

    // Program-wide values.
    bool DecimalPointIsDot_ = true;
    bool EngMarker = false;
    QString BaseCaption;
    QString TitleText;
    QString LogFileName;
    int AveragingMode = 0;
    int SamplesPerBlock = 4;
    bool Collecting = false;

    Station& TheStation() { return station_; }
    AcquisitionCycle& Acquisition() { return station_.Acquisition(); }
    PortActivation& Ports() { return ports_; }
    WindowSet& Windows() { return windows_; }
    IMessageSink& Messages() override { return *messages_; }
    IFileDialogs& Dialogs() { return *dialogs_; }
    // The grid's rows and the log file they go to.
    DataRows& Rows() { return station_.Rows(); }
    GridModel& GridContents() { return station_.Grid(); }
    LogFile& Log() { return station_.Log(); }
    bool LogFileOpen() const { return station_.Log().IsOpen(); }
    // The settings group and controls as the row logic reads them.
    RowSettings CurrentRowSettings() const;

    // Headless driver of soak runs (HALYARD_AUTOSTART); false when the variable is not set.
    bool StartAutomation();

    // Handlers.
    void ActiveBenchClick();
    void OKBtnClick();
    void SettingsClick(); // the twelve settings handlers
    void StartBtnClick();
    void StopBtnClick();
    void ZeroBtnClick();
    void ClearBtnClick();
    void AcceptBtnClick();
    void OffsetBtnClick();
    void DataRadioClick();
    void LoggingClick();
    void CommentBtnClick();
    void TitleBtnClick();
    void HistoryBtnClick();
    void NewFileClick();
    void AppendToFileClick();
    void CloseFileClick();
    // "Export CSV...": a log file (the current one preselected) converted into a CSV file.
    void ExportCsvClick();
    // File menu "Open Log as Chart...": the chosen logs in a chart window of their own.
    void OpenLogChartClick();
    void PrintFormClick();
    void PrinterSetupClick();
    // The window's image on the printer, proportioned as on the screen.
    void PrintWindowImage(QPrinter& printer);
    QPrinter& Printer();
    void CommSettingsClick();
    // "Feed Settings...": the dialog, then the settings checked, saved and applied.
    void FeedSettingsClick();
    // Checks the settings (a message on a fault, false), saves them when asked,
    // and restarts the feed with them (or ends it when they switch it off).
    bool ApplyFeedSettings(const FeedSettings& settings, bool save);
    // The feed rows and status lines go to; none while it is off.
    FeedPublisher* Feed() const { return station_.Feed(); }
    void AboutClick();
    void GeneralHelpClick();
    void PollTimerTick();
    void FormShow();
    void FormClose();
    // Command menu item: remember the code and (re)open the command dialog on it.
    void CommandItemClick(uint8_t code);
    // Title dialog OK.
    void TitleAccepted(const QString& title);
    // ACK to Soft Reset: every bench switched off, then the warning.
    void SoftResetDisconnect();

    // BenchHost
    Link& BenchLink() override { return station_.BenchLink(); }
    bool BenchSwitchedOn(int k) const override;
    bool PortOpen(int k) const override;
    uint8_t DialogCommand() const override { return station_.Acquisition().DialogCommand; }
    void SetDialogCommand(uint8_t code) override { station_.Acquisition().DialogCommand = code; }
    bool DialogCommandPending() const override { return station_.Acquisition().DialogCommandPending; }
    void SetDialogCommandPending(bool pending) override { station_.Acquisition().DialogCommandPending = pending; }
    bool Closing() const override { return closing_; }
    bool DecimalPointIsDot() const override { return DecimalPointIsDot_; }
    bool HCDivisor100() const override;

    // LinkListener: the four status edits, the soft reset.
    void StatusShown(int k, const std::string& text, bool error) override;
    void SoftResetAcknowledged(int k) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildControls();
    void BuildMenus();
    void ConnectLink();
    void ConnectWindows();
    // StationDriver: rows while Stop is enabled, with the settings of the controls.
    bool MakingRows() const override;
    RowSettings RowSettingsNow() const override { return CurrentRowSettings(); }
    void AddCommandItems(QMenu* menu, bool engineering);
    void SetStartStop(bool collecting);
    // Row output and log file (the data rows and the log file do the work).
    void RebuildHeader();
    void StartLogging();
    void StartedStreams(int lastActive, int activeCount);
    void WriteStopLine();
    void ShowInfo(const QString& text);
    // A bench's status field (and the feed's status line) while its device is lost or back.
    void ShowDeviceState(int k, const char* text, bool error);
    void EnableCommentAndLogging();
    void LogFileProblem();
    void LogWriteProblem();
    // Row feed: the saved settings applied at start-up, and the state label.
    void StartFeed();
    void ShowFeedState();

    // IBenchBoxes (of StationDriver): the ActiveBench boxes, for the port activation and the acquisition cycle.
    bool BoxEnabled(int k) const override;
    bool BoxTicked(int k) const override;
    void SetBoxEnabled(int k, bool enabled) override;
    void SetBoxTicked(int k, bool ticked) override;
    // IAcquisitionView (of StationDriver)
    bool DialogButtonOn(int k) const override;
    bool Freon2() const override;
    bool ZeroAuto() const override;
    bool UpgradeShown() const override;

    std::unique_ptr<IMessageSink> ownMessages_;
    // Every window's boxes go through it: those raised while replies are handled wait for the drain to return.
    std::unique_ptr<QueuedMessageSink> queuedMessages_;
    std::unique_ptr<IFileDialogs> ownDialogs_;
    IMessageSink* messages_ = nullptr;
    IFileDialogs* dialogs_ = nullptr;
    Station station_;
    class GridViewAdapter* gridAdapter_ = nullptr;
    PortActivation ports_;
    WindowSet windows_;
    std::unique_ptr<QPrinter> printer_;
    bool closing_ = false;
    bool shutDown_ = false;
    QTimer* feedTimer_ = nullptr;
};
