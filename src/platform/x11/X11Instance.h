#pragma once
// Single-instance services on X11. A per-user lock file tells a running instance;
// each instance owns a hidden, never-mapped top-level window whose WM_CLASS class is
// "ThunderRT6Main" and whose name is the application title, and a later instance
// finds the earlier one through that window.
#include <string>

#include "os/UniqueFd.h"
#include "platform/Instance.h"
#include "platform/x11/X11Util.h"

namespace quorvel::platform {

class X11Instance final : public Instance {
  public:
    // `lockPath`: the per-user lock file. `displayName` empty: $DISPLAY. Without a
    // display the lock still works and every window operation finds nothing.
    explicit X11Instance(std::string lockPath, const std::string& displayName = {});
    ~X11Instance() override;
    X11Instance(const X11Instance&) = delete;
    X11Instance& operator=(const X11Instance&) = delete;

    bool connected() const { return display_ != nullptr; }
    // The hidden main window, 0 before the first SetMainWindowTitle.
    Hwnd mainWindow() const { return mainWindow_; }

    // Takes the lock on first use; true when another process holds it.
    bool PreviousInstanceRunning() override;
    void SetMainWindowTitle(const std::string& title) override;
    // A child of the root window with this WM_CLASS class and name, searched from
    // the top of the stacking order down, both compared ignoring letter case.
    Hwnd FindWindow(const std::string& className, const std::string& title) override;
    // The top-most application window among the siblings of `window` in the stacking
    // order (XQueryTree lists children bottom-most first), as GetWindow relation 0
    // gives the top-level window highest in Z order. Application windows are the
    // shown ones that are, or whose window-manager frame holds, a client (WM_STATE);
    // the helper windows of toolkits and window managers are passed over. Without any
    // client: the top-most shown sibling, else the top-most of all.
    Hwnd FirstInZOrder(Hwnd window) override;
    // De-iconifies the client window at or below `window`. A window that was never
    // mapped is left unmapped.
    void Restore(Hwnd window) override;
    // Activates the client window at or below `window` (_NET_ACTIVE_WINDOW) and
    // raises it; a window without a client is only raised when it is shown.
    void BringToFront(Hwnd window) override;
    // Delivers what was asked of the X server, then _exit(0).
    void EndProgram() override;

  private:
    std::string lockPath_;
    os::UniqueFd lock_;
    bool lockTried_ = false;
    bool otherRunning_ = false;
    x11::UniqueDisplay display_;
    Hwnd mainWindow_ = 0;
};

}  // namespace quorvel::platform
