#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "platform/Hwnd.h"

namespace quorvel::platform {

// What a Win32 text call delivers into a buffer of `size` characters (NUL included):
// at most size - 1 characters. Embedded NULs are passed through, as a window system
// that counts its text (X11 names) can deliver them; cutting there is the caller's job.
inline std::string FitText(const std::string& text, int size) {
    if (size <= 0) return {};
    return text.substr(0, static_cast<std::size_t>(size - 1));
}

// The EnumChildWindows callback: called once per descendant with the caller's
// parameter; returning false stops the enumeration.
using EnumChildProc = std::function<bool(Hwnd window, std::intptr_t param)>;

// The text in the title of every Internet Explorer window: how the Windows window
// system (and the simulated desktop of the tests) tells browser windows.
inline constexpr const char* kInternetExplorerCaption = "Microsoft Internet Explorer";

// What the website blocker needs of the window system: the six user32 operations it
// makes on other programs' windows, and which windows are browsers. Every call on a
// window that is gone (or never was) fails quietly: empty text, empty class name,
// length 0, nothing replaced.
class WindowSystem {
  public:
    virtual ~WindowSystem() = default;
    // The text that marks an entry of the desktop's window list as a browser window
    // ("Microsoft Internet Explorer" on Windows). Empty where the window system lists
    // browser windows only, so that every window it lists is a browser's.
    virtual std::string BrowserCaption() const = 0;
    // Makes the browsers that start from now on visible to a later watch, so that one
    // started before the blocker's load is watched too (the Linux desktop's
    // accessibility switch); the others have nothing to do.
    virtual void PrepareWatching() {}
    // The blocker's load and unload. A window system that watches the browsers in the
    // background starts and stops watching here (preparing first); the others have
    // nothing to do.
    virtual void StartWatching() {}
    virtual void StopWatching() {}
    // Whether the watch of the browsers was lost for good (the guest's agent stopped answering)
    virtual bool WatchLost() const { return false; }
    // GetDesktopWindow: the window every top-level window sits under.
    virtual Hwnd DesktopWindow() = 0;
    // EnumChildWindows: calls `proc` for every descendant of `parent` (children,
    // their children and so on; each child before its own children), on the calling
    // thread, before returning.
    virtual void EnumChildWindows(Hwnd parent, const EnumChildProc& proc, std::intptr_t param) = 0;
    // GetWindowTextA with a maximum count of `maxCount` characters (NUL included):
    // at most maxCount - 1 characters of the window's text.
    virtual std::string WindowText(Hwnd window, int maxCount) = 0;
    // GetClassNameA with a maximum count of `maxCount` characters (NUL included).
    virtual std::string ClassName(Hwnd window, int maxCount) = 0;
    // SendMessageA WM_GETTEXTLENGTH (14): the length of an edit control's text.
    virtual int TextLength(Hwnd window) = 0;
    // SendMessageA WM_GETTEXT (13) into a buffer of `bufferSize` characters (NUL
    // included): at most bufferSize - 1 characters of the control's text.
    virtual std::string GetText(Hwnd window, int bufferSize) = 0;
    // SendMessageA WM_SETTEXT (12): replaces the control's text.
    virtual void SetText(Hwnd window, const std::string& text) = 0;
    // keybd_event: one Enter key-down (virtual key 13, scan code 1), delivered to
    // whatever window has the keyboard focus.
    virtual void PressEnter() = 0;
};

}  // namespace quorvel::platform
