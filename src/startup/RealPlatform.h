#pragma once
// The real operating-system services of this machine, built once by main and
// owned for the whole run. The one place that chooses between the Windows and the
// Linux backends.
#include <memory>
#include <string>

#include "cafe/CafeReportSource.h"
#include "cafe/ServerLink.h"
#include "store/publicVar.h"

namespace quorvel::startup {

class RealPlatform {
  public:
    // Builds every backend; nullptr with `error` set when one cannot start. Nothing
    // here touches a file: an instance that must end at once leaves no trace.
    // `x11Display` is the toolkit's own X connection (an Xlib Display*, or null): the
    // X11 desktop services grab the input on it, so that our windows keep their keys
    // while every other client is shut out. Ignored on Windows.
    // From then on, a lost connection to the X display ends the process at once with
    // kExitDisplayLost.
    static std::unique_ptr<RealPlatform> Make(std::string& error, void* x11Display);
    // What WaitForWindowSystem hands back: on Linux a connection to the display, to be
    // held until the toolkit has its own (an X server resets when its last client
    // leaves, and a client connecting during the reset is refused).
    struct WindowSystemHold {
        virtual ~WindowSystemHold() = default;
    };
    // Before the toolkit starts: waits until the window system can be reached (on
    // Linux, until the X display named by DISPLAY exists and lets this account in),
    // saying once on stderr what it waits for. Null with `error` when no display is
    // named at all.
    static std::unique_ptr<WindowSystemHold> WaitForWindowSystem(std::string& error);
    // The end when the toolkit finds its display connection broken: at once, with
    // kExitDisplayLost.
    [[noreturn]] static void EndForLostDisplay();
    // The road to the cafe's server of a PC that has joined one; null where this build
    // has none (the Windows build, for now: docs/windows.md).
    static std::unique_ptr<cafe::ServerLink> OpenServerLink(const cafe::Membership& membership);
    // The takings of every PC for the Report tab of a joined PC; null where the build
    // has no road to a server.
    static std::shared_ptr<cafe::CafeReportSource> OpenCafeReport(
        const cafe::Membership& membership);
    ~RealPlatform();
    RealPlatform(const RealPlatform&) = delete;
    RealPlatform& operator=(const RealPlatform&) = delete;

    store::Platform services();

  private:
    RealPlatform();
    std::unique_ptr<platform::Registry> registry_;
    std::unique_ptr<platform::WindowSystem> windows_;
    std::unique_ptr<platform::Desktop> desktop_;
    std::unique_ptr<platform::Instance> instance_;
    std::unique_ptr<platform::Shell> shell_;
    std::unique_ptr<platform::SystemInfo> systemInfo_;
    std::unique_ptr<platform::Locale> locale_;
    std::unique_ptr<platform::Clock> clock_;
    std::unique_ptr<platform::GuestDesktop> guestDesktop_;
};

}  // namespace quorvel::startup
