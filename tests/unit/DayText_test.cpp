// Days as the data file stores them.
#include <gtest/gtest.h>

#include "db/DayText.h"

namespace quorvel::test {
namespace {

TEST(DateValue, ReadsDayTextsAsCalendarDays) {
    EXPECT_EQ(db::DateValue("12/05/2026"), 20261205);
    EXPECT_EQ(db::DateValue("2/9/2026"), 20260209);
    EXPECT_EQ(db::DateValue(" 02/29/2024  "), 20240229);
    EXPECT_EQ(db::DateValue("1-2-26"), 20260102);
    EXPECT_EQ(db::DateValue("1.2.30"), 19300102);
    EXPECT_EQ(db::DateValue("2/29/2000"), 20000229);
    for (const char* bad :
         {"", "abc", "02/29/2025", "02/29/1900", "13/01/2026", "00/10/2026", "04/31/2026",
          "1/2/2026x", "1/2-2026", "1//2026", "1/2/202", "12/05/2026'--"})
        EXPECT_FALSE(db::DateValue(bad)) << bad;
    // Orders as a date, across months and years, where the text would not.
    EXPECT_LT(*db::DateValue("12/31/2025"), *db::DateValue("01/01/2026"));
    EXPECT_LT(*db::DateValue("09/30/2026"), *db::DateValue("10/01/2026"));
    EXPECT_EQ(db::DayText(2026, 3, 7), "03/07/2026");
    // As ISO and back, whatever form the day was written in.
    EXPECT_EQ(db::IsoFromDay("1-2-26"), "2026-01-02");
    EXPECT_EQ(db::DayFromIso(*db::IsoFromDay("12/31/1999")), "12/31/1999");
    EXPECT_FALSE(db::IsoFromDay("02/29/2025"));
}

}  // namespace
}  // namespace quorvel::test
