// The byte-text rules every layer shares: ASCII letter case, the blanks a typed text is
// trimmed of, and a byte's %XX form.
#include <gtest/gtest.h>

#include <string>

#include "login/Authentication.h"
#include "panel/NamedValues.h"
#include "panel/Passwords.h"
#include "platform/AsciiText.h"

namespace quorvel::test {
namespace {

TEST(AsciiText, TrimBlanksTakesSpacesOnly) {
    struct Case {
        std::string text, trimmed;
    };
    for (const Case& c : {Case{"  a b  ", "a b"}, Case{"   ", ""}, Case{"", ""},
                          Case{"\ta\t", "\ta\t"}, Case{" \tpass\t ", "\tpass\t"}, Case{"x", "x"},
                          Case{std::string(" \0 ", 3), std::string("\0", 1)}})
        EXPECT_EQ(platform::TrimBlanks(c.text), c.trimmed) << '"' << c.text << '"';
}

TEST(AsciiText, LetterCaseOfAsciiLettersOnly) {
    struct Case {
        std::string a, b;
        bool same;
    };
    for (const Case& c :
         {Case{"ThunderRT6Main", "thunderrt6main", true}, Case{"AZaz09", "azAZ09", true},
          Case{"abc", "abd", false}, Case{"abc", "abcd", false}, Case{"", "", true},
          // The bytes just outside the letters, and non-ASCII letters, are not folded.
          Case{"@", "`", false}, Case{"[", "{", false}, Case{"\xC4", "\xE4", false}}) {
        EXPECT_EQ(platform::EqualsIgnoringAsciiCase(c.a, c.b), c.same) << c.a << " " << c.b;
        EXPECT_EQ(platform::AsciiLowered(c.a) == platform::AsciiLowered(c.b), c.same)
            << c.a << " " << c.b;
    }
}

TEST(AsciiText, PercentEncodedByte) {
    std::string out = "x";
    for (const unsigned char byte : {0x00, 0x20, 0x7F, 0xAB, 0xFF})
        platform::AppendPercentEncoded(out, byte);
    EXPECT_EQ(out, "x%00%20%7F%AB%FF");
}

// The sign-in and the panel's lists used to trim differently (the lists took tabs
// too). One rule: a tab at the edge is part of the text everywhere.
TEST(AsciiText, ATabAtTheEdgeIsPartOfTheTextForSignInAndLists) {
    const std::string password = "\tpass";
    EXPECT_EQ(panel::CheckPasswordChange(std::string("old"), "old", password, password),
              panel::PasswordChange::Modified);
    const login::FoundLogin stored{.found = true, .password = password};
    EXPECT_EQ(login::CheckSignIn(stored, "guest", " " + password + " "), login::SignIn::Guest);
    EXPECT_EQ(login::CheckSignIn(stored, "guest", "pass"), login::SignIn::InvalidPassword);

    EXPECT_FALSE(panel::SameListedName("\tnews", "news"));
    EXPECT_TRUE(panel::SameListedName(" News ", "news"));
}

}  // namespace
}  // namespace quorvel::test
