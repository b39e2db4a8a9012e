#include "link/ticks.h"

#include <chrono>

namespace Ticks {
namespace {
MillisecondClock& Clock()
{
    static MillisecondClock clock;
    return clock;
}
} // namespace

void SetClock(MillisecondClock clock) { Clock() = std::move(clock); }

int64_t NowMs()
{
    if (Clock())
        return Clock()();
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

uint32_t Now()
{
    const uint64_t ms = static_cast<uint64_t>(NowMs()) & 0x7FFFFFFFu;
    return static_cast<uint32_t>(ms / kTickMs);
}

} // namespace Ticks

void NewTimer(EventTimer& timer, uint32_t ticks)
{
    if (ticks > Ticks::kMaxTicks)
        ticks = Ticks::kMaxTicks;
    timer.StartTick = Ticks::Now();
    timer.ExpiryTick = timer.StartTick + ticks;
}

bool TimerExpiredAt(const EventTimer& timer, uint32_t nowTick)
{
    if (nowTick < timer.StartTick) // the tick count wrapped since the timer was armed
        return uint64_t(nowTick) + Ticks::kMaxTicks > timer.ExpiryTick;
    return nowTick > timer.ExpiryTick;
}

bool TimerExpired(const EventTimer& timer) { return TimerExpiredAt(timer, Ticks::Now()); }
