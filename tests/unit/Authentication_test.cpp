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

TEST(SignIn, DecidesTheMessageAndTheBranch) {
    struct Case {
        FoundLogin found;
        const char* login;
        const char* typed;
        SignIn expected;
    };
    const Case cases[] = {
        {Stored("Secret1"), "admin", "Secret1", SignIn::Admin},
        {Stored("pass"), "guest", "pass", SignIn::Guest},
        // A login not found is invalid whatever the password.
        {kNotFound, "admin", "Secret1", SignIn::InvalidLogin},
        {kNotFound, "", "", SignIn::InvalidLogin},
        // The password is exact after trimming the blanks typed around it ...
        {Stored("Secret1"), "admin", "secret1", SignIn::InvalidPassword},
        {Stored("Secret1"), "admin", "Secret", SignIn::InvalidPassword},
        {Stored("Secret1"), "admin", "  Secret1  ", SignIn::Admin},
        {Stored("pass"), "guest", "pass\t", SignIn::InvalidPassword},
        // ... and the stored one is not trimmed.
        {Stored("pass "), "guest", "pass ", SignIn::InvalidPassword},
        // An empty stored password never matches.
        {Stored(std::nullopt), "guest", "", SignIn::InvalidPassword},
        {Stored(std::nullopt), "guest", "   ", SignIn::InvalidPassword},
        {Stored(""), "guest", "", SignIn::InvalidPassword},
        {Stored(""), "guest", "   ", SignIn::InvalidPassword},
        // The branch takes the login as typed: any other valid login does nothing.
        {Stored("Secret1"), " admin", "Secret1", SignIn::Nothing},
        {Stored("Secret1"), "admin ", "Secret1", SignIn::Nothing},
        {Stored("Secret1"), "ADMIN", "Secret1", SignIn::Nothing},
        {Stored("pass"), "Guest", "pass", SignIn::Nothing},
        {Stored("till"), "cashier", "till", SignIn::Nothing},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckSignIn(c.found, c.login, c.typed), c.expected)
            << '"' << c.login << "\" \"" << c.typed << '"';
}

}  // namespace
}  // namespace quorvel::test
