#pragma once
// The blocker's window operations on a Linux desktop, through the accessibility bus.
//
// X11 has no edit controls that another program can read; the browsers' address bars
// are, however, objects on the accessibility bus. So here the desktop lists the
// browser windows of the browsers in kBrowsers (every window listed is a browser's:
// the browser caption is empty), each window's one child is its address bar with the
// class "Edit", reading an edit control reads the bar's text, and replacing it followed
// by Enter sends the bar to the new address as a person would type it (see
// BrowserWatch).
//
// Nothing here waits for the accessibility bus: the operations read the picture the
// watch's worker last published, taken afresh when a tick lists the desktop, and a
// rewrite is handed to the worker. The watch runs only between StartWatching and
// StopWatching (the blocker's life).
#include <memory>
#include <optional>
#include <string>

#include "platform/WindowSystem.h"
#include "platform/atspi/BrowserWatch.h"

namespace quorvel::platform::atspi {

class AtspiWindowSystem final : public WindowSystem {
  public:
    // The class names the blocker sees: a browser window's, and its address bar's.
    static constexpr const char* kFrameClass = "BrowserFrame";
    static constexpr const char* kBarClass = "Edit";

    // Watches the browsers on the X display `displayName` (empty: $DISPLAY).
    explicit AtspiWindowSystem(std::string displayName = {},
                               BrowserWatch::Timing timing = BrowserWatch::Timing{});
    ~AtspiWindowSystem() override;
    AtspiWindowSystem(const AtspiWindowSystem&) = delete;
    AtspiWindowSystem& operator=(const AtspiWindowSystem&) = delete;

    // Empty: only browser windows are listed.
    std::string BrowserCaption() const override { return {}; }
    // Switches the desktop's accessibility on: a browser started from now on shows its
    // windows on the accessibility bus (Chromium reads the switch only as it starts).
    void PrepareWatching() override;
    // Switches accessibility on before anything else, then starts the watch.
    void StartWatching() override;
    void StopWatching() override;

    Hwnd DesktopWindow() override { return kDesktop; }
    // Under the desktop: every browser window, each followed by its address bar. Under
    // a browser window: its address bar. Listing the desktop takes the watch's latest
    // picture, which the other operations then read.
    void EnumChildWindows(Hwnd parent, const EnumChildProc& proc, std::intptr_t param) override;
    // A browser window's title; an address bar's text.
    std::string WindowText(Hwnd window, int maxCount) override;
    std::string ClassName(Hwnd window, int maxCount) override;
    int TextLength(Hwnd window) override;
    std::string GetText(Hwnd window, int bufferSize) override;
    // Prepares sending the bar to `text`; the Enter that follows hands it to the watch.
    void SetText(Hwnd window, const std::string& text) override;
    // Completes the rewrite prepared by SetText (the watch presses Return once the bar
    // holds the address). Without one there is nothing to press Enter on.
    void PressEnter() override;

    // The picture the last listing of the desktop took (empty while not watching).
    const Browsers& Picture() const { return *view_; }
    // The watch's latest picture, for a caller that waits for it to change.
    std::shared_ptr<const Browsers> Latest() const;
    // Whether every rewrite handed to the watch has been dealt with.
    bool Settled() const { return !watch_ || watch_->Settled(); }

  private:
    static constexpr Hwnd kDesktop = 1;
    const Frame* FindFrame(Hwnd window) const;
    const Bar* FindBar(Hwnd window) const;

    const std::string displayName_;
    const BrowserWatch::Timing timing_;
    std::unique_ptr<BrowserWatch> watch_;
    std::shared_ptr<const Browsers> view_;
    std::optional<Rewrite> prepared_;
};

}  // namespace quorvel::platform::atspi
