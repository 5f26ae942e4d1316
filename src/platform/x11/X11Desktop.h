#pragma once
// The lockdown services on an X11 desktop.
//
// - Taskbar: every top-level window of type _NET_WM_WINDOW_TYPE_DOCK (panels, docks).
//   Hiding unmaps each mapped one, showing maps each unmapped one again.
// - Screen-saver-running state: an active keyboard and pointer grab on the root window,
//   the way X11 screen lockers hold the input. While it is held, the window manager's
//   key bindings (Alt+Tab, Alt+F4, the Super key) and every other client see no input;
//   our own windows still get theirs because the grab reports owner events. Taking
//   the grab is retried by KeepScreenSaverRunning until it holds, and taken again if
//   something broke it; clearing the state releases it. It also gives the keyboard
//   focus back to the window kept top-most when another window took it, since the
//   grab reports keys meant for other clients on the root, where nobody reads them.
// - Service process, tray clock and notify icon: X11 has no counterpart; they do
//   nothing.
// - Top-most: the EWMH _NET_WM_STATE_ABOVE state plus a raise request.
// - Lock events: a connection of its own watches the window last kept top-most and
//   the root window for what could undo the lock (the window unmapped, destroyed or
//   obscured, its state changed, the focus leaving it, a grab ending), so the login
//   screen's timer can rest while nothing happens. A grab's end is told on the root
//   window: focus for the keyboard, crossing for the pointer (which the full-screen
//   lock window keeps over itself; over the bare root its end would pass unseen). The
//   lock rests only after a round trip on that connection has shown the server acted
//   on every selection and sent every event from before.
#include <cstdint>
#include <vector>

#include "platform/Desktop.h"
#include "platform/x11/X11Util.h"

typedef struct _XDisplay Display;

namespace quorvel::platform {

class X11Desktop final : public Desktop {
  public:
    // The grab must belong to the connection whose windows take the keys, so the
    // program passes its toolkit's own display connection; it stays the caller's.
    explicit X11Desktop(Display* display);
    X11Desktop(const X11Desktop&) = delete;
    X11Desktop& operator=(const X11Desktop&) = delete;
    // Releases a grab still held.
    ~X11Desktop() override;

    void ShowTaskbar(int showCommand) override;
    void SetScreenSaverRunning(bool running, bool writeProfile) override;
    void KeepScreenSaverRunning() override;
    void RegisterServiceProcess() override {}
    void ShowTrayClock(int) override {}
    void FlashNotifyIcon(std::uintptr_t) override {}
    bool SetTopMost(std::uintptr_t window, bool topMost) override;
    bool LockSettled() override;
    int LockEventDescriptor() override;

    // True while both grabs are held (as far as this client knows).
    bool InputGrabbed() const { return keyboardGrabbed_ && pointerGrabbed_; }

  private:
    std::vector<unsigned long> DockWindows() const;
    void TakeGrabs();
    void TakeFocus();
    void ReleaseGrabs();
    // Watches `window` (and the root window) for lock events from now on.
    void Watch(unsigned long window);
    // Reads every lock event that came: true if one could have undone the lock.
    bool Disturbed();

    Display* display_;
    x11::UniqueConnection watch_;
    unsigned long watched_ = 0;
    unsigned long root_ = 0;
    std::uint32_t wmState_ = 0;
    bool onTop_ = false;  // the last SetTopMost(..., true) found the window
    bool locked_ = false;
    bool keyboardGrabbed_ = false;
    bool pointerGrabbed_ = false;
};

}  // namespace quorvel::platform
