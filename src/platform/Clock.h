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

class Clock {
  public:
    virtual ~Clock() = default;
    // Local calendar date and time of day.
    virtual LocalDateTime Now() const = 0;
    // Monotonic time, for timers that must not jump with the wall clock.
    virtual std::chrono::steady_clock::time_point Steady() const = 0;
};

}  // namespace quorvel::platform
