#include "login/Authentication.h"

#include "db/Database.h"

namespace quorvel::login {

std::string TrimBlanks(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

SignIn CheckSignIn(const db::Database* conn, const std::string& login,
                   const std::string& password) {
    if (!conn || !conn->IsOpen()) return SignIn::InvalidLogin;
    const auto row = db::FindLogin(*conn, TrimBlanks(login));
    if (!row) return SignIn::InvalidLogin;
    // An empty stored password never matches: blanks typed into the box trim to an
    // empty text, and that must not open the terminal.
    if (!row->password || row->password->empty() || *row->password != TrimBlanks(password))
        return SignIn::InvalidPassword;
    if (login == "admin") return SignIn::Admin;
    if (login == "guest") return SignIn::Guest;
    return SignIn::Nothing;
}

}  // namespace quorvel::login
