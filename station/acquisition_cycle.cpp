#include "station/acquisition_cycle.h"

#include <chrono>

#include "link/link.h"

#include <ctime>

void AcquisitionCycle::SendDataRequest(int k, int rate)
{
    BenchRecord& bench = link_.Benches[k];
    const bool freon2 = view_.Freon2();
    switch (DataCommandSelection) {
    case 1: bench.RequestDataStatus6(rate, freon2); break;
    case 2: bench.RequestEngineeringData(rate, freon2); break;
    default: bench.RequestDataStatus(rate, freon2); break;
    }
}

AcquisitionCycle::StartResult AcquisitionCycle::RequestStreams()
{
    StartResult r;
    for (int k = 0; k < 4; ++k) {
        if (!view_.PortOpen(k))
            continue;
        SendDataRequest(k, kContinuousRate);
        r.LastActive = k;
        ++r.ActiveCount;
    }
    return r;
}

void AcquisitionCycle::StopStreams()
{
    for (int k = 0; k < 4; ++k)
        if (view_.PortOpen(k))
            SendDataRequest(k, 0);
}

void AcquisitionCycle::ZeroAll()
{
    for (int k = 0; k < 4; ++k)
        if (view_.PortOpen(k))
            link_.Benches[k].RequestZeroO2Span(0);
}

void AcquisitionCycle::PollTick()
{
    if (view_.Closing() || view_.UpgradeShown())
        return;
    if (!link_.CheckReplyTimeouts())
        return;
    if (DialogCommandPending)
        HandOverDialogCommand();
    else
        AutomaticZero();
}

void AcquisitionCycle::HandOverDialogCommand()
{
    const uint8_t code = DialogCommand;
    for (int k = 0; k < 4; ++k) {
        if (!view_.BoxEnabled(k) || !view_.DialogButtonOn(k))
            continue;
        link_.Benches[k].SendDialogCommand(code);
        if (code == kSoftResetCode)
            link_.SoftResetGrace = kSoftResetGraceTicks;
    }
    DialogCommandPending = false;
}

void AcquisitionCycle::AutomaticZero()
{
    if (!view_.ZeroAuto())
        return;
    for (int k = 0; k < 4; ++k) {
        if (!view_.BoxOn(k))
            continue;
        BenchRecord& bench = link_.Benches[k];
        const uint8_t s = bench.Status[0];
        const bool normalMode = (s & 0xC0) == 0;
        const bool zeroRequired = (s & 0x20) != 0;
        const bool inProgress = (s & 0x10) != 0;
        if (normalMode && zeroRequired && !inProgress && !bench.Commands[0x02].AwaitingReply)
            bench.RequestZeroO2Span(0);
    }
}

void AcquisitionCycle::StopSwitchedOnBenches(const std::function<void()>& waitOneSecond)
{
    for (int k = 0; k < 4; ++k) {
        if (!view_.BoxOn(k))
            continue;
        SendDataRequest(k, 0);
        if (waitOneSecond)
            waitOneSecond();
    }
}

void WaitSeconds(int n, const std::function<int64_t()>& calendarSeconds)
{
    const auto now = calendarSeconds ? calendarSeconds : std::function<int64_t()>(CalendarSecondsNow);
    const int64_t start = now();
    // The calendar clock can stand still (a test clock) or be set back while we
    // wait; the steady clock bounds the wait to n seconds whatever it does.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(n);
    while (now() - start < n && std::chrono::steady_clock::now() < deadline) {
    }
}

int64_t CalendarSecondsNow() { return static_cast<int64_t>(std::time(nullptr)); }
