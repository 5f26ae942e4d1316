#include <gtest/gtest.h>

#include <string>

#include "store/Variant.h"

namespace quorvel::test {
namespace {

using namespace store;

using namespace std::string_literals;

// Text as a read gives it: the characters and one trailing NUL.
Variant Read(const std::string& text) {
    return Variant(text + '\0');
}

TEST(Variant, EmptyIsEmptyTextZeroAndFalse) {
    const Variant empty;
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_EQ(empty.ToText(), "");
    EXPECT_EQ(empty.ToDisplayText(), "");
    EXPECT_EQ(empty.ToNumber(), 0);
    EXPECT_EQ(empty.ToInt32(), 0);
    EXPECT_FALSE(empty.ToBool());
}

TEST(Variant, TheNulOfAReadEndsANumberAndIsDroppedForShowing) {
    EXPECT_EQ(Read("5").ToNumber(), 5);
    EXPECT_EQ(Read("5").ToInt32(), 5);
    EXPECT_EQ(Read("14").ToInt32(), 14);
    EXPECT_EQ(Read("-3").ToInt32(), -3);
    EXPECT_EQ(Read("5").ToText(), "5\0"s);  // the raw text keeps it
    EXPECT_EQ(Read("Rs").ToDisplayText(), "Rs");
    // Anything after the NUL (a value written with one in the middle) is not shown.
    EXPECT_EQ(Variant("ab\0cd"s).ToDisplayText(), "ab");
    EXPECT_EQ(Variant("7\0"
                      "9"s)
                  .ToInt32(),
              7);
}

TEST(Variant, TextThatIsNotANumberGivesZeroAndALeadingNumberIsTaken) {
    for (const char* text : {"", "abc", "-", ".", "x5", "Rs 25"})
        EXPECT_EQ(Read(text).ToNumber(), 0) << text;
    EXPECT_EQ(Read("  12 minutes").ToNumber(), 12);
    EXPECT_EQ(Read("+8").ToNumber(), 8);
    EXPECT_DOUBLE_EQ(Read("1.5").ToNumber(), 1.5);
    EXPECT_DOUBLE_EQ(Read(".25").ToNumber(), 0.25);
    EXPECT_EQ(Read("1 : 5 : 30").ToNumber(), 1);
}

TEST(Variant, WholeNumbersRoundHalfToEvenAndOutOfRangeKeepsTheFallback) {
    EXPECT_EQ(Read("2.5").ToInt32(), 2);
    EXPECT_EQ(Read("3.5").ToInt32(), 4);
    EXPECT_EQ(Read("-2.5").ToInt32(), -2);
    EXPECT_EQ(Read("2147483647").ToInt32(), 2147483647);
    EXPECT_EQ(Read("-2147483648").ToInt32(), -2147483647 - 1);
    EXPECT_EQ(Read("2147483648").ToInt32(7), 7);
    EXPECT_EQ(Read("99999999999999999999").ToInt32(7), 7);
}

TEST(Variant, NumbersTurnIntoTheirDigits) {
    EXPECT_TRUE(Variant(25).IsNumber());
    EXPECT_EQ(Variant(25).ToText(), "25");
    EXPECT_EQ(Variant(-1).ToText(), "-1");
    EXPECT_EQ(Variant(-1).ToInt32(), -1);
}

TEST(Variant, TruthValues) {
    EXPECT_TRUE(Variant(1).ToBool());
    EXPECT_TRUE(Variant(-1).ToBool());
    EXPECT_FALSE(Variant(0).ToBool());
    EXPECT_TRUE(Read("1").ToBool());
    EXPECT_FALSE(Read("0").ToBool());
    EXPECT_TRUE(Read("True").ToBool());
    EXPECT_FALSE(Read("False").ToBool());
    EXPECT_FALSE(Read("").ToBool());
    EXPECT_FALSE(Read("abc").ToBool());
}

}  // namespace
}  // namespace quorvel::test
