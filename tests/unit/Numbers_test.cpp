// The one reading of numbers written as text: rates, booked amounts and the amount a
// session keeps until it is booked.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "db/Numbers.h"

namespace quorvel::test {
namespace {

struct Case {
    std::string text;
    std::optional<double> number;
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << '"' << c.text << '"';
}

class ParseNumberTable : public ::testing::TestWithParam<Case> {};

TEST_P(ParseNumberTable, ReadsOnlyFiniteDecimalNumbers) {
    EXPECT_EQ(db::ParseNumber(GetParam().text), GetParam().number);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, ParseNumberTable,
    ::testing::Values(
        Case{"12", 12.0}, Case{"123456789", 123456789.0}, Case{"20.5", 20.5}, Case{".5", 0.5},
        Case{"5.", 5.0}, Case{"-3.5", -3.5}, Case{"+5", 5.0}, Case{"1e3", 1000.0},
        Case{"2.5E-1", 0.25}, Case{"1e308", 1e308},
        // Blanks around: spaces and tabs, as a box or a hand-written setting may leave.
        Case{" 12.5 ", 12.5}, Case{"\t7\t", 7.0},
        // Not numbers, or not finite ones: never stored, never booked.
        Case{"", std::nullopt}, Case{" ", std::nullopt}, Case{"abc", std::nullopt},
        Case{"12abc", std::nullopt}, Case{"Rs 5", std::nullopt}, Case{"1,000", std::nullopt},
        Case{"12,5", std::nullopt}, Case{"1.2.3", std::nullopt}, Case{"+", std::nullopt},
        Case{"+-5", std::nullopt}, Case{"1e", std::nullopt}, Case{"0x10", std::nullopt},
        Case{"inf", std::nullopt}, Case{"-inf", std::nullopt}, Case{"infinity", std::nullopt},
        Case{"nan", std::nullopt}, Case{"NaN", std::nullopt}, Case{"1e400", std::nullopt},
        Case{"-1e400", std::nullopt}, Case{"1e-400", std::nullopt},
        Case{"1" + std::string(400, '0'), std::nullopt}, Case{"5\n", std::nullopt},
        Case{std::string("5\0", 2), std::nullopt}));

}  // namespace
}  // namespace quorvel::test
