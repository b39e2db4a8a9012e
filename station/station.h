#pragma once
#include "station/acquisition_cycle.h"
#include "rows/calendar_clock.h"
#include "rows/data_rows.h"
#include "rows/grid_model.h"
#include "link/link.h"
#include "rows/log_file.h"
#include "rows/row_settings.h"

#include <QObject>

#include <array>
#include <memory>

class ComPort;
class FeedPublisher;

// What the program driving a station answers: the acquisition cycle's view of its controls,
// the link's switches, and the settings and moment of each row.
class StationDriver : public IAcquisitionView, public LinkSwitches {
public:
    // Rows are made from data replies (the window's Stop button is enabled).
    virtual bool MakingRows() const = 0;
    // The row settings at the moment a row is made (the window's controls, the logger's options).
    virtual RowSettings RowSettingsNow() const = 0;
    // A row is about to be made; false skips it (halyard-log first goes on in a new file).
    virtual bool BeforeRow() { return true; }
    // A row was made; logged: it gained the log a line.
    virtual void AfterRow(bool /*logged*/) {}
};

// One station's data collection without a window: the four bench ports, the link over them, the
// acquisition cycle, the data rows with their grid, the log file and the row feed. The window
// program and halyard-log each hold one; the link's first listener is the station, so a data
// reply has made its row before any window draws it.
class Station : public QObject, public LinkListener {
    Q_OBJECT
public:
    // Rows().Messages is where "Log File is full" and log write failures go; the owner sets it.
    explicit Station(StationDriver& driver, CalendarClock clock = CalendarClock::System());
    ~Station() override;

    // Port k (0..3) starts on device COM(k+1).
    ComPort& Port(int k) { return *ports_[size_t(k)]; }
    std::array<ComPort*, 4> Ports();
    Link& BenchLink() { return link_; }
    AcquisitionCycle& Acquisition() { return acquisition_; }
    const AcquisitionCycle& Acquisition() const { return acquisition_; }
    DataRows& Rows() { return rows_; }
    GridModel& Grid() { return grid_; }
    LogFile& Log() { return log_; }
    const LogFile& Log() const { return log_; }
    const CalendarClock& Clock() const { return clock_; }

    // The feed rows and status lines go to, owned here; none switches it off.
    void SetFeed(std::unique_ptr<FeedPublisher> feed);
    FeedPublisher* Feed() const { return feed_.get(); }

    // A row from the latest data, as a decoded data reply makes it while collecting.
    void MakeRow();

    // LinkListener: rows from data replies; status lines to the feed.
    void ReplyDecoded(int k, ReplyKind kind, const RxFrame& frame) override;
    void StatusShown(int k, const std::string& text, bool error) override;

private:
    StationDriver& driver_;
    CalendarClock clock_;
    std::array<std::unique_ptr<ComPort>, 4> ports_;
    Link link_;
    GridModel grid_;
    DataRows rows_;
    LogFile log_;
    AcquisitionCycle acquisition_;
    std::unique_ptr<FeedPublisher> feed_;
};
