// The Windows clock agrees with the C runtime's local time.
#include <gtest/gtest.h>

#include <ctime>

#include "platform/win32/Win32Clock.h"

namespace quorvel::test {
namespace {

TEST(Win32Clock, NowIsLocalTime) {
    platform::Win32Clock clock;
    // Retry across a second boundary rather than compare two different seconds.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const std::time_t before = std::time(nullptr);
        const auto now = clock.Now();
        if (std::time(nullptr) != before) continue;
        std::tm local{};
        localtime_s(&local, &before);
        EXPECT_EQ(now,
                  (platform::LocalDateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                           local.tm_hour, local.tm_min, local.tm_sec}));
        return;
    }
    FAIL() << "the clock never stood still for a second";
}

}  // namespace
}  // namespace quorvel::test
