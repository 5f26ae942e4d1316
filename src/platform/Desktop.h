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
    // Re-applies a set screen-saver-running state where the system can take it away
    // behind the program's back (on X11 another client's grab, or one of our own
    // popups ending its grab); does nothing where the state cannot be lost. The login
    // screen calls it from its 50 ms timer.
    virtual void KeepScreenSaverRunning() = 0;
    // Windows 9x only; elsewhere it fails and the failure is ignored.
    virtual void RegisterServiceProcess() = 0;
    // Show command 0 hides the taskbar clock, 1 shows it.
    virtual void ShowTrayClock(int showCommand) = 0;
    // Adds and at once removes a notify icon carrying the window's own icon.
    virtual void FlashNotifyIcon(std::uintptr_t window) = 0;
    // Keeps a window above all others (insertAfter -1) or not (-2). False when the
    // window no longer exists (another program destroyed it), so that its owner can
    // make it again.
    virtual bool SetTopMost(std::uintptr_t window, bool topMost) = 0;

    // The lock at rest: the screen-saver-running state is held, the last window kept
    // top-most is still there and on top, and nothing that could undo either has
    // happened since the previous call. While it is, the login screen stops its timer
    // until LockEventDescriptor becomes readable, so a kiosk waiting for a sign-in
    // does no work. Where the system cannot tell (the default), false: the caller
    // keeps checking every tick.
    virtual bool LockSettled() { return false; }
    // A descriptor that becomes readable when something may have disturbed the lock;
    // -1 where there is none. Reading it is LockSettled's job.
    virtual int LockEventDescriptor() { return -1; }
};

}  // namespace quorvel::platform
