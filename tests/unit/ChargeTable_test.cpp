// The amount owed, tick by tick, as the guest sees it beside the elapsed time.
#include <gtest/gtest.h>

#include <climits>

#include "unit/SessionRig.h"

namespace quorvel::test {
namespace {

// Every tick from `from` to `till` (both as shown) shows `amount`.
struct Band {
    int from;
    int till;
    std::int32_t amount;
};

// Runs a session through every band in order and checks each tick: the elapsed text is
// the tick count as hours, minutes and seconds, the amount is the band's, and what the
// tick stored is what the screen showed before it.
void RunTable(SessionRig& rig, const std::vector<Band>& bands) {
    auto& s = rig.Begin();
    EXPECT_EQ(s.lblamt(), "0");
    EXPECT_EQ(s.lblamt2(), "");
    int tick = 0;
    for (const Band& band : bands) {
        ASSERT_EQ(band.from, tick + 1) << "bands must follow each other";
        for (; tick < band.till;) {
            const std::string shownElapsed = s.lbltimer2();
            const std::string shownAmount = s.lblamt();
            rig.Tick();
            ++tick;
            ASSERT_EQ(rig.Timers("Elapsed"), shownElapsed) << "tick " << tick;
            ASSERT_EQ(rig.Timers("Amount"), shownAmount) << "tick " << tick;
            ASSERT_EQ(s.lbltimer2(), session::ElapsedText(tick / 3600, tick % 3600 / 60, tick % 60))
                << "tick " << tick;
            ASSERT_EQ(s.amount(), band.amount) << "at " << s.lbltimer2();
            ASSERT_EQ(s.lblamt(), std::to_string(band.amount));
            ASSERT_EQ(s.lblamt2(), "Rs " + std::to_string(band.amount));
            ASSERT_EQ(s.caption(), s.lbltimer2() + ": Quorvel Timer");
        }
    }
}

TEST(ChargeTable, MinimumTimeFiveWithMinimumCharge) {
    SessionRig rig({10, 15, 20, 25}, "5", "5");
    RunTable(rig, {
                      {TickOf(0, 0, 1), TickOf(0, 4, 58), 5},
                      {TickOf(0, 4, 59), TickOf(0, 14, 58), 10},
                      {TickOf(0, 14, 59), TickOf(0, 29, 58), 15},
                      {TickOf(0, 29, 59), TickOf(0, 44, 58), 20},
                      {TickOf(0, 44, 59), TickOf(0, 59, 59), 25},
                      // Below the minimum time of a later hour the completed hour is
                      // owed, never the minimum charge alone.
                      {TickOf(1, 0, 0), TickOf(1, 4, 58), 25},
                      {TickOf(1, 4, 59), TickOf(1, 14, 58), 35},
                      {TickOf(1, 14, 59), TickOf(1, 29, 58), 40},
                      {TickOf(1, 29, 59), TickOf(1, 44, 58), 45},
                      {TickOf(1, 44, 59), TickOf(1, 59, 59), 50},
                      {TickOf(2, 0, 0), TickOf(2, 4, 58), 50},
                      {TickOf(2, 4, 59), TickOf(2, 5, 30), 60},
                  });
}

TEST(ChargeTable, MinimumTimeZero) {
    SessionRig rig({10, 15, 20, 25}, "0", "0");
    RunTable(rig, {
                      {TickOf(0, 0, 1), TickOf(0, 14, 58), 10},
                      {TickOf(0, 14, 59), TickOf(0, 29, 58), 15},
                      {TickOf(0, 29, 59), TickOf(0, 44, 58), 20},
                      {TickOf(0, 44, 59), TickOf(0, 59, 59), 25},
                      {TickOf(1, 0, 0), TickOf(1, 14, 58), 35},
                      {TickOf(1, 14, 59), TickOf(1, 29, 58), 40},
                      {TickOf(1, 29, 59), TickOf(1, 44, 58), 45},
                      {TickOf(1, 44, 59), TickOf(1, 59, 59), 50},
                      {TickOf(2, 0, 0), TickOf(2, 0, 5), 60},
                  });
}

TEST(ChargeTable, MinimumTimeFourteen) {
    SessionRig rig({10, 15, 20, 25}, "14", "7");
    RunTable(rig, {
                      {TickOf(0, 0, 1), TickOf(0, 13, 58), 7},
                      {TickOf(0, 13, 59), TickOf(0, 14, 58), 10},
                      {TickOf(0, 14, 59), TickOf(0, 29, 58), 15},
                  });
}

TEST(ChargeTable, HourIsClosedInTheTickThatShowsSecondFiftyNine) {
    SessionRig rig({10, 15, 20, 25});
    auto& s = rig.Begin();
    rig.Ticks(TickOf(0, 59, 58));
    EXPECT_EQ(s.lbltimer2(), "0 : 59 : 58");
    EXPECT_EQ(s.minutes(), 59);
    EXPECT_EQ(s.hours(), 0);
    EXPECT_EQ(s.hourAmount(), 0);
    rig.Tick();  // shows 0 : 59 : 59; minute 60 matches no band and closes the hour
    EXPECT_EQ(s.lbltimer2(), "0 : 59 : 59");
    EXPECT_EQ(s.amount(), 25);
    EXPECT_EQ(s.hours(), 1);
    EXPECT_EQ(s.minutes(), 0);
    EXPECT_EQ(s.hourAmount(), 25);
    rig.Tick();
    EXPECT_EQ(s.lbltimer2(), "1 : 0 : 0");
    EXPECT_EQ(s.amount(), 35);
    rig.Ticks(TickOf(1, 59, 59) - TickOf(1, 0, 0));
    EXPECT_EQ(s.lbltimer2(), "1 : 59 : 59");
    EXPECT_EQ(s.hourAmount(), 50);
    EXPECT_EQ(s.hours(), 2);
}

TEST(ChargeTable, LargeRatesGrowPastTheOldSixteenBitCeiling) {
    SessionRig rig({10000, 10000, 10000, 10000});
    auto& s = rig.Begin();
    rig.Ticks(TickOf(3, 0, 0));
    EXPECT_EQ(s.amount(), 40000);
    rig.Ticks(TickOf(3, 59, 59) - TickOf(3, 0, 0));
    EXPECT_EQ(s.lbltimer2(), "3 : 59 : 59");
    EXPECT_EQ(s.amount(), 40000);
    EXPECT_EQ(s.hourAmount(), 40000);
    rig.Tick();
    EXPECT_EQ(s.amount(), 50000);
    EXPECT_EQ(rig.Timers("Amount"), "40000");
}

TEST(ChargeTable, AnAdditionPastThirtyTwoBitsKeepsTheAmount) {
    SessionRig rig({INT_MAX, INT_MAX, INT_MAX, INT_MAX});
    auto& s = rig.Begin();
    rig.Ticks(TickOf(1, 0, 0));
    EXPECT_EQ(s.amount(), INT_MAX);
    EXPECT_EQ(s.hourAmount(), INT_MAX);
}

TEST(ChargeTable, AllRatesZeroOweNothing) {
    SessionRig rig({0, 0, 0, 0}, "0", "0");
    RunTable(rig, {{TickOf(0, 0, 1), TickOf(1, 0, 5), 0}});
}

TEST(ChargeTable, NoRatesRowOwesOnlyTheMinimum) {
    SessionRig rig({}, "3", "4");
    rig.takings.rates.reset();
    RunTable(rig, {{TickOf(0, 0, 1), TickOf(0, 2, 58), 4}, {TickOf(0, 2, 59), TickOf(1, 0, 5), 0}});
}

}  // namespace
}  // namespace quorvel::test
