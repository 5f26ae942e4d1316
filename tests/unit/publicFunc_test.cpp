// The lockdown sequence's one rule of its own: the service registration of the old
// systems. (The calls of a lock and an unlock in their order: the login screen's test
// and SignInSteps_test.)
#include "login/publicFunc.h"

#include <gtest/gtest.h>

#include "support/TestPlatform.h"

namespace quorvel::test {
namespace {

using Calls = std::vector<std::string>;

TEST(LockDesktop, RegistersServiceProcessOnlyUpToWindowsMe) {
    TestPlatform t;
    for (double version : {4.0, 4.1, 4.9}) {
        t.desktop.calls.clear();
        t.pv.OsVersion = version;
        login::LockDesktop(t.pv, login::kLock);
        login::LockDesktop(t.pv, login::kUnlock);
        EXPECT_EQ(t.desktop.calls,
                  (Calls{"ShowTaskbar 0", "SetScreenSaverRunning 1 1", "RegisterServiceProcess",
                         "ShowTaskbar 1", "SetScreenSaverRunning 0 0", "RegisterServiceProcess"}))
            << version;
    }
    for (double version : {4.91, 5.0, 6.1, 10.0}) {
        t.desktop.calls.clear();
        t.pv.OsVersion = version;
        login::LockDesktop(t.pv, login::kLock);
        EXPECT_EQ(t.desktop.calls.size(), 2u) << version;
    }
}

}  // namespace
}  // namespace quorvel::test
