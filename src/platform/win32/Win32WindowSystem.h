#pragma once
// The blocker's window operations on Windows: user32, called as the blocker's
// design names them.
#include "platform/WindowSystem.h"

namespace quorvel::platform {

class Win32WindowSystem final : public WindowSystem {
  public:
    // Internet Explorer's windows are the browser windows.
    std::string BrowserCaption() const override { return kInternetExplorerCaption; }
    // GetDesktopWindow.
    Hwnd DesktopWindow() override;
    // EnumChildWindows with a callback that hands each window to `proc`.
    void EnumChildWindows(Hwnd parent, const EnumChildProc& proc, std::intptr_t param) override;
    // GetWindowTextA.
    std::string WindowText(Hwnd window, int maxCount) override;
    // GetClassNameA.
    std::string ClassName(Hwnd window, int maxCount) override;
    // SendMessageA WM_GETTEXTLENGTH.
    int TextLength(Hwnd window) override;
    // SendMessageA WM_GETTEXT.
    std::string GetText(Hwnd window, int bufferSize) override;
    // SendMessageA WM_SETTEXT.
    void SetText(Hwnd window, const std::string& text) override;
    // keybd_event VK_RETURN, scan code 1, key-down only.
    void PressEnter() override;
};

}  // namespace quorvel::platform
