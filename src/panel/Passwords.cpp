#include "panel/Passwords.h"

namespace quorvel::panel {

PasswordChange CheckPasswordChange(const std::optional<std::string>& stored,
                                   const std::string& oldText, const std::string& newText,
                                   const std::string& confirmText) {
    if (oldText != stored.value_or(std::string())) return PasswordChange::InvalidOld;
    const std::string trimmedNew = login::TrimBlanks(newText);
    if (trimmedNew.empty() || trimmedNew != newText) return PasswordChange::InvalidNew;
    if (login::TrimBlanks(confirmText).empty() || confirmText != newText)
        return PasswordChange::InvalidConfirm;
    return PasswordChange::Modified;
}

PasswordChange ChangePassword(PanelData& data, const std::string& login, const std::string& oldText,
                              const std::string& newText, const std::string& confirmText) {
    const login::FoundLogin row = data.FindLogin(login);
    if (!row.found) return PasswordChange::NoSuchLogin;
    const PasswordChange checked = CheckPasswordChange(row.password, oldText, newText, confirmText);
    if (checked != PasswordChange::Modified) return checked;
    return data.SetPassword(login, confirmText) ? PasswordChange::Modified
                                                : PasswordChange::NotStored;
}

std::string PasswordMessage(PasswordChange result, const std::string& login) {
    switch (result) {
        case PasswordChange::Modified:
            return "Password successfully modified";
        case PasswordChange::InvalidOld:
            return "Invalid Old Password";
        case PasswordChange::InvalidNew:
            return "Invalid New Password";
        case PasswordChange::InvalidConfirm:
            return "Invalid Password";
        case PasswordChange::NoSuchLogin:
            return "The login \"" + login +
                   "\" is not in the data file, or the data file cannot be read. "
                   "The password was not changed.";
        case PasswordChange::NotStored:
            return "The data file did not accept the new password. "
                   "The password of \"" +
                   login + "\" was not changed.";
    }
    return {};
}

}  // namespace quorvel::panel
