// The lockdown sequences: which desktop calls, in which order, for each caller.
#include "login/publicFunc.h"

#include <gtest/gtest.h>

#include "support/TestPlatform.h"

namespace quorvel::test {
namespace {

using Calls = std::vector<std::string>;

struct LockDesktopTest : ::testing::Test {
    TestPlatform t;
};

TEST_F(LockDesktopTest, LockHidesTheTaskbarAndHoldsTheInputUnlockGivesThemBack) {
    t.pv.OsVersion = 5.1;
    login::LockDesktop(t.pv, login::kLock);
    EXPECT_EQ(t.desktop.calls, (Calls{"ShowTaskbar 0", "SetScreenSaverRunning 1 1"}));
    // Locking again repeats the same calls: nothing accumulates.
    login::LockDesktop(t.pv, login::kLock);
    EXPECT_EQ(t.desktop.calls.size(), 4u);
    t.desktop.calls.clear();
    login::LockDesktop(t.pv, login::kUnlock);
    EXPECT_EQ(t.desktop.calls, (Calls{"ShowTaskbar 1", "SetScreenSaverRunning 0 0"}));
}

TEST_F(LockDesktopTest, RegistersServiceProcessOnlyUpToWindowsMe) {
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

TEST_F(LockDesktopTest, HideTrayClockSetsTheClockThenFlashesTheIcon) {
    login::HideTrayClock(t.pv, true, 42);
    login::HideTrayClock(t.pv, false, 42);
    EXPECT_EQ(t.desktop.calls,
              (Calls{"ShowTrayClock 0", "FlashNotifyIcon", "ShowTrayClock 1", "FlashNotifyIcon"}));
}

}  // namespace
}  // namespace quorvel::test
