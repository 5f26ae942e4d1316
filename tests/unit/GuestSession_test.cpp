// The session's start, its stored state and its Logout, over fakes.
#include <gtest/gtest.h>

#include <filesystem>

#include "unit/SessionRig.h"

namespace quorvel::test {
namespace {

TEST(GuestSession, StartStoresTheSessionWithStatusOneAndAnIdentity) {
    SessionRig rig;
    rig.tp.clock.Set({2026, 12, 5, 10, 0, 0});
    auto& s = rig.Begin();
    EXPECT_EQ(s.lbltimer(), "10:00:00 AM");
    EXPECT_EQ(s.lbltimer2(), "0 : 0 : 0");
    EXPECT_EQ(s.caption(), "0 : 0 : 0");
    EXPECT_EQ(rig.TimersValue("Status"), store::Variant(std::int32_t{1}));
    EXPECT_EQ(rig.Timers("UserId"), "guest");
    EXPECT_EQ(rig.Timers("Elapsed"), "0 : 0 : 0");
    EXPECT_EQ(rig.Timers("Amount"), "0");
    EXPECT_EQ(rig.Timers("Date"), "12/5/2026");
    EXPECT_EQ(rig.Timers("LoginTime"), "10:00:00 AM");
    EXPECT_EQ(rig.Timers("LogoutTime"), "");
    EXPECT_EQ(rig.Timers("SessionId"), s.sessionId());
    EXPECT_FALSE(s.sessionId().empty());

    // The next session gets an identity of its own, even within the same second.
    SessionRig other;
    EXPECT_NE(other.Begin().sessionId(), s.sessionId());
}

TEST(GuestSession, LogoutBooksOneGuestWithTheAmountAndLeavesStatusZero) {
    SessionRig rig({10, 15, 20, 25});
    auto& s = rig.Begin();
    rig.Ticks(TickOf(1, 20, 0));
    EXPECT_EQ(s.lbltimer2(), "1 : 20 : 0");
    s.Logout();
    ASSERT_EQ(rig.takings.bookings.size(), 1u);
    EXPECT_EQ(rig.takings.bookings[0].amount, 40.0);
    EXPECT_EQ(rig.takings.bookings[0].sessionId, s.sessionId());
    EXPECT_EQ(rig.takings.bookings[0].day.day, rig.tp.clock.Now().day);
    EXPECT_EQ(rig.TimersValue("Status"), store::Variant(std::int32_t{0}));
    EXPECT_EQ(rig.Timers("Elapsed"), "1 : 20 : 0");
    EXPECT_EQ(rig.Timers("Amount"), "40");
    EXPECT_EQ(rig.Timers("LogoutTime"), "11:20:00 AM");
    EXPECT_EQ(rig.TimersValue("Continue"), store::Variant(std::int32_t{0}));
    EXPECT_EQ(rig.Timers("TimeLimit"), "0");
}

// Logout before the first tick books the guest at nothing.
TEST(GuestSession, LogoutRightAfterSignInBooksZero) {
    SessionRig rig;
    rig.Begin().Logout();
    ASSERT_EQ(rig.takings.bookings.size(), 1u);
    EXPECT_EQ(rig.takings.bookings[0].amount, 0.0);
    EXPECT_EQ(rig.Timers("Elapsed"), "0 : 0 : 0");
    EXPECT_EQ(rig.TimersValue("Status"), store::Variant(std::int32_t{0}));
}

TEST(GuestSession, RefusedBookingLeavesStatusOneForTheCloseOut) {
    SessionRig rig;
    auto& s = rig.Begin();
    rig.Ticks(5);
    rig.takings.fail = true;
    s.Logout();
    EXPECT_EQ(rig.TimersValue("Status"), store::Variant(std::int32_t{1}));
    EXPECT_EQ(rig.Timers("Amount"), "10");
}

TEST(GuestSession, SessionLogThatCannotBeOpenedStopsNothing) {
    SessionRig rig({10, 15, 20, 25});
    // A folder where the log file should be: it cannot be opened for appending.
    std::filesystem::create_directory(rig.LogPath());
    auto& s = rig.Begin();
    EXPECT_FALSE(s.logOpen());
    rig.Ticks(TickOf(0, 15, 0));
    EXPECT_EQ(s.amount(), 15);
    EXPECT_EQ(rig.Timers("Elapsed"), "0 : 14 : 59");
    s.Logout();
    EXPECT_EQ(rig.takings.bookings.size(), 1u);
    EXPECT_EQ(rig.TimersValue("Status"), store::Variant(std::int32_t{0}));

    SessionRig missing;
    missing.tp.pv.SysDir = missing.dir.file("no/such/folder");
    auto& t = missing.Begin();
    EXPECT_FALSE(t.logOpen());
    missing.Ticks(3);
    t.Logout();
    EXPECT_EQ(missing.takings.bookings.size(), 1u);
}

TEST(GuestSession, MinimumsAndRatesAreReadOncePerSession) {
    SessionRig rig({10, 15, 20, 25}, "5", "5");
    auto& s = rig.Begin();
    rig.tp.Set(store::kSettingsKey, "MinimumC", "9");
    rig.takings.rates = {{1, 1, 1, 1}};
    rig.Ticks(3);
    EXPECT_EQ(s.amount(), 5);
    rig.Ticks(TickOf(0, 5, 0) - 3);
    EXPECT_EQ(s.amount(), 10);
}

}  // namespace
}  // namespace quorvel::test
