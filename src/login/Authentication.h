#pragma once
// The sign-in check of the login screen, without the screen.
#include <string>

namespace quorvel::db {
class Database;
}

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

// `login` and `password` are the boxes' texts as typed. The lookup and the password
// comparison use them with leading and trailing blanks removed (the lookup ignores
// letter case, as the data file does); the branch is taken on the login exactly as
// typed, so " admin" or "ADMIN" pass the check and then do nothing.
SignIn CheckSignIn(const db::Database* conn, const std::string& login,
                   const std::string& password);

// Leading and trailing blanks removed (blanks only, not tabs).
std::string TrimBlanks(const std::string& text);

}  // namespace quorvel::login
