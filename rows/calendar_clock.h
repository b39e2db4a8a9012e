#pragma once
#include <cstdint>
#include <functional>
#include <string>

// The calendar clock in whole seconds and the locale's date and time texts
// (Latin-1). Injected so rows and log lines are reproducible in tests.
struct CalendarClock {
    std::function<int64_t()> NowSeconds;
    std::function<std::string(int64_t)> ShortDate; // system short date format
    std::function<std::string(int64_t)> LongTime;  // system long time format

    // Date and time as the comment block and the appending line show them.
    std::string DateTime(int64_t t) const { return ShortDate(t) + " " + LongTime(t); }

    // The system clock and the user's locale.
    static CalendarClock System();
};
