#pragma once
// The lockdown services on Windows: the shell's own taskbar, clock and notify area,
// the screen-saver-running state that holds back Ctrl+Alt+Del on Windows 9x, and
// the 9x service-process registration that takes the program off the task list.
#include "platform/Desktop.h"

namespace quorvel::platform {

class Win32Desktop final : public Desktop {
  public:
    void ShowTaskbar(int showCommand) override;
    void SetScreenSaverRunning(bool running, bool writeProfile) override;
    // The state cannot be taken away from a Windows program; nothing to re-apply.
    void KeepScreenSaverRunning() override {}
    void RegisterServiceProcess() override;
    void ShowTrayClock(int showCommand) override;
    void FlashNotifyIcon(std::uintptr_t window) override;
    bool SetTopMost(std::uintptr_t window, bool topMost) override;
};

}  // namespace quorvel::platform
