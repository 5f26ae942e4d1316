#pragma once
// The computer's own clock: local calendar time as the user's time zone gives it, and
// the monotonic clock for measuring intervals.
#include "platform/Clock.h"

namespace quorvel::platform {

class SystemClock final : public Clock {
  public:
    LocalDateTime Now() const override;
    std::chrono::steady_clock::time_point Steady() const override;
};

}  // namespace quorvel::platform
