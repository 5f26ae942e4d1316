#include "startup/frmNavigation.h"

#include "blocker/frmBlocks.h"
#include "login/SignInSteps.h"
#include "login/frmstart.h"
#include "panel/frmCtrlpnl.h"
#include "session/CloseOut.h"
#include "session/frmtimer2.h"
#include "ui/Foreground.h"

namespace quorvel::ui {

void frmNavigation::ShowLock() {
    frmstart& login = forms_.Get<frmstart>();
    login.show();
    login.raise();
    login.activateWindow();
    // The lock first: the switch may wait a moment for the desktop's bus.
    login::PrepareBlocking(pv_);
}

void frmNavigation::CloseLock() {
    forms_.Unload<frmstart>();
}

void frmNavigation::OpenPanel() {
    ShowInFront(forms_.Get<frmCtrlpnl>(), pv_.os.instance);
}

void frmNavigation::LoadBlocker() {
    forms_.Get<frmBlocks>();
}

void frmNavigation::StartSession() {
    forms_.Get<frmtimer2>().show();
}

void frmNavigation::EndSession() {
    // The blocker goes first: no address is rewritten once the session has ended.
    if (forms_.IsLoaded<frmBlocks>()) forms_.Unload<frmBlocks>();
    forms_.Unload<frmtimer2>();
    ShowLock();
    // The session is booked and the lock is up: nothing the guest left (programs, tabs,
    // cookies, downloads) may reach the next one. Where the desktop is reset, the lock
    // comes back on the fresh desktop's display.
    session::FreshDesktopAfterSession(pv_);
}

bool frmNavigation::EndSessionUnwatched() {
    if (!forms_.IsLoaded<frmtimer2>()) return false;
    return forms_.Get<frmtimer2>().LogOut(session::SessionEnd::WatchLost);
}

}  // namespace quorvel::ui
