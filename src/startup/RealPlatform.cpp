#include "startup/RealPlatform.h"

#include <cstdio>

#if defined(__linux__)
#include "platform/posix/HiveRegistry.h"
#include "platform/posix/PosixShell.h"
#include "platform/posix/PosixSystemInfo.h"
#include "platform/posix/SystemClock.h"
#include "platform/posix/XdgPaths.h"
#include "platform/x11/X11Instance.h"
#include "platform/x11/X11WindowSystem.h"
#elif defined(_WIN32)
#include "platform/win32/Win32Instance.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32SystemInfo.h"
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

// TODO(merge): the desktop and locale backends are being built on other branches
// (X11Desktop, PosixLocale and their Win32 twins). Until they are merged here, these
// slots hold this placeholder, which does nothing, so that start-up and the login
// screen can run.
class PendingBackends final : public platform::Desktop, public platform::Locale {
  public:
    void ShowTaskbar(int) override {}
    void SetScreenSaverRunning(bool, bool) override {}
    void RegisterServiceProcess() override {}
    void ShowTrayClock(int) override {}
    void FlashNotifyIcon(std::uintptr_t, std::uintptr_t) override {}
    void SetTopMost(std::uintptr_t, bool) override {}

    std::string ShortDate(const platform::LocalDateTime& t) const override {
        return std::to_string(t.month) + "/" + std::to_string(t.day) + "/" + std::to_string(t.year);
    }
    std::string TimeOfDay(const platform::LocalDateTime& t) const override {
        const int hour12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%d:%02d:%02d %s", hour12, t.minute, t.second,
                      t.hour < 12 ? "AM" : "PM");
        return buffer;
    }
    std::optional<platform::LocalDateTime> ParseShortDate(const std::string& text) const override {
        platform::LocalDateTime t;
        char end = 0;
        if (std::sscanf(text.c_str(), "%d/%d/%d%c", &t.month, &t.day, &t.year, &end) != 3)
            return std::nullopt;
        return t;
    }
};

}  // namespace

RealPlatform::RealPlatform() = default;
RealPlatform::~RealPlatform() = default;

std::unique_ptr<RealPlatform> RealPlatform::Make(std::string& error) {
    std::unique_ptr<RealPlatform> real(new RealPlatform());
#if defined(__linux__)
    auto instance = std::make_unique<platform::X11Instance>(platform::XdgInstanceLockPath());
    if (!instance->connected()) {
        error = "Cannot open the X display.";
        return nullptr;
    }
    real->instance_ = std::move(instance);
    real->registry_ = std::make_unique<StoreOnFirstUse>(platform::XdgSettingsStorePath());
    real->systemInfo_ = std::make_unique<platform::PosixSystemInfo>();
    real->clock_ = std::make_unique<platform::SystemClock>();
    real->windows_ = std::make_unique<platform::X11WindowSystem>();
    real->shell_ = std::make_unique<platform::PosixShell>();
#elif defined(_WIN32)
    real->instance_ = std::make_unique<platform::Win32Instance>();
    real->systemInfo_ = std::make_unique<platform::Win32SystemInfo>();
    real->registry_ = std::make_unique<platform::Win32Registry>();
    // TODO(merge): a Win32 system clock; the Windows build carries no windows yet.
    error = "This build has no Windows clock yet.";
    return nullptr;
#endif
    // TODO(merge): replace with the real backends when their branches land.
    real->desktop_ = std::make_unique<PendingBackends>();
    real->locale_ = std::make_unique<PendingBackends>();
    return real;
}

store::Platform RealPlatform::services() {
    return store::Platform{*registry_, *windows_,    *desktop_, *instance_,
                           *shell_,    *systemInfo_, *locale_,  *clock_};
}

}  // namespace quorvel::startup
