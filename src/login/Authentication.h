#pragma once
// The sign-in check of the login screen, without the screen or the data file.
#include <optional>
#include <string>

#include "platform/AsciiText.h"

namespace quorvel::login {

// The longest login and password the boxes take. One password length serves both the
// login screen and the Passwords tab, so a password set there can always be typed here.
inline constexpr int kLoginMaxLength = 15;
inline constexpr int kPasswordMaxLength = 10;

enum class SignIn {
    InvalidLogin,     // no such login, or the lookup failed
    InvalidPassword,  // wrong password, or none stored
    Admin,            // "admin": the control panel
    Guest,            // "guest": a timed session
    Nothing,          // a valid login that is neither, as typed: the screen stays
};

// What the login lookup found for the trimmed login text.
struct FoundLogin {
    bool found = false;                   // false: no such login, or the lookup failed
    std::optional<std::string> password;  // nullopt: none stored
};

// `login` and `password` are the boxes' texts as typed; `found` is the lookup of the
// login with leading and trailing blanks removed (the data file ignores letter case).
// The password is compared exactly with the typed one, blanks around it removed; the
// branch is taken on the login exactly as typed, so " admin" or "ADMIN" pass the
// check and then do nothing.
SignIn CheckSignIn(const FoundLogin& found, const std::string& login, const std::string& password);

// The login and the password are trimmed of spaces only (platform/AsciiText.h).
using platform::TrimBlanks;

}  // namespace quorvel::login
