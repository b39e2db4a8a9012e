#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "cmd.h"

// What the link asks of the windows and service procedures around it. Each
// hook is optional: one left empty does nothing (or answers false/0), so the
// link works before the windows that answer these questions exist.
// Bench numbers are 0 to 3.
struct LinkHooks {
    // Main window state.
    std::function<bool()> Closing;                // program is closing: drop input, skip ticks
    std::function<uint8_t()> DialogCommand;       // code shown in the command dialog
    std::function<bool(int)> BenchSwitchedOn;     // ActiveBench box enabled and ticked
    std::function<bool(int)> PortOpen;
    std::function<bool()> Collecting;             // Stop button enabled
    std::function<void(int, const std::string&, bool)> ShowStatusEdit; // text, error (red)

    // Consumers of decoded data.
    std::function<void(int)> RowOutput;           // data row of the main window
    std::function<void(int)> RefreshGraph2;
    std::function<void(int)> RefreshGraph1;
    std::function<void(int)> RefreshStatusScreen;
    std::function<void(int)> RefreshEngStatusScreen;
    std::function<void(int, const RxFrame&)> RawIRBlock;

    // Command dialog.
    std::function<void(uint8_t)> ShowCommandReply;
    std::function<void()> CompleteCommand;

    // Soft reset acknowledged: switch every bench off and tell the user.
    std::function<void()> SoftResetDisconnect;

    // Flash parameter editor: acknowledged 0x48, 0x49, 0x54, 0x55.
    std::function<void(int, const RxFrame&)> ParamEditorReply;

    // Firmware upgrade: while busy it takes every expected reply.
    std::function<bool()> UpgradeBusy;
    std::function<void(int, const RxFrame&)> UpgradeReply;

    // Calibration load and check: window shown and running (CalState above 0).
    std::function<bool()> CalibrationRunning;
    // A reply for it; nak set means its ErrorFlag is raised first.
    std::function<void(int, const RxFrame&, bool)> CalibrationReply;

    // Parameter upload and download.
    std::function<bool()> TransferRunningShown;   // window shown and TransferState above 0
    std::function<int()> TransferState;
    std::function<void(int, const RxFrame&)> TransferReply;
    std::function<void(uint8_t, uint8_t)> TransferRefusal; // code, reason
    std::function<void(uint8_t)> TransferTimeout;          // code
};

// Calls a hook when it is set.
template <class F, class... A>
inline void CallHook(const F& f, A&&... a)
{
    if (f)
        f(std::forward<A>(a)...);
}

template <class R, class F, class... A>
inline R AskHook(const F& f, R otherwise, A&&... a)
{
    return f ? f(std::forward<A>(a)...) : otherwise;
}
