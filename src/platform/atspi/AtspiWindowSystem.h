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
//
// Where the browsers run as another account (a cafe PC: the guest's desktop is not the
// program's), the watch asks the agent in the guest's session about the guest's
// accessibility bus (RemoteBrowserBus) and types only into windows of the guest's
// processes; the switch is thrown there too. Once that agent is lost, WatchLost says so.
#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/WindowSystem.h"
#include "platform/atspi/BrowserWatch.h"

namespace quorvel::platform::atspi {

// Whether process `pid` is one the blocker may type into where the browsers run as the
// account `guest` (whose agent names the processes, and is not trusted to): a process
// the kernel says is that account's, and never this program itself.
bool IsGuestProcess(std::uint32_t pid, std::optional<uid_t> guest);

class AtspiWindowSystem final : public WindowSystem {
  public:
    // The class names the blocker sees: a browser window's, and its address bar's.
    static constexpr const char* kFrameClass = "BrowserFrame";
    static constexpr const char* kBarClass = "Edit";

    // Watches the browsers on the X display `displayName` (empty: $DISPLAY): with
    // `guestAccount` empty, those of this program's own desktop session; else those of
    // that account's, through its agent. The guest's keyboards and pointers are those
    // of `inputsDisplayName` (empty: the same display), where that display is nested.
    explicit AtspiWindowSystem(std::string displayName = {},
                               BrowserWatch::Timing timing = BrowserWatch::Timing{},
                               std::string guestAccount = {}, std::string inputsDisplayName = {});
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
    // True once the guest's agent stopped answering while watching (and until the watch
    // stops): the watch sees no browser any more.
    bool WatchLost() const override { return watch_ && watch_->Lost(); }

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
    // The bus of the watch, and the processes its keys may go to.
    BrowserWatch::BusFactory BusMaker(std::chrono::milliseconds deadline) const;
    BrowserWatch::KeyTarget KeyTargets() const;

    const std::string displayName_;
    const std::string inputsDisplayName_;
    const BrowserWatch::Timing timing_;
    const std::string guestAccount_;
    std::unique_ptr<BrowserWatch> watch_;
    std::shared_ptr<const Browsers> view_;
    std::optional<Rewrite> prepared_;
};

}  // namespace quorvel::platform::atspi
