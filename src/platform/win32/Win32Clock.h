#pragma once
#include "platform/Clock.h"

namespace quorvel::platform {

// The machine's local time (GetLocalTime).
class Win32Clock final : public Clock {
  public:
    LocalDateTime Now() const override;
    std::chrono::steady_clock::time_point Steady() const override {
        return std::chrono::steady_clock::now();
    }
};

}  // namespace quorvel::platform
