// The charge rule: where the rates and minimums come from and how they are rounded, and
// the amount owed, tick by tick, as the guest sees it beside the elapsed time.
#include <gtest/gtest.h>

#include <climits>

#include "session/ChargeRule.h"
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

// A charge setting and what every tick shows under it.
struct Setting {
    struct {
        const char* name;
        std::optional<std::array<double, 4>> rates;  // none: the data file has no rates row
        const char* minimumT;
        const char* minimumC;
    } charges;
    std::vector<Band> bands;
};

class ChargeTable : public ::testing::TestWithParam<Setting> {};

TEST_P(ChargeTable, EveryTickShowsTheAmountOfItsBand) {
    const auto& [charges, bands] = GetParam();
    SessionRig rig({}, charges.minimumT, charges.minimumC);
    rig.takings.rates = charges.rates;
    RunTable(rig, bands);
}

constexpr std::array<double, 4> kRates{10, 15, 20, 25};

const Setting kSettings[] = {
    {{"MinimumTimeFiveWithMinimumCharge", kRates, "5", "5"},
     {{TickOf(0, 0, 1), TickOf(0, 4, 58), 5},
      {TickOf(0, 4, 59), TickOf(0, 14, 58), 10},
      {TickOf(0, 14, 59), TickOf(0, 29, 58), 15},
      {TickOf(0, 29, 59), TickOf(0, 44, 58), 20},
      {TickOf(0, 44, 59), TickOf(0, 59, 59), 25},
      // Below the minimum time of a later hour the completed hour is owed, never the
      // minimum charge alone.
      {TickOf(1, 0, 0), TickOf(1, 4, 58), 25},
      {TickOf(1, 4, 59), TickOf(1, 14, 58), 35},
      {TickOf(1, 14, 59), TickOf(1, 29, 58), 40},
      {TickOf(1, 29, 59), TickOf(1, 44, 58), 45},
      {TickOf(1, 44, 59), TickOf(1, 59, 59), 50},
      {TickOf(2, 0, 0), TickOf(2, 4, 58), 50},
      {TickOf(2, 4, 59), TickOf(2, 5, 30), 60}}},
    {{"MinimumTimeZero", kRates, "0", "0"},
     {{TickOf(0, 0, 1), TickOf(0, 14, 58), 10},
      {TickOf(0, 14, 59), TickOf(0, 29, 58), 15},
      {TickOf(0, 29, 59), TickOf(0, 44, 58), 20},
      {TickOf(0, 44, 59), TickOf(0, 59, 59), 25},
      {TickOf(1, 0, 0), TickOf(1, 14, 58), 35},
      {TickOf(1, 14, 59), TickOf(1, 29, 58), 40},
      {TickOf(1, 29, 59), TickOf(1, 44, 58), 45},
      {TickOf(1, 44, 59), TickOf(1, 59, 59), 50},
      {TickOf(2, 0, 0), TickOf(2, 0, 5), 60}}},
    {{"MinimumTimeFourteen", kRates, "14", "7"},
     {{TickOf(0, 0, 1), TickOf(0, 13, 58), 7},
      {TickOf(0, 13, 59), TickOf(0, 14, 58), 10},
      {TickOf(0, 14, 59), TickOf(0, 29, 58), 15}}},
    {{"AllRatesZeroOweNothing", std::array<double, 4>{0, 0, 0, 0}, "0", "0"},
     {{TickOf(0, 0, 1), TickOf(1, 0, 5), 0}}},
    {{"NoRatesRowOwesOnlyTheMinimum", std::nullopt, "3", "4"},
     {{TickOf(0, 0, 1), TickOf(0, 2, 58), 4}, {TickOf(0, 2, 59), TickOf(1, 0, 5), 0}}},
};

INSTANTIATE_TEST_SUITE_P(Settings, ChargeTable, ::testing::ValuesIn(kSettings),
                         [](const auto& info) { return std::string(info.param.charges.name); });

TEST(ChargeRule, LargeRatesGrowPastTheOldSixteenBitCeiling) {
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

TEST(ChargeRule, AnAdditionPastThirtyTwoBitsKeepsTheAmount) {
    SessionRig rig({INT_MAX, INT_MAX, INT_MAX, INT_MAX});
    auto& s = rig.Begin();
    rig.Ticks(TickOf(1, 0, 0));
    EXPECT_EQ(s.amount(), INT_MAX);
    EXPECT_EQ(s.hourAmount(), INT_MAX);
}

TEST(LoadRates, RoundsHalfToEvenAndLeavesUnfitValuesAtZero) {
    const auto rates = session::LoadRates(std::array<double, 4>{2.5, 3.5, 10.4, 1e12});
    EXPECT_EQ(rates.rate0to14, 2);
    EXPECT_EQ(rates.rate15to29, 4);
    EXPECT_EQ(rates.rate30to44, 10);
    EXPECT_EQ(rates.rate45to59, 0);
    const auto none = session::LoadRates(std::nullopt);
    EXPECT_EQ(none.rate0to14 | none.rate15to29 | none.rate30to44 | none.rate45to59, 0);
    EXPECT_EQ(session::LoadRates(std::array<double, 4>{0, 0, 0, 40000}).rate45to59, 40000);
}

TEST(ReadMinimums, ReadsTheSettingsTexts) {
    struct Case {
        store::Variant minimumT, minimumC;
        int time, charge;
    };
    const Case cases[] = {
        {{}, {}, 0, 0},  // missing values
        {"14", "70000", 14, 70000},
        {"70000", "6.5", 0, 6},  // no minimum time runs that long: not taken
        {std::int32_t{7}, "abc", 7, 0},
    };
    for (const Case& c : cases) {
        TestPlatform tp;
        if (!c.minimumT.IsEmpty()) {
            const int type = c.minimumT.IsNumber() ? platform::kRegDword : platform::kRegSz;
            tp.Set(store::kSettingsKey, "MinimumT", c.minimumT, type);
            tp.Set(store::kSettingsKey, "MinimumC", c.minimumC);
        }
        const auto m = session::ReadMinimums(tp.pv.settings);
        EXPECT_EQ(m.minimumTime, c.time) << c.minimumT.ToDisplayText();
        EXPECT_EQ(m.minimumCharge, c.charge) << c.minimumC.ToDisplayText();
    }
}

}  // namespace
}  // namespace quorvel::test
