#pragma once
#include "platform/Clock.h"

namespace quorvel::platform {

// A clock that moves only when a test moves it.
class FakeClock final : public Clock {
  public:
    LocalDateTime Now() const override { return now_; }
    std::chrono::steady_clock::time_point Steady() const override { return steady_; }
    void Set(const LocalDateTime& t) { now_ = t; }
    // Moves both clocks forward, rolling the calendar over midnight, months and years.
    void AdvanceSeconds(long long seconds);

  private:
    LocalDateTime now_{2026, 12, 5, 10, 0, 0};
    std::chrono::steady_clock::time_point steady_{};
};

}  // namespace quorvel::platform
