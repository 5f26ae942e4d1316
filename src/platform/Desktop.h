#pragma once
#include <cstdint>

namespace quorvel::platform {

// Shell-level services that hold the desktop while nobody is signed in.
class Desktop {
  public:
    virtual ~Desktop() = default;
    // Show command 0 hides the taskbar, 1 shows it.
    virtual void ShowTaskbar(int showCommand) = 0;
    // The screen-saver-running state: while set, the system's hot keys are held back.
    virtual void SetScreenSaverRunning(bool running, bool writeProfile) = 0;
    // Windows 9x only; elsewhere it fails and the failure is ignored.
    virtual void RegisterServiceProcess() = 0;
    // Show command 0 hides the taskbar clock, 1 shows it.
    virtual void ShowTrayClock(int showCommand) = 0;
    // Adds and at once removes a notify icon for the given window.
    virtual void FlashNotifyIcon(std::uintptr_t window, std::uintptr_t icon) = 0;
    // Keeps a window above all others (insertAfter -1) or not (-2).
    virtual void SetTopMost(std::uintptr_t window, bool topMost) = 0;
};

}  // namespace quorvel::platform
