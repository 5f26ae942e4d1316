#include "login/publicFunc.h"

namespace quorvel::login {

void LockDesktop(store::publicVar& pv, std::uint8_t mode) {
    platform::Desktop& desktop = pv.os.desktop;
    desktop.ShowTaskbar(mode);
    if (mode == kLock)
        desktop.SetScreenSaverRunning(true, true);
    else if (mode == kUnlock)
        desktop.SetScreenSaverRunning(false, false);
    if (pv.OsVersion <= kLastServiceProcessVersion) desktop.RegisterServiceProcess();
}

void HideTrayClock(store::publicVar& pv, bool hide, std::uintptr_t window) {
    platform::Desktop& desktop = pv.os.desktop;
    desktop.ShowTrayClock(hide ? 0 : 1);
    desktop.FlashNotifyIcon(window);
}

}  // namespace quorvel::login
