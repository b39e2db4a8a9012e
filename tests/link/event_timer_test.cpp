#include "link/ticks.h"

#include <gtest/gtest.h>

namespace {
// Drives the link clock by hand for the test's life.
class ManualClock : public ::testing::Test {
protected:
    void SetUp() override
    {
        Ticks::SetClock([this] { return nowMs; });
    }
    void TearDown() override { Ticks::SetClock({}); }
    int64_t nowMs = 0;
};
} // namespace

TEST_F(ManualClock, ReplyTimerExpiresOnlyAfterMoreThan36Ticks)
{
    nowMs = 1000 * 55 + 54; // late in a tick: the first tick is short
    EventTimer timer;
    NewTimer(timer, 36);
    nowMs = (1000 + 36) * 55 + 54;
    EXPECT_FALSE(TimerExpired(timer));
    nowMs = (1000 + 37) * 55;
    EXPECT_TRUE(TimerExpired(timer));
}

TEST_F(ManualClock, WrapOfTheTickCount)
{
    const int64_t wrapMs = int64_t(1) << 31;
    nowMs = wrapMs - 10 * 55; // 10 ticks before the count wraps to 0
    EventTimer timer;
    NewTimer(timer, 36);
    const uint32_t start = timer.StartTick;
    EXPECT_EQ(timer.ExpiryTick, start + 36);

    const struct {
        int64_t ms;
        bool expired;
    } cases[] = {
        {wrapMs - 55, false},
        {wrapMs + 20 * 55, false},
        {wrapMs + 35 * 55, true},
    };
    for (const auto& c : cases) {
        nowMs = c.ms;
        EXPECT_EQ(TimerExpired(timer), c.expired) << c.ms;
    }
}

TEST_F(ManualClock, LongRequestsAreCut)
{
    EventTimer timer;
    NewTimer(timer, 0xFFFFFFFFu);
    EXPECT_EQ(timer.ExpiryTick - timer.StartTick, Ticks::kMaxTicks);
}
