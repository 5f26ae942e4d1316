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

// A read text as a number, and as a whole number (7 where none fits): the NUL of the
// read ends it, a leading number is taken, halves round to even.
TEST(Variant, ReadTextsAsNumbers) {
    struct Case {
        const char* text;
        double number;
        std::int32_t whole;
    };
    const Case cases[] = {
        {"5", 5, 5},
        {"-3", -3, -3},
        {"", 0, 0},
        {"abc", 0, 0},
        {"-", 0, 0},
        {".", 0, 0},
        {"x5", 0, 0},
        {"Rs 25", 0, 0},
        {"  12 minutes", 12, 12},
        {"+8", 8, 8},
        {".25", 0.25, 0},
        {"1 : 5 : 30", 1, 1},
        {"2.5", 2.5, 2},
        {"3.5", 3.5, 4},
        {"-2.5", -2.5, -2},
        {"2147483647", 2147483647.0, 2147483647},
        {"-2147483648", -2147483648.0, -2147483647 - 1},
        {"2147483648", 2147483648.0, 7},
        {"99999999999999999999", 1e20, 7},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(Read(c.text).ToNumber(), c.number) << c.text;
        EXPECT_EQ(Read(c.text).ToInt32(7), c.whole) << c.text;
    }
    EXPECT_EQ(Read("5").ToText(), "5\0"s);  // the raw text keeps the NUL
    EXPECT_EQ(Read("Rs").ToDisplayText(), "Rs");
    // Anything after the NUL (a value written with one in the middle) is not shown.
    EXPECT_EQ(Variant("ab\0cd"s).ToDisplayText(), "ab");
    EXPECT_EQ(Variant("7\0"
                      "9"s)
                  .ToInt32(),
              7);
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
