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

// What the website blocker needs of the window system: the six user32 operations it
// makes on other programs' windows. Every call on a window that is gone (or never
// was) fails quietly: empty text, empty class name, length 0, nothing replaced.
class WindowSystem {
  public:
    virtual ~WindowSystem() = default;
    // False where no program's edit controls can be read (X11): there no address can
    // ever be found, so a blocker tick could never act.
    virtual bool HasEditControls() const = 0;
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
