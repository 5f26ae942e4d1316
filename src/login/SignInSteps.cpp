#include "login/SignInSteps.h"

#include "db/Database.h"
#include "login/publicFunc.h"
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
            SignInGuest(pv, screen);
            return;
    }
}

}  // namespace quorvel::login
