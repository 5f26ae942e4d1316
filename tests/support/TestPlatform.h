#pragma once
// Every platform service as a fake, over an in-memory settings store, with the
// shared state built on them: what a test of core logic or a window starts from.
#include <memory>
#include <string>

#include "platform/Registry.h"
#include "platform/fake/FakeClock.h"
#include "platform/fake/FakeLocale.h"
#include "platform/fake/FakeServices.h"
#include "platform/fake/FakeWindowSystem.h"
#include "store/publicVar.h"

namespace quorvel::test {

struct TestPlatform {
    // `registry` defaults to a store of its own holding the program's four keys.
    explicit TestPlatform(std::unique_ptr<platform::Registry> registry = nullptr);

    // A value below one of the program's keys (store::kSettingsKey, kTimersKey, ...) of
    // HKEY_CURRENT_USER, written and read as the program does.
    void Set(const std::string& key, const std::string& name, const store::Variant& value,
             std::int32_t type = platform::kRegSz) {
        pv.settings.WriteSetting(platform::kHkeyCurrentUser, key, name, value, type);
    }
    store::Variant Get(const std::string& key, const std::string& name) const {
        return pv.settings.ReadSetting(platform::kHkeyCurrentUser, key, name);
    }

    std::unique_ptr<platform::Registry> registry;
    platform::FakeWindowSystem windows;
    platform::RecordingDesktop desktop;
    platform::FakeInstance instance;
    platform::RecordingShell shell;
    platform::FakeSystemInfo systemInfo;
    platform::FakeLocale locale;
    platform::FakeClock clock;
    platform::RecordingGuestDesktop guestDesktop;
    store::publicVar pv;
};

// A store of its own (in memory; on Windows a scratch key of the real registry)
// holding "Software\Quorvel\Settings", "Timers", "Programs", "URLs".
std::unique_ptr<platform::Registry> MakeProvisionedMemoryRegistry();

}  // namespace quorvel::test
