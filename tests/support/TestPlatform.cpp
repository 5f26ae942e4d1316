#include "support/TestPlatform.h"

#ifdef _WIN32
#include "support/ScratchRegistry_win32.h"
#else
#include "platform/posix/HiveRegistry.h"
#endif

namespace quorvel::test {

std::unique_ptr<platform::Registry> MakeProvisionedMemoryRegistry() {
    // On Linux the file store itself, kept in memory.
#ifdef _WIN32
    // Windows has no in-memory registry: each test gets a scratch key of the real
    // one in place of HKEY_CURRENT_USER, removed when the test ends.
    std::unique_ptr<platform::Registry> registry = std::make_unique<ScratchRegistry>();
#else
    auto registry = std::make_unique<platform::HiveRegistry>(":memory:");
#endif
    store::mdlRegistry settings(*registry);
    for (const char* key :
         {store::kSettingsKey, store::kTimersKey, store::kProgramsKey, store::kUrlsKey})
        settings.CreateSettingsKey(platform::kHkeyCurrentUser, key);
    return registry;
}

TestPlatform::TestPlatform(std::unique_ptr<platform::Registry> reg)
    : registry(reg ? std::move(reg) : MakeProvisionedMemoryRegistry()),
      pv(store::Platform{*registry, windows, desktop, instance, shell, systemInfo, locale, clock,
                         guestDesktop}) {
}

}  // namespace quorvel::test
