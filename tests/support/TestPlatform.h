#pragma once
// Every platform service as a fake, over an in-memory settings store, with the
// shared state built on them: what a test of core logic or a window starts from.
#include <memory>

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

    std::unique_ptr<platform::Registry> registry;
    platform::FakeWindowSystem windows;
    platform::RecordingDesktop desktop;
    platform::FakeInstance instance;
    platform::RecordingShell shell;
    platform::FakeSystemInfo systemInfo;
    platform::FakeLocale locale;
    platform::FakeClock clock;
    store::publicVar pv;
};

// A store of its own (in memory; on Windows a scratch key of the real registry)
// holding "Software\Quorvel\Settings", "Timers", "Programs", "URLs".
std::unique_ptr<platform::Registry> MakeProvisionedMemoryRegistry();

}  // namespace quorvel::test
