// The lockdown sequences: which desktop calls, in which order, for each caller.
#include "startup/publicFunc.h"

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
    startup::LockDesktop(t.pv, startup::kLock);
    EXPECT_EQ(t.desktop.calls, (Calls{"ShowTaskbar 0", "SetScreenSaverRunning 1 1"}));
    // Locking again repeats the same calls: nothing accumulates.
    startup::LockDesktop(t.pv, startup::kLock);
    EXPECT_EQ(t.desktop.calls.size(), 4u);
    t.desktop.calls.clear();
    startup::LockDesktop(t.pv, startup::kUnlock);
    EXPECT_EQ(t.desktop.calls, (Calls{"ShowTaskbar 1", "SetScreenSaverRunning 0 0"}));
}

TEST_F(LockDesktopTest, RegistersServiceProcessOnlyUpToWindowsMe) {
    for (double version : {4.0, 4.1, 4.9}) {
        t.desktop.calls.clear();
        t.pv.OsVersion = version;
        startup::LockDesktop(t.pv, startup::kLock);
        startup::LockDesktop(t.pv, startup::kUnlock);
        EXPECT_EQ(t.desktop.calls,
                  (Calls{"ShowTaskbar 0", "SetScreenSaverRunning 1 1", "RegisterServiceProcess",
                         "ShowTaskbar 1", "SetScreenSaverRunning 0 0", "RegisterServiceProcess"}))
            << version;
    }
    for (double version : {4.91, 5.0, 6.1, 10.0}) {
        t.desktop.calls.clear();
        t.pv.OsVersion = version;
        startup::LockDesktop(t.pv, startup::kLock);
        EXPECT_EQ(t.desktop.calls.size(), 2u) << version;
    }
}

TEST_F(LockDesktopTest, HideTrayClockSetsTheClockThenFlashesTheIcon) {
    startup::HideTrayClock(t.pv, true, 42);
    startup::HideTrayClock(t.pv, false, 42);
    EXPECT_EQ(t.desktop.calls,
              (Calls{"ShowTrayClock 0", "FlashNotifyIcon", "ShowTrayClock 1", "FlashNotifyIcon"}));
}

}  // namespace
}  // namespace quorvel::test
