#pragma once
#include "rows/calendar_clock.h"
#include "programs/halyard-log/logger_options.h"
#include "link/message_sink.h"
#include "station/station.h"

#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <string>


// Data collection of the main window without the window: a station driven through the steps a
// user of the window takes (OK, New File or Append, File Log On, Start ... Stop), so the log gets
// the same lines.
class HeadlessLogger : public QObject, private StationDriver, private LinkListener {
    Q_OBJECT
public:
    // messages: where the window's boxes go ("Log File is full", "Problem with log file!").
    HeadlessLogger(const LoggerOptions& options, IMessageSink& messages, CalendarClock clock = CalendarClock::System());
    ~HeadlessLogger() override;

    // Opens the ports of the chosen benches. False, with the reason, when one cannot be opened.
    bool OpenPorts(QString* error);
    // OK, New File (or Append), File Log On and Start. False when the log cannot be opened.
    bool Start(QString* error);
    // Stop: rate 0 to the benches and the Stop line, then the log is closed. Once only.
    void Stop();
    bool Stopped() const { return stopped_; }

    // Logging ended by itself: the log is full (without --rotate) or a write failed. Raised
    // after the reply handling that found it has returned; the run is already stopped.
    std::function<void()> Failed;

    // One poll tick of the window's timer (time-out pass, automatic zero). First a bench whose
    // device went away is opened again when the device is back, and asked for its stream.
    void PollTick();

    // Progress figures.
    int RowsLogged() const { return rowsLogged_; }
    int Timeouts() const { return timeouts_; }
    // The text of bench k's status edit in the window ("" until the first reply).
    const std::string& BenchStatus(int k) const { return status_[k]; }
    bool BenchStatusError(int k) const { return statusError_[k]; }
    bool BenchLost(int k) const { return lost_[k]; }
    // The file rows go to now (a continuation file after a rotation).
    const QString& CurrentLogFile() const { return currentFile_; }

    Link& BenchLink() { return station_.BenchLink(); }
    LogFile& Log() { return station_.Log(); }
    DataRows& Rows() { return station_.Rows(); }
    // Rows and status lines go to this feed too; none: to the log only.
    void SetFeed(std::unique_ptr<FeedPublisher> feed);
    FeedPublisher* Feed() const { return station_.Feed(); }

private:
    // IBenchBoxes: a chosen bench's box is ticked, and enabled while its port is open. The logger
    // opens and reopens its ports itself, with no port activation to set the boxes.
    bool BoxEnabled(int k) const override { return PortOpen(k); }
    bool BoxTicked(int k) const override { return options_.Benches[k]; }
    void SetBoxEnabled(int, bool) override {}
    void SetBoxTicked(int, bool) override {}
    // IAcquisitionView: the window's defaults for the controls this program has no way to change.
    bool PortOpen(int k) const override;
    bool DialogButtonOn(int) const override { return false; }
    bool Freon2() const override { return false; }
    bool ZeroAuto() const override { return true; }
    bool UpgradeShown() const override { return false; }
    bool Closing() const override { return stopped_; }
    // LinkSwitches. A lost bench stays switched on, as its box would until the window's user unticks it:
    // the time-out pass then marks it silent and the benches still answering go on making rows.
    bool BenchSwitchedOn(int k) const override { return k >= 0 && k < 4 && options_.Benches[k] && (open_[k] || lost_[k]); }
    // StationDriver: rows while collecting, in a new file first when the log is full (--rotate).
    bool MakingRows() const override { return collecting_; }
    RowSettings RowSettingsNow() const override { return Settings(); }
    bool BeforeRow() override;
    void AfterRow(bool logged) override;
    // LinkListener: the status lines, the time-outs counted, a lost port.
    void StatusShown(int k, const std::string& text, bool error) override;
    void RequestTimedOut(int k, uint8_t code) override;
    void PortLost(int k) override;

    void ReopenLostPorts();
    RowSettings Settings() const;
    // Goes on in the next continuation file when the next logged row would be refused.
    bool RotateIfFull();
    void FailLater();

    // Sees the row output's messages before the user does: either one ends the run.
    struct WatchingSink : IMessageSink {
        HeadlessLogger* Owner = nullptr;
        void Show(const QString& caption, const QString& text, Icon icon) override;
    };

    LoggerOptions options_;
    IMessageSink& messages_;
    WatchingSink watcher_;
    Station station_;
    std::array<bool, 4> open_{};
    std::array<bool, 4> lost_{};
    std::array<std::string, 4> status_;
    std::array<bool, 4> statusError_{};
    bool collecting_ = false;
    bool loggingOn_ = false;  // "File Log" shows On
    bool stopped_ = false;
    bool failing_ = false;
    int rowsLogged_ = 0;
    int timeouts_ = 0;
    int nextContinuation_ = 2;
    QString basePath_;
    QString currentFile_;
};
