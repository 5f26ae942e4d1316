#pragma once
// Wall-clock time for everything that shows, stores or charges time, so tests can
// drive a session second by second with a fake clock.
#include <chrono>
#include <cstdint>

namespace quorvel::platform {

struct LocalDateTime {
    int year = 2000, month = 1, day = 1;  // calendar day, month 1..12
    int hour = 0, minute = 0, second = 0;
    friend bool operator==(const LocalDateTime&, const LocalDateTime&) = default;
};

// True when the year, month and day name a day of the calendar (no 30 February).
inline bool IsCalendarDay(const LocalDateTime& t) {
    using namespace std::chrono;
    return t.month >= 1 && t.day >= 1 &&
           year_month_day{year{t.year}, month{static_cast<unsigned>(t.month)},
                          day{static_cast<unsigned>(t.day)}}
               .ok();
}

class Clock {
  public:
    virtual ~Clock() = default;
    // Local calendar date and time of day.
    virtual LocalDateTime Now() const = 0;
    // Monotonic time, for timers that must not jump with the wall clock.
    virtual std::chrono::steady_clock::time_point Steady() const = 0;
    // Seconds since 1970-01-01 UTC: when something happened, for a reader in another
    // time zone (a cafe's server).
    virtual std::int64_t UnixSeconds() const = 0;
};

}  // namespace quorvel::platform
