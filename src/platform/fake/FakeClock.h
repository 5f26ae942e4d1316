#pragma once
#include <mutex>

#include "platform/Clock.h"

namespace quorvel::platform {

// A clock that moves only when a test moves it. Its local time doubles as UTC. A
// worker thread may read it while the test moves it.
class FakeClock final : public Clock {
  public:
    LocalDateTime Now() const override {
        std::lock_guard lock(mutex_);
        return now_;
    }
    std::chrono::steady_clock::time_point Steady() const override {
        std::lock_guard lock(mutex_);
        return steady_;
    }
    std::int64_t UnixSeconds() const override;
    void Set(const LocalDateTime& t) {
        std::lock_guard lock(mutex_);
        now_ = t;
    }
    // Moves both clocks forward, rolling the calendar over midnight, months and years.
    void AdvanceSeconds(long long seconds);

  private:
    mutable std::mutex mutex_;
    LocalDateTime now_{2026, 12, 5, 10, 0, 0};
    std::chrono::steady_clock::time_point steady_{};
};

}  // namespace quorvel::platform
