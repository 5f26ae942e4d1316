#include "login/Authentication.h"

namespace quorvel::login {

SignIn CheckSignIn(const FoundLogin& found, const std::string& login, const std::string& password) {
    if (!found.found) return SignIn::InvalidLogin;
    // An empty stored password never matches: blanks typed into the box trim to an
    // empty text, and that must not open the terminal.
    if (!found.password || found.password->empty() || *found.password != TrimBlanks(password))
        return SignIn::InvalidPassword;
    if (login == "admin") return SignIn::Admin;
    if (login == "guest") return SignIn::Guest;
    return SignIn::Nothing;
}

}  // namespace quorvel::login
