#pragma once
#include "link/bench_boxes.h"

#include <cstdint>
#include <functional>

class Link;

// What the acquisition cycle reads of the main window's controls at the moment it acts: the bench
// boxes, and the controls below.
struct IAcquisitionView : IBenchBoxes {
    virtual bool PortOpen(int k) const = 0;
    // Bench button k of the command dialog is on.
    virtual bool DialogButtonOn(int k) const = 0;
    // "Freon Mode" shows FREON2; read afresh at every send.
    virtual bool Freon2() const = 0;
    // "Zero" shows Auto.
    virtual bool ZeroAuto() const = 0;
    // The firmware upgrade window is visible: the poll tick stands still.
    virtual bool UpgradeShown() const = 0;
    virtual bool Closing() const = 0;
};

// The requests of data collection and the one-second poll tick, without widgets.
class AcquisitionCycle {
public:
    static constexpr int kContinuousRate = 2;
    static constexpr int kSoftResetGraceTicks = 10;
    static constexpr uint8_t kSoftResetCode = 0xF0;

    AcquisitionCycle(Link& link, IAcquisitionView& view) : link_(link), view_(view) {}

    // 0: $01 data/status, 1: $06, 2: $44 engineering data. Changed only by OK.
    int DataCommandSelection = 0;
    uint8_t DialogCommand = 0;
    bool DialogCommandPending = false;

    // The data request of DataCommandSelection to bench k with the given rate.
    void SendDataRequest(int k, int rate);

    struct StartResult {
        int LastActive = 0;
        int ActiveCount = 0;
    };
    // Asks every bench with an open port for its continuous stream.
    StartResult RequestStreams();
    // Rate 0 to every bench with an open port.
    void StopStreams();
    // Zero / O2 span with purge time 0 to every bench with an open port.
    void ZeroAll();

    // PollTimerTick: time-out pass, dialog hand-over or the automatic zero.
    void PollTick();

    // Shutdown: a stop request per switched-on bench, each followed by waitOneSecond.
    void StopSwitchedOnBenches(const std::function<void()>& waitOneSecond);

private:
    void HandOverDialogCommand();
    void AutomaticZero();

    Link& link_;
    IAcquisitionView& view_;
};

// Busy wait until the calendar clock (whole seconds) has moved on by n; no events are handled.
void WaitSeconds(int n, const std::function<int64_t()>& calendarSeconds);
// The calendar clock in whole seconds.
int64_t CalendarSecondsNow();
