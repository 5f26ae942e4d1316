#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace quorvel::platform {

using Hwnd = std::uintptr_t;

// What the website blocker needs of the window system.
class WindowSystem {
  public:
    virtual ~WindowSystem() = default;
    // The desktop window (GetDesktopWindow).
    virtual Hwnd DesktopWindow() = 0;
    // Every descendant of `parent`, depth first, as EnumChildWindows gives them.
    virtual std::vector<Hwnd> ChildWindows(Hwnd parent) = 0;
    // GetWindowTextA into a buffer of `bufferSize` characters (NUL included).
    virtual std::string WindowText(Hwnd window, int bufferSize) = 0;
    // GetClassNameA into a buffer of `bufferSize` characters.
    virtual std::string ClassName(Hwnd window, int bufferSize) = 0;
    // WM_GETTEXTLENGTH (14).
    virtual int TextLength(Hwnd window) = 0;
    // WM_GETTEXT (13) into a buffer of `bufferSize` characters.
    virtual std::string GetText(Hwnd window, int bufferSize) = 0;
    // WM_SETTEXT (12).
    virtual void SetText(Hwnd window, const std::string& text) = 0;
    // keybd_event: Enter key-down (virtual key 13, scan code 1).
    virtual void PressEnter() = 0;
};

}  // namespace quorvel::platform
