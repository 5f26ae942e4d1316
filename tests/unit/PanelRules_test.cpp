// The control panel's rules that need no window and no data file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "panel/NotesAndLogs.h"
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
    for (const auto& [rate, shown] : std::vector<std::pair<double, std::string>>{
             {10, "10"}, {0, "0"}, {10000, "10000"}, {12.5, "12.5"}, {0.1, "0.1"}, {-3, "-3"}})
        EXPECT_EQ(panel::RateText(rate), shown);
}

TEST(UsageChargeRules, TheChargeKeyFilterLetsDigitsAndControlCodesThrough) {
    for (char32_t code : {U'0', U'5', U'9', char32_t{8}, char32_t{13}, char32_t{22}, char32_t{26},
                          char32_t{27}, char32_t{127}})
        EXPECT_TRUE(panel::KeepsChargeKey(code)) << static_cast<int>(code);
    for (char32_t code : {U'a', U'-', U'.', U' ', U'+', char32_t{128}, U'\u0663', U'\u20ac'})
        EXPECT_FALSE(panel::KeepsChargeKey(code)) << static_cast<int>(code);
}

// Open and Save change no byte the owner did not edit; an edited line takes the
// file's own line break.
TEST(NotesRules, WhatSaveWritesKeepsTheUneditedBytesAndTheFilesLineBreaks) {
    struct Case {
        const char* what;
        std::string loaded;  // the file's bytes
        std::string shown;   // the box after loading
        std::string typed;   // the box at Save
        std::string saved;
    };
    const std::string bad("\xC3(", 2);  // shown as a replacement mark
    const std::string mark = "\xEF\xBF\xBD(";
    for (const Case& c : std::vector<Case>{
             {"untouched", "a\r\nb\rc\n" + bad, "a\nb\nc\n" + mark, "a\nb\nc\n" + mark,
              "a\r\nb\rc\n" + bad},
             {"line added at the end of CR LF notes", "a\r\nb", "a\nb", "a\nb\nc", "a\r\nb\r\nc"},
             {"line inserted in the middle", "a\r\nb\r\n", "a\nb\n", "a\nnew\nb\n",
              "a\r\nnew\r\nb\r\n"},
             {"edit beside an undecodable line", bad + "\r\nold\r\nz", mark + "\nold\nz",
              mark + "\nnew\nz", bad + "\r\nnew\r\nz"},
             {"mixed breaks: each kept line keeps its own", "a\nb\r\nc\r\nd", "a\nb\nc\nd",
              "a\nB\nc\nd", "a\nB\r\nc\r\nd"},
             {"lone CRs", "a\rb\r", "a\nb\n", "a\nb\nc", "a\rb\rc"},
             {"last line cut off", "a\r\nb\r\nc", "a\nb\nc", "a\nb", "a\r\nb"},
             {"typed into an empty file", "", "", "a\nb", "a\nb"},
             {"a line break the box adds of its own",
              "a\xE2\x80\xA9"
              "b\r\nc",
              "a\nb\nc", "a\nb\nc!", "a\r\nb\r\nc!"},
         }) {
        EXPECT_EQ(panel::NotesToSave(c.loaded, c.shown, c.typed), c.saved) << c.what;
    }
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
