#pragma once
// The blocker's window operations on an X server.
//
// What X11 offers: every window under the root with its name (_NET_WM_NAME, else
// WM_NAME), every descendant of a window, the class from WM_CLASS, and a synthesized
// Enter key through the XTest extension. What it does not offer: edit controls. An X
// client draws its own text fields; no other program can read or replace what is
// typed in them. So here an edit control's text length is always 0, its text always
// empty and replacing it does nothing: the blocker finds no address to stop on X11.
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/WindowSystem.h"
#include "platform/x11/X11Util.h"

namespace quorvel::platform {

class X11WindowSystem final : public WindowSystem {
  public:
    // Connects to `displayName` (empty: the DISPLAY environment variable). Without a
    // server every window operation finds nothing.
    explicit X11WindowSystem(const std::string& displayName = {});
    ~X11WindowSystem() override;
    X11WindowSystem(const X11WindowSystem&) = delete;
    X11WindowSystem& operator=(const X11WindowSystem&) = delete;

    bool Connected() const { return connection_ != nullptr; }

    // No edit controls on X11.
    bool HasEditControls() const override { return false; }
    // The root window of the default screen.
    Hwnd DesktopWindow() override;
    void EnumChildWindows(Hwnd parent, const EnumChildProc& proc, std::intptr_t param) override;
    std::string WindowText(Hwnd window, int maxCount) override;
    // The class part of WM_CLASS (the second of its two names).
    std::string ClassName(Hwnd window, int maxCount) override;
    // No edit controls on X11: 0.
    int TextLength(Hwnd window) override;
    // No edit controls on X11: empty.
    std::string GetText(Hwnd window, int bufferSize) override;
    // No edit controls on X11: nothing is replaced.
    void SetText(Hwnd window, const std::string& text) override;
    // A press and a release of Return through XTest, to the focused window.
    void PressEnter() override;

  private:
    // A window's name as read from the server.
    struct Name {
        std::string text;
        bool complete = true;  // false: the name is longer than what was read
    };
    using Snapshot = std::unordered_map<Hwnd, Name>;

    // The names of many windows, asked for all at once: one wait for the server
    // instead of one per window and property.
    void FetchNames(const std::vector<Hwnd>& windows, std::uint32_t nameBytes, Snapshot& out);

    x11::UniqueConnection connection_;
    Hwnd root_ = 0;
    std::uint32_t netWmName_ = 0;
    std::uint32_t utf8String_ = 0;
    // Names read while an enumeration runs: the window list is taken in one go, and
    // the texts asked for from inside the enumeration come from it.
    const Snapshot* snapshot_ = nullptr;
    // XTest lives on an Xlib connection of its own.
    x11::UniqueDisplay display_;
    std::string displayName_;
};

}  // namespace quorvel::platform
