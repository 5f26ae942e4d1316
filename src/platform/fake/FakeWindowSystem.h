#pragma once
// A simulated desktop: a tree of windows with class, text and edit contents that
// records every rewrite and key-down.
#include <map>
#include <string>
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
    // Adds a window under `parent` (DesktopWindow() for a top-level one).
    Hwnd Add(Hwnd parent, std::string className, std::string text);
    Window& At(Hwnd window) { return windows_.at(window); }

    Hwnd DesktopWindow() override { return kDesktop; }
    std::vector<Hwnd> ChildWindows(Hwnd parent) override;
    std::string WindowText(Hwnd window, int bufferSize) override;
    std::string ClassName(Hwnd window, int bufferSize) override;
    int TextLength(Hwnd window) override;
    std::string GetText(Hwnd window, int bufferSize) override;
    void SetText(Hwnd window, const std::string& text) override;
    void PressEnter() override { ++enterPresses; }

    struct Rewrite {
        Hwnd window;
        std::string text;
    };
    std::vector<Rewrite> rewrites;
    int enterPresses = 0;

  private:
    static constexpr Hwnd kDesktop = 0x10010;
    void Collect(Hwnd parent, std::vector<Hwnd>& out) const;
    std::map<Hwnd, Window> windows_;
    Hwnd next_ = 0x20000;
};

}  // namespace quorvel::platform
