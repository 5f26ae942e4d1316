// The system clock agrees with the C library's local time.
#include <gtest/gtest.h>
#include <time.h>

#include "platform/posix/SystemClock.h"

namespace quorvel::test {
namespace {

TEST(SystemClock, NowIsLocalTime) {
    platform::SystemClock clock;
    // Retry across a second boundary rather than compare two different seconds.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const time_t before = time(nullptr);
        const auto now = clock.Now();
        if (time(nullptr) != before) continue;
        struct tm local {};
        localtime_r(&before, &local);
        EXPECT_EQ(now.year, local.tm_year + 1900);
        EXPECT_EQ(now.month, local.tm_mon + 1);
        EXPECT_EQ(now.day, local.tm_mday);
        EXPECT_EQ(now.hour, local.tm_hour);
        EXPECT_EQ(now.minute, local.tm_min);
        EXPECT_EQ(now.second, local.tm_sec);
        return;
    }
    FAIL() << "the clock never stood still for a second";
}

}  // namespace
}  // namespace quorvel::test
