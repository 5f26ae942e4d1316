#pragma once
#include <string>

#include "platform/Hwnd.h"

namespace quorvel::platform {

// Single-instance services: an earlier instance is found through the hidden main
// window each instance owns.
class Instance {
  public:
    virtual ~Instance() = default;
    // True when another instance of the program already runs for this user.
    virtual bool PreviousInstanceRunning() = 0;
    // Creates (or retitles) this instance's hidden main window.
    virtual void SetMainWindowTitle(const std::string& title) = 0;
    // FindWindowA: a top-level window with this class and title, or 0.
    virtual Hwnd FindWindow(const std::string& className, const std::string& title) = 0;
    // GetWindow relation 0: the first window in Z order at the same level.
    virtual Hwnd FirstInZOrder(Hwnd window) = 0;
    virtual void Restore(Hwnd window) = 0;       // OpenIcon
    virtual void BringToFront(Hwnd window) = 0;  // SetForegroundWindow
    // Ends this process at once: no further event, no unload, no clean-up, but what
    // was asked of the window system above is delivered first. Returns only in tests.
    virtual void EndProgram() = 0;
};

}  // namespace quorvel::platform
