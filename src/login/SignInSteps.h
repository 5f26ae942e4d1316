#pragma once
// What the login screen's Enter button does, step by step, without the screen: the
// lookup, the check, and for each outcome the order in which the desktop is given back,
// the screen steps aside and the next window opens. The screen does its own part
// through `LoginScreen`; the desktop calls go through the platform.
#include <cstdint>
#include <string>

#include "login/Authentication.h"

namespace quorvel::store {
class publicVar;
}

namespace quorvel::login {

// Why a guest cannot sign in while the last session is not in the day's totals.
inline constexpr const char* kLastSessionOpen =
    "The last session is not recorded yet. Please try again, or call the staff.";

// The box a refused sign-in sends the user back to.
enum class Box { Login, Password };

// The login screen's own part in a sign-in, each done when the rule calls it.
class LoginScreen {
  public:
    virtual ~LoginScreen() = default;
    // The screen's window, for the desktop calls made on its behalf.
    virtual std::uintptr_t Handle() = 0;
    // Starts or stops holding the desktop (the top-most timer).
    virtual void HoldLock(bool hold) = 0;
    // The exclamation box with `text` and the application title, until it is answered.
    virtual void Warn(const std::string& text) = 0;
    // The focus into `box`, its whole text selected.
    virtual void Correct(Box box) = 0;
    // Both boxes emptied.
    virtual void ClearBoxes() = 0;
    virtual void Hide() = 0;
    // What the window system has queued is handled (the hidden screen goes away).
    virtual void ProcessPendingEvents() = 0;
    // The windows a sign-in opens.
    virtual void LoadBlocker() = 0;
    virtual void OpenControlPanel() = 0;
    virtual void StartSession() = 0;
};

// The stored row of `login` in the shared data file: not found when there is no such
// login, when the lookup fails or when the data file is not open.
FoundLogin LookUpLogin(const store::publicVar& pv, const std::string& login);

// Whether a guest's session is to be watched by the website blocker (the setting
// Blocking).
bool BlockingOn(const store::publicVar& pv);

// While the lock is up, before anyone signs in: with blocking on, the browsers that
// start from now on are made visible to the blocker. A guest's desktop may start its
// browser before the sign-in, and a browser that started unseen stays unseen.
void PrepareBlocking(store::publicVar& pv);

// The Enter button, given the boxes' texts as typed: looks the login up (blanks around
// it removed), checks the password, then signs the guest or the administrator in, or
// sends the user back to the box to correct. A guest is sent back while the last
// session is not booked (the administrator is not: the control panel is where to see
// why).
void SignInWith(store::publicVar& pv, LoginScreen& screen, const std::string& typedLogin,
                const std::string& typedPassword);

}  // namespace quorvel::login
