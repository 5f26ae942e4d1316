#pragma once
// A simulated desktop: a tree of windows with class, text and edit contents that
// records every rewrite and key-down.
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/WindowSystem.h"

namespace quorvel::platform {

class FakeWindowSystem final : public WindowSystem {
  public:
    struct Window {
        Hwnd parent = 0;
        std::string className;
        std::string text;  // caption, or an edit control's contents
        std::vector<Hwnd> children;
    };

    FakeWindowSystem();
    // Adds a window under `parent` (DesktopWindow() for a top-level one) as its last
    // child and returns the new handle.
    Hwnd Add(Hwnd parent, std::string className, std::string text);
    // The same with a handle of the caller's choice (e.g. one whose low 32 bits read
    // as a negative number).
    Hwnd AddWithHandle(Hwnd handle, Hwnd parent, std::string className, std::string text);
    // Destroys a window and everything under it, as when a program closes it.
    void Remove(Hwnd window);
    bool Exists(Hwnd window) const { return windows_.count(window) != 0; }
    Window& At(Hwnd window) { return windows_.at(window); }
    std::size_t WindowCount() const { return windows_.size() - 1; }

    std::string BrowserCaption() const override { return browserCaption; }
    void PrepareWatching() override;
    void StartWatching() override;
    void StopWatching() override;
    bool WatchLost() const override { return watchLost_; }
    // What WatchLost answers from now on: a test's guest's agent "stops answering".
    void SetWatchLost(bool lost) { watchLost_ = lost; }
    Hwnd DesktopWindow() override { return kDesktop; }
    void EnumChildWindows(Hwnd parent, const EnumChildProc& proc, std::intptr_t param) override;
    std::string WindowText(Hwnd window, int maxCount) override;
    std::string ClassName(Hwnd window, int maxCount) override;
    int TextLength(Hwnd window) override;
    std::string GetText(Hwnd window, int bufferSize) override;
    void SetText(Hwnd window, const std::string& text) override;
    void PressEnter() override;

    // Called at the start of every operation with its name ("PrepareWatching",
    // "StartWatching",
    // "StopWatching", "EnumChildWindows", "WindowText", "ClassName", "TextLength",
    // "GetText", "SetText", "PressEnter") and the window it is about (0 where none),
    // so a test can change the desktop mid-tick.
    std::function<void(std::string_view call, Hwnd window)> onCall;

    struct Rewrite {
        Hwnd window;
        std::string text;
    };
    std::vector<Rewrite> rewrites;
    int enterPresses = 0;
    // The browsers' caption: Internet Explorer's, as on Windows.
    std::string browserCaption = kInternetExplorerCaption;
    // Whether a blocker is loaded (between StartWatching and StopWatching).
    bool watching = false;
    // How often the browsers were made visible to a later watch.
    int preparations = 0;
    // Rewrites and key-downs in the order they happened: "SetText <handle>" or "Enter".
    std::vector<std::string> events;

  private:
    static constexpr Hwnd kDesktop = 0x10010;
    void Notify(std::string_view call, Hwnd window);
    bool Enumerate(Hwnd parent, const EnumChildProc& proc, std::intptr_t param);
    std::map<Hwnd, Window> windows_;
    Hwnd next_ = 0x20000;
    bool watchLost_ = false;
};

}  // namespace quorvel::platform
