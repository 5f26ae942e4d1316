#pragma once
// The shell-level services the login screen holds the desktop with while nobody is
// signed in, and releases it with at sign-in. Pure sequences of platform calls over
// the Desktop interface; nothing here is stored.
#include <cstdint>

#include "store/publicVar.h"

namespace quorvel::login {

inline constexpr std::uint8_t kLock = 0;
inline constexpr std::uint8_t kUnlock = 1;

// The last version of the Windows 9x family (Me); NT 4 (4.0) falls under it too.
inline constexpr double kLastServiceProcessVersion = 4.9;

// Mode 0 hides the taskbar and sets the screen-saver-running state, mode 1 shows the
// taskbar and clears the state. On Windows 9x the program registers as a service
// process in both modes (it is never unregistered).
void LockDesktop(store::publicVar& pv, std::uint8_t mode);

// Hides or shows the taskbar clock, then adds and at once removes a notify icon for
// `window`, so the tray redraws without an icon of ours left behind.
void HideTrayClock(store::publicVar& pv, bool hide, std::uintptr_t window);

}  // namespace quorvel::login
