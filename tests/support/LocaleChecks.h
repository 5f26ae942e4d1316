#pragma once
// Checks every locale backend must pass, whatever its system.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <string>

#include "platform/Locale.h"

namespace quorvel::test {

// Every day of three years around a century turn and a leap day, and of three years
// a cafe lives in, written as a short date and read back as itself.
inline void ExpectEveryDayReadsBack(const platform::Locale& locale, const std::string& name) {
    using namespace std::chrono;
    for (const int first : {1999, 2026}) {
        for (sys_days d = sys_days{year{first} / January / 1};
             d < sys_days{year{first + 3} / January / 1}; d += days{1}) {
            const year_month_day ymd{d};
            const platform::LocalDateTime t{
                int(ymd.year()), int(unsigned(ymd.month())), int(unsigned(ymd.day())), 0, 0, 0};
            const std::string text = locale.ShortDate(t);
            const auto back = locale.ParseShortDate(text);
            ASSERT_TRUE(back) << name << " " << text;
            ASSERT_EQ((std::array{back->year, back->month, back->day}),
                      (std::array{t.year, t.month, t.day}))
                << name << " " << text;
        }
    }
}

}  // namespace quorvel::test
