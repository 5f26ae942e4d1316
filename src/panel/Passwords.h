#pragma once
// The Passwords tab's rules: changing the administrator's or the guest's password.
#include <optional>
#include <string>

#include "panel/PanelData.h"

namespace quorvel::panel {

enum class PasswordChange {
    Modified,        // stored
    InvalidOld,      // the old password is not the stored one
    InvalidNew,      // the new password is blank, or has a blank at either end
    InvalidConfirm,  // the confirmation is blank or differs from the new password
    NoSuchLogin,     // the data file has no row for the login (or cannot be read)
    NotStored,       // the data file refused the new password
};

// The three checks, in order, the first failing one deciding. `stored` is the row's
// password (nullopt: none stored, which an empty Old box matches). Old is compared as
// typed; New must hold something other than blanks and, because the login screen
// ignores blanks around what is typed there, must not begin or end with one; Confirm
// must equal New exactly.
PasswordChange CheckPasswordChange(const std::optional<std::string>& stored,
                                   const std::string& oldText, const std::string& newText,
                                   const std::string& confirmText);

// Command10 / Command14: looks the login up, checks, and stores the confirmation as
// typed.
PasswordChange ChangePassword(PanelData& data, const std::string& login, const std::string& oldText,
                              const std::string& newText, const std::string& confirmText);

// The message the owner reads for a result.
std::string PasswordMessage(PasswordChange result, const std::string& login);

}  // namespace quorvel::panel
