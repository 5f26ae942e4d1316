#include "login/SignInSteps.h"

#include "db/Database.h"
#include "login/publicFunc.h"
#include "session/CloseOut.h"
#include "store/publicVar.h"

namespace quorvel::login {

namespace {

// The message box is modal: while it is up the screen lets go of the top, so the box
// shows above it, and takes the top back once the box is answered.
void Refuse(store::publicVar& pv, LoginScreen& screen, const std::string& text, Box box) {
    platform::Desktop& desktop = pv.os.desktop;
    screen.HoldLock(false);
    desktop.SetTopMost(screen.Handle(), false);
    screen.Warn(text);
    desktop.SetTopMost(screen.Handle(), true);
    screen.HoldLock(true);
    screen.Correct(box);
}

void SignInAdmin(store::publicVar& pv, LoginScreen& screen) {
    HideTrayClock(pv, false, screen.Handle());
    screen.HoldLock(false);
    LockDesktop(pv, kUnlock);
    screen.ClearBoxes();
    screen.Hide();
    screen.OpenControlPanel();
}

void SignInGuest(store::publicVar& pv, LoginScreen& screen) {
    pv.CurrentUser = "guest";
    // The blocker is loaded before the desktop is released: loading it is what makes
    // the browsers a guest starts show their windows to it, and a guest gets no chance
    // to start one earlier.
    if (BlockingOn(pv)) screen.LoadBlocker();
    LockDesktop(pv, kUnlock);
    HideTrayClock(pv, true, screen.Handle());
    screen.HoldLock(false);
    pv.os.desktop.SetTopMost(screen.Handle(), false);
    screen.ClearBoxes();
    screen.Hide();
    screen.ProcessPendingEvents();
    screen.StartSession();
}

// A guest's session starts over the Timers key, so one left there unbooked (the data
// file refused it at its Logout and again at the lock's close-out) would be written
// over and lost. It is tried once more now. The guest signs in only once it is booked
// and its guest's desktop is gone: a cut-off session's fresh desktop, asked for just
// now, brings the lock back on it.
bool LastSessionClosed(store::publicVar& pv) {
    const auto timers = [&pv](const char* name) {
        return pv.settings.ReadSetting(platform::kHkeyCurrentUser, store::kTimersKey, name)
            .ToNumber();
    };
    if (timers("Status") != 1) return true;
    const bool desktopFresh = timers(session::kFreshDesktop) == 1;
    return session::CloseOutSession(pv) && desktopFresh;
}

}  // namespace

bool BlockingOn(const store::publicVar& pv) {
    return pv.settings.ReadSetting(platform::kHkeyCurrentUser, store::kSettingsKey, "Blocking")
        .ToBool();
}

void PrepareBlocking(store::publicVar& pv) {
    if (BlockingOn(pv)) pv.os.windows.PrepareWatching();
}

FoundLogin LookUpLogin(const store::publicVar& pv, const std::string& login) {
    db::Database* conn = db::IfOpen(pv.Conn);
    if (!conn) return {};
    const auto row = db::FindLogin(*conn, login);
    if (!row) return {};
    return {true, row->password};
}

void SignInWith(store::publicVar& pv, LoginScreen& screen, const std::string& typedLogin,
                const std::string& typedPassword) {
    const FoundLogin found = LookUpLogin(pv, TrimBlanks(typedLogin));
    switch (CheckSignIn(found, typedLogin, typedPassword)) {
        case SignIn::InvalidLogin:
            Refuse(pv, screen, "Invalid Login", Box::Login);
            return;
        case SignIn::InvalidPassword:
            Refuse(pv, screen, "Invalid Password", Box::Password);
            return;
        case SignIn::Nothing:
            return;
        case SignIn::Admin:
            SignInAdmin(pv, screen);
            return;
        case SignIn::Guest:
            if (!LastSessionClosed(pv)) {
                Refuse(pv, screen, kLastSessionOpen, Box::Login);
                return;
            }
            SignInGuest(pv, screen);
            return;
    }
}

}  // namespace quorvel::login
