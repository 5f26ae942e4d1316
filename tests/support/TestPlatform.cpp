#include "support/TestPlatform.h"

#ifndef _WIN32
#include "platform/posix/HiveRegistry.h"
#endif

namespace quorvel::test {

std::unique_ptr<platform::Registry> MakeProvisionedMemoryRegistry() {
#ifdef _WIN32
    return nullptr;
#else
    auto registry = std::make_unique<platform::HiveRegistry>(":memory:");
    store::mdlRegistry settings(*registry);
    for (const char* key :
         {store::kSettingsKey, store::kTimersKey, store::kProgramsKey, store::kUrlsKey})
        settings.CreateSettingsKey(platform::kHkeyCurrentUser, key);
    return registry;
#endif
}

TestPlatform::TestPlatform(std::unique_ptr<platform::Registry> reg)
    : registry(reg ? std::move(reg) : MakeProvisionedMemoryRegistry()),
      pv(store::Platform{*registry, windows, desktop, instance, shell, systemInfo, locale, clock}) {}

}  // namespace quorvel::test
