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
    std::int64_t UnixSeconds() const override {
        return std::chrono::duration_cast<std::chrono::seconds>(
                   std::chrono::system_clock::now().time_since_epoch())
            .count();
    }
};

}  // namespace quorvel::platform
