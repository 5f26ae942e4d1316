#include "support/TestPlatform.h"

#include "platform/fake/MemoryRegistry.h"
#ifndef _WIN32
#include "platform/posix/HiveRegistry.h"
#endif

namespace quorvel::test {

std::unique_ptr<platform::Registry> MakeProvisionedMemoryRegistry() {
    // On Linux the file store itself, kept in memory; the Windows build has no file
    // store and uses the in-memory double that keeps the same rules.
#ifdef _WIN32
    auto registry = std::make_unique<platform::MemoryRegistry>();
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
      pv(store::Platform{*registry, windows, desktop, instance, shell, systemInfo, locale, clock}) {
}

}  // namespace quorvel::test
