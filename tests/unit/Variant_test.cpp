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
    EXPECT_TRUE(Variant(-1).ToBool());
    EXPECT_FALSE(Variant(0).ToBool());
}

// A read text as a number, as a whole number (7 where none fits) and as a truth value:
// the NUL of the read ends it, a leading number is taken, halves round to even, and
// "True" is true as a number other than 0 is.
TEST(Variant, ReadTextsAsNumbersAndTruthValues) {
    struct Case {
        const char* text;
        double number;
        std::int32_t whole;
        bool truth;
    };
    const Case cases[] = {
        {"5", 5, 5, true},
        {"-3", -3, -3, true},
        {"", 0, 0, false},
        {"abc", 0, 0, false},
        {"-", 0, 0, false},
        {".", 0, 0, false},
        {"x5", 0, 0, false},
        {"Rs 25", 0, 0, false},
        {"  12 minutes", 12, 12, true},
        {"+8", 8, 8, true},
        {".25", 0.25, 0, true},
        {"1 : 5 : 30", 1, 1, true},
        {"2.5", 2.5, 2, true},
        {"3.5", 3.5, 4, true},
        {"-2.5", -2.5, -2, true},
        {"2147483647", 2147483647.0, 2147483647, true},
        {"-2147483648", -2147483648.0, -2147483647 - 1, true},
        {"2147483648", 2147483648.0, 7, true},
        {"99999999999999999999", 1e20, 7, true},
        {"True", 0, 0, true},
        {"False", 0, 0, false},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(Read(c.text).ToNumber(), c.number) << c.text;
        EXPECT_EQ(Read(c.text).ToInt32(7), c.whole) << c.text;
        EXPECT_EQ(Read(c.text).ToBool(), c.truth) << c.text;
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

}  // namespace
}  // namespace quorvel::test
