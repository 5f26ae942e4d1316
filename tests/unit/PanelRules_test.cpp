// The control panel's rules that need no window and no data file.
#include <gtest/gtest.h>

#include "panel/Passwords.h"
#include "panel/UsageCharges.h"

namespace quorvel::test {
namespace {

TEST(UsageChargeRules, ASpinnerStartsFromWhatItsBoxShows) {
    struct Case {
        const char* text;
        int max;
        int expected;
    };
    for (const Case& c :
         {Case{"0", 10000, 0}, Case{"250", 10000, 250}, Case{"10000", 10000, 10000},
          Case{"12000", 10000, 10000}, Case{"99999999999999999999", 14, 14}, Case{"-5", 14, 0},
          Case{"-99999999999999999999", 14, 0}, Case{"", 14, 0}, Case{"  7", 14, 7},
          Case{"12.5", 10000, 12}, Case{"abc", 14, 0}, Case{"9 mins", 14, 9}}) {
        EXPECT_EQ(panel::SpinnerValue(c.text, c.max), c.expected) << '"' << c.text << '"';
    }
}

TEST(UsageChargeRules, RatesShowAsTheNumberStored) {
    EXPECT_EQ(panel::RateText(10), "10");
    EXPECT_EQ(panel::RateText(0), "0");
    EXPECT_EQ(panel::RateText(10000), "10000");
    EXPECT_EQ(panel::RateText(12.5), "12.5");
    EXPECT_EQ(panel::RateText(0.1), "0.1");
    EXPECT_EQ(panel::RateText(-3), "-3");
}

TEST(UsageChargeRules, TheChargeKeyFilterLetsDigitsAndControlCodesThrough) {
    for (char32_t code : {U'0', U'5', U'9', char32_t{8}, char32_t{13}, char32_t{22}, char32_t{26}})
        EXPECT_TRUE(panel::KeepsChargeKey(code)) << static_cast<int>(code);
    for (char32_t code :
         {U'a', U'-', U'.', U' ', U'+', char32_t{27}, char32_t{127}, U'\u0663', U'\u20ac'})
        EXPECT_FALSE(panel::KeepsChargeKey(code)) << static_cast<int>(code);
}

TEST(PasswordRules, AStoredPasswordOfNoneIsMatchedByAnEmptyOldBox) {
    using panel::PasswordChange;
    EXPECT_EQ(panel::CheckPasswordChange(std::nullopt, "", "n3w", "n3w"), PasswordChange::Modified);
    EXPECT_EQ(panel::CheckPasswordChange(std::nullopt, "x", "n3w", "n3w"),
              PasswordChange::InvalidOld);
    EXPECT_EQ(panel::CheckPasswordChange(std::string(), "", "n3w", "n3w"),
              PasswordChange::Modified);
}

}  // namespace
}  // namespace quorvel::test
