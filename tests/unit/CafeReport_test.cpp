// A cafe's takings read as the report reads a PC's days: to the cent, and refused
// rather than shown wrong.
#include <gtest/gtest.h>

#include "cafe/CafeReport.h"
#include "panel/Report.h"

namespace quorvel::test {
namespace {

// The report's line for one day holding `cents`, or why it refused it.
std::string Line(std::int64_t sessions, std::int64_t cents) {
    std::string error;
    const auto rows = cafe::AsDayRows({{"", "2026-03-01", sessions, cents, "Rs"}}, error);
    if (!rows) return error;
    const auto report = panel::BuildReport("03/01/2026", "03/01/2026", *rows, "", error);
    if (!report) return error;
    return report->lines.at(0).date + " " + report->lines.at(0).guests + " " +
           report->lines.at(0).cash;
}

struct Day {
    std::int64_t sessions;
    std::int64_t cents;
    std::string line;
};

class CafeDayTable : public ::testing::TestWithParam<Day> {};

TEST_P(CafeDayTable, IsTheReportsLineToTheCent) {
    const std::string line = Line(GetParam().sessions, GetParam().cents);
    EXPECT_EQ(line.substr(0, GetParam().line.size()), GetParam().line) << line;
}

INSTANTIATE_TEST_SUITE_P(
    Days, CafeDayTable,
    ::testing::Values(Day{1, 1, "03/01/2026 1 0.01"}, Day{3, 29, "03/01/2026 3 0.29"},
                      Day{2, 30, "03/01/2026 2 0.30"}, Day{1, -250, "03/01/2026 1 -2.50"},
                      Day{32767, 123456789, "03/01/2026 32767 1234567.89"},
                      Day{1, panel::kMaxReportCents, "03/01/2026 1 35184372088831.99"},
                      // Beyond what the report shows: refused, not rounded.
                      Day{1, panel::kMaxReportCents + 1, "The takings of 03/01/2026"},
                      Day{32768, 100, "the 32768 sessions of 03/01/2026 are more than"}));

TEST(CafeReport, TheWholeCafeSumsEachDayOfEveryPcInDayOrder) {
    const std::vector<cafe::DayTakings> byPc = {{"pc1", "2026-03-01", 2, 30, "Rs"},
                                                {"pc1", "2026-03-05", 1, 100, "Rs"},
                                                {"pc2", "2026-03-01", 1, 1, "Rs"},
                                                {"pc2", "2026-03-03", 4, 400, "Rs"}};
    const auto whole = cafe::WholeCafe(byPc);
    ASSERT_EQ(whole.size(), 3u);
    EXPECT_EQ(whole[0].day + " " + std::to_string(whole[0].sessions) + " " +
                  std::to_string(whole[0].cents),
              "2026-03-01 3 31");
    EXPECT_EQ(whole[1].day, "2026-03-03");
    EXPECT_EQ(whole[2].day, "2026-03-05");
    const auto split = cafe::SplitByPc(byPc);
    ASSERT_EQ(split.size(), 2u);
    EXPECT_EQ(split[1].first, "pc2");
    EXPECT_EQ(split[1].second.size(), 2u);
}

struct Currencies {
    const char* name;
    std::vector<cafe::DayTakings> byPc;
    const char* refusal;  // "" when the whole cafe is reported
};

void PrintTo(const Currencies& c, std::ostream* out) {
    *out << c.name;
}

class CafeCurrencies : public ::testing::TestWithParam<Currencies> {};

TEST_P(CafeCurrencies, AreAddedUpOnlyWhenThereIsOne) {
    std::string error;
    const auto rows = cafe::WholeCafeDays(GetParam().byPc, error);
    EXPECT_EQ(rows ? "" : error, GetParam().refusal);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CafeCurrencies,
    ::testing::Values(
        Currencies{"None", {}, ""},
        Currencies{"OneOnEveryPc",
                   {{"pc1", "2026-03-01", 1, 5, "Rs"}, {"pc2", "2026-03-02", 1, 5, "Rs"}},
                   ""},
        Currencies{"OneWithoutASign",
                   {{"pc1", "2026-03-01", 1, 5, ""}, {"pc2", "2026-03-01", 1, 5, ""}},
                   ""},
        // The same day of one PC in two currencies (its sign changed that day), and a
        // PC taking the other currency on other days.
        Currencies{"TwoOnOnePc",
                   {{"pc1", "2026-03-01", 1, 5, "EUR"},
                    {"pc1", "2026-03-01", 2, 5, "Rs"},
                    {"pc2", "2026-02-27", 1, 5, "Rs"},
                    {"pc3", "2026-03-03", 1, 5, "EUR"}},
                   "the sessions were taken in more than one currency, and a report adds up "
                   "one only: 'EUR' on pc1, pc3 (2026-03-01 to 2026-03-03); 'Rs' on pc1, pc2 "
                   "(2026-02-27 to 2026-03-01). Choose days of one currency"},
        Currencies{"ASignAndNone",
                   {{"pc1", "2026-03-01", 1, 5, "Rs"}, {"pc2", "2026-03-01", 1, 5, ""}},
                   "the sessions were taken in more than one currency, and a report adds up "
                   "one only: no currency sign on pc2 (2026-03-01 to 2026-03-01); 'Rs' on pc1 "
                   "(2026-03-01 to 2026-03-01). Choose days of one currency"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CafeReport, ADaySumBeyond64BitsIsRefusedNotWrapped) {
    const auto huge = std::numeric_limits<std::int64_t>::max();
    const auto whole =
        cafe::WholeCafe({{"pc1", "2026-03-01", 1, huge, "Rs"}, {"pc2", "2026-03-01", 1, 2, "Rs"}});
    std::string error;
    const auto rows = cafe::AsDayRows(whole, error);
    ASSERT_TRUE(rows) << error;
    EXPECT_FALSE(panel::BuildReport("03/01/2026", "03/01/2026", *rows, "", error));
}

TEST(CafeReport, ADayThatIsNoCalendarDayIsRefused) {
    std::string error;
    EXPECT_FALSE(cafe::AsDayRows({{"", "2026-02-30", 1, 1, "Rs"}}, error));
    EXPECT_NE(error.find("2026-02-30"), std::string::npos);
}

}  // namespace
}  // namespace quorvel::test
