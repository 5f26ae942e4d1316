#include "startup/RealPlatform.h"

#include <cstdlib>
#include <iostream>

#include "startup/ExitStatus.h"

#if defined(__linux__)
#include "cafe/CafeServer.h"
#include "platform/atspi/AtspiWindowSystem.h"
#include "platform/posix/HiveRegistry.h"
#include "platform/posix/LaunchAgent.h"
#include "platform/posix/PosixLocale.h"
#include "platform/posix/PosixShell.h"
#include "platform/posix/PosixSystemInfo.h"
#include "platform/posix/RequestFileGuestDesktop.h"
#include "platform/posix/SystemClock.h"
#include "platform/posix/XdgPaths.h"
#include "platform/x11/X11Desktop.h"
#include "platform/x11/X11Display.h"
#include "platform/x11/X11Instance.h"
#elif defined(_WIN32)
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32Desktop.h"
#include "platform/win32/Win32Instance.h"
#include "platform/win32/Win32Locale.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Shell.h"
#include "platform/win32/Win32SystemInfo.h"
#include "platform/win32/Win32WindowSystem.h"
#endif

namespace quorvel::startup {

namespace {

#if defined(__linux__)
// The settings store, opened on first use: an instance that ends at once because
// an earlier one runs never opens (or creates) the store file.
class StoreOnFirstUse final : public platform::Registry {
  public:
    explicit StoreOnFirstUse(std::string path) : path_(std::move(path)) {}

    std::int32_t OpenKey(platform::RegKey root, std::string_view path,
                         platform::RegKey& out) override {
        return Store().OpenKey(root, path, out);
    }
    std::int32_t CreateKey(platform::RegKey root, std::string_view path,
                           platform::RegKey& out) override {
        return Store().CreateKey(root, path, out);
    }
    std::int32_t QueryValue(platform::RegKey key, std::string_view name, std::uint32_t* type,
                            std::uint8_t* data, std::uint32_t* size) override {
        return Store().QueryValue(key, name, type, data, size);
    }
    std::int32_t SetValue(platform::RegKey key, std::string_view name, std::uint32_t type,
                          const std::uint8_t* data, std::uint32_t size) override {
        return Store().SetValue(key, name, type, data, size);
    }
    std::int32_t DeleteValue(platform::RegKey key, std::string_view name) override {
        return Store().DeleteValue(key, name);
    }
    std::int32_t EnumValue(platform::RegKey key, std::uint32_t index, char* name,
                           std::uint32_t* nameLen, std::uint32_t* type, std::uint8_t* data,
                           std::uint32_t* dataSize) override {
        return Store().EnumValue(key, index, name, nameLen, type, data, dataSize);
    }
    std::int32_t CloseKey(platform::RegKey key) override { return Store().CloseKey(key); }

  private:
    platform::HiveRegistry& Store() {
        if (!store_) store_ = std::make_unique<platform::HiveRegistry>(path_);
        return *store_;
    }
    std::string path_;
    std::unique_ptr<platform::HiveRegistry> store_;
};
#endif

}  // namespace

RealPlatform::RealPlatform() = default;
RealPlatform::~RealPlatform() = default;

std::unique_ptr<RealPlatform> RealPlatform::Make(std::string& error, void* x11Display) {
    std::unique_ptr<RealPlatform> real(new RealPlatform());
#if defined(__linux__)
    if (std::string why; !platform::XdgPathsKnown(why)) {
        error = "Cannot place the program's files: " + why + ".";
        return nullptr;
    }
    platform::EndProcessWhenDisplayLost<kExitDisplayLost>();
    auto instance = std::make_unique<platform::X11Instance>(platform::XdgInstanceLockPath());
    if (!instance->connected()) {
        error = "Cannot open the X display.";
        return nullptr;
    }
    real->instance_ = std::move(instance);
    real->registry_ = std::make_unique<StoreOnFirstUse>(platform::XdgSettingsStorePath());
    real->systemInfo_ = std::make_unique<platform::PosixSystemInfo>();
    real->clock_ = std::make_unique<platform::SystemClock>();
    // On a cafe PC the service names the desktop's account: the guest's programs are
    // started there by its launch agent, never as this account. Elsewhere (a
    // developer's desktop, the demo) they are this program's children.
    // The guest's desktop is ended and started afresh after every guest by a root-owned
    // service, asked through a file in this account's runtime folder; where the
    // desktop is this program's own there is nothing to reset.
    // The blocker watches the browsers of the guest's desktop through its agent there
    // too: that desktop's accessibility bus is closed to this account.
    // Where the guest's desktop has a display of its own (QUORVEL_GUEST_DISPLAY, nested
    // in this one), its agent and its browsers are found there, and the blocker types
    // there; the lock stays on this display, out of the guest's reach.
    if (const char* guest = std::getenv("QUORVEL_GUEST_ACCOUNT"); guest && *guest) {
        const char* own = std::getenv("QUORVEL_GUEST_DISPLAY");
        const std::string guestDisplay = own && *own ? own : platform::DisplayName();
        // The guest's keyboard and mouse are the screen's, whichever display the
        // browsers are on.
        real->windows_ = std::make_unique<platform::atspi::AtspiWindowSystem>(
            guestDisplay, platform::atspi::BrowserWatch::Timing{}, guest, platform::DisplayName());
        real->shell_ = std::make_unique<platform::AgentShell>(guest, guestDisplay);
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        real->guestDesktop_ = std::make_unique<platform::RequestFileGuestDesktop>(
            runtime && runtime[0] == '/' ? runtime : "");
    } else {
        real->windows_ = std::make_unique<platform::atspi::AtspiWindowSystem>();
        real->shell_ = std::make_unique<platform::PosixShell>();
        real->guestDesktop_ = std::make_unique<platform::SharedGuestDesktop>();
    }
    real->locale_ = std::make_unique<platform::PosixLocale>();
    if (!x11Display) {
        error = "Cannot open the X display.";
        return nullptr;
    }
    real->desktop_ = std::make_unique<platform::X11Desktop>(static_cast<Display*>(x11Display));
#elif defined(_WIN32)
    // Every Windows service starts; none needs a display handed in.
    (void)error;
    (void)x11Display;
    real->instance_ = std::make_unique<platform::Win32Instance>();
    real->desktop_ = std::make_unique<platform::Win32Desktop>();
    real->systemInfo_ = std::make_unique<platform::Win32SystemInfo>();
    real->registry_ = std::make_unique<platform::Win32Registry>();
    real->windows_ = std::make_unique<platform::Win32WindowSystem>();
    real->clock_ = std::make_unique<platform::Win32Clock>();
    real->locale_ = std::make_unique<platform::Win32Locale>();
    real->shell_ = std::make_unique<platform::Win32Shell>();
    real->guestDesktop_ = std::make_unique<platform::SharedGuestDesktop>();
#endif
    return real;
}

std::unique_ptr<RealPlatform::WindowSystemHold> RealPlatform::WaitForWindowSystem(
    std::string& error) {
#if defined(__linux__)
    struct DisplayHold final : WindowSystemHold {
        explicit DisplayHold(platform::x11::UniqueConnection held) : connection(std::move(held)) {}
        platform::x11::UniqueConnection connection;
    };
    // Four tries a second: the lock is on screen soon after the server lets us in.
    constexpr int kPollMs = 250;
    auto connection = platform::WaitForDisplay(
        platform::DisplayName(), kPollMs,
        [](const std::string& line) { std::cerr << "quorvel: " << line << std::endl; }, error);
    if (!connection) return nullptr;
    return std::make_unique<DisplayHold>(std::move(connection));
#else
    (void)error;
    return std::make_unique<WindowSystemHold>();
#endif
}

void RealPlatform::EndForLostDisplay() {
#if defined(__linux__)
    platform::EndProcessForLostDisplay(kExitDisplayLost);
#else
    std::_Exit(kExitDisplayLost);
#endif
}

std::unique_ptr<cafe::ServerLink> RealPlatform::OpenServerLink(const cafe::Membership& membership) {
#if defined(__linux__)
    return cafe::OpenServerLink(membership);
#else
    (void)membership;
    return nullptr;
#endif
}

std::shared_ptr<cafe::CafeReportSource> RealPlatform::OpenCafeReport(
    const cafe::Membership& membership) {
#if defined(__linux__)
    return cafe::OpenCafeReport(membership);
#else
    (void)membership;
    return nullptr;
#endif
}

store::Platform RealPlatform::services() {
    return store::Platform{*registry_, *windows_,    *desktop_, *instance_,    *shell_,
                           *systemInfo_, *locale_, *clock_,  *guestDesktop_};
}

}  // namespace quorvel::startup
