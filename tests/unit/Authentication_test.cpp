// The sign-in decision: which message, which branch.
#include "login/Authentication.h"

#include <gtest/gtest.h>

namespace quorvel::test {
namespace {

using login::CheckSignIn;
using login::FoundLogin;
using login::SignIn;

const FoundLogin kNotFound{};
FoundLogin Stored(std::optional<std::string> password) {
    return {true, std::move(password)};
}

TEST(SignIn, TheTwoLoginsBranchOnTheirRightPasswords) {
    EXPECT_EQ(CheckSignIn(Stored("Secret1"), "admin", "Secret1"), SignIn::Admin);
    EXPECT_EQ(CheckSignIn(Stored("pass"), "guest", "pass"), SignIn::Guest);
}

TEST(SignIn, ALoginNotFoundIsInvalidWhateverThePassword) {
    EXPECT_EQ(CheckSignIn(kNotFound, "admin", "Secret1"), SignIn::InvalidLogin);
    EXPECT_EQ(CheckSignIn(kNotFound, "", ""), SignIn::InvalidLogin);
}

TEST(SignIn, PasswordIsExactAfterTrimmingWhatWasTyped) {
    EXPECT_EQ(CheckSignIn(Stored("Secret1"), "admin", "secret1"), SignIn::InvalidPassword);
    EXPECT_EQ(CheckSignIn(Stored("Secret1"), "admin", "Secret"), SignIn::InvalidPassword);
    EXPECT_EQ(CheckSignIn(Stored("Secret1"), "admin", "  Secret1  "), SignIn::Admin);
    EXPECT_EQ(CheckSignIn(Stored("pass"), "guest", "pass\t"), SignIn::InvalidPassword);
    // The stored value is not trimmed.
    EXPECT_EQ(CheckSignIn(Stored("pass "), "guest", "pass "), SignIn::InvalidPassword);
}

TEST(SignIn, AnEmptyStoredPasswordNeverMatches) {
    for (const auto& stored : {Stored(std::nullopt), Stored("")}) {
        EXPECT_EQ(CheckSignIn(stored, "guest", ""), SignIn::InvalidPassword);
        EXPECT_EQ(CheckSignIn(stored, "guest", "   "), SignIn::InvalidPassword);
    }
}

TEST(SignIn, TheBranchTakesTheLoginAsTyped) {
    EXPECT_EQ(CheckSignIn(Stored("Secret1"), " admin", "Secret1"), SignIn::Nothing);
    EXPECT_EQ(CheckSignIn(Stored("Secret1"), "admin ", "Secret1"), SignIn::Nothing);
    EXPECT_EQ(CheckSignIn(Stored("Secret1"), "ADMIN", "Secret1"), SignIn::Nothing);
    EXPECT_EQ(CheckSignIn(Stored("pass"), "Guest", "pass"), SignIn::Nothing);
    EXPECT_EQ(CheckSignIn(Stored("till"), "cashier", "till"), SignIn::Nothing);
}

TEST(TrimBlanks, RemovesOnlyLeadingAndTrailingBlanks) {
    EXPECT_EQ(login::TrimBlanks("  a b  "), "a b");
    EXPECT_EQ(login::TrimBlanks("   "), "");
    EXPECT_EQ(login::TrimBlanks("\ta\t"), "\ta\t");
}

}  // namespace
}  // namespace quorvel::test
