#pragma once
#include <cstdint>
#include <functional>

// Link time is counted in ticks of 55 ms taken from a millisecond clock.
// The clock is injectable so time-outs can be tested without waiting.
namespace Ticks {

constexpr uint32_t kTickMs = 55;
// Longest timer, and the wrap of the tick count: 2^31 ms / 55.
constexpr uint32_t kMaxTicks = 39045157;

using MillisecondClock = std::function<int64_t()>;

// Replaces the clock (tests); an empty function restores the steady clock.
void SetClock(MillisecondClock clock);
int64_t NowMs();
// Current tick: the millisecond clock, wrapped at 2^31 ms, divided by 55.
uint32_t Now();

} // namespace Ticks

struct EventTimer {
    uint32_t StartTick = 0;
    uint32_t ExpiryTick = 0;
};

// Arms the timer for the given ticks from now (cut to Ticks::kMaxTicks).
void NewTimer(EventTimer& timer, uint32_t ticks);
// True once the current tick has passed the expiry tick, allowing for one wrap.
bool TimerExpired(const EventTimer& timer);
bool TimerExpiredAt(const EventTimer& timer, uint32_t nowTick);
