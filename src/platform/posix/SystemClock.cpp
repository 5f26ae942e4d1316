#include "platform/posix/SystemClock.h"

#include <time.h>

namespace quorvel::platform {

LocalDateTime SystemClock::Now() const {
    const time_t now = time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);
    LocalDateTime t;
    t.year = local.tm_year + 1900;
    t.month = local.tm_mon + 1;
    t.day = local.tm_mday;
    t.hour = local.tm_hour;
    t.minute = local.tm_min;
    t.second = local.tm_sec;
    return t;
}

std::chrono::steady_clock::time_point SystemClock::Steady() const {
    return std::chrono::steady_clock::now();
}

}  // namespace quorvel::platform
