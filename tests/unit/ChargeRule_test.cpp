// Where the rates and minimums come from, and how they are rounded.
#include <gtest/gtest.h>

#include "session/ChargeRule.h"
#include "support/TestPlatform.h"

namespace quorvel::test {
namespace {

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
    TestPlatform tp;
    const auto set = [&](const char* name, const store::Variant& value, int type = 1) {
        tp.pv.settings.WriteSetting(platform::kHkeyCurrentUser, store::kSettingsKey, name, value,
                                    type);
    };
    EXPECT_EQ(session::ReadMinimums(tp.pv.settings).minimumTime, 0);  // missing values
    EXPECT_EQ(session::ReadMinimums(tp.pv.settings).minimumCharge, 0);

    set("MinimumT", "14");
    set("MinimumC", "70000");
    auto m = session::ReadMinimums(tp.pv.settings);
    EXPECT_EQ(m.minimumTime, 14);
    EXPECT_EQ(m.minimumCharge, 70000);

    set("MinimumT", "70000");  // no minimum time runs that long: not taken
    set("MinimumC", "6.5");
    m = session::ReadMinimums(tp.pv.settings);
    EXPECT_EQ(m.minimumTime, 0);
    EXPECT_EQ(m.minimumCharge, 6);

    set("MinimumT", std::int32_t{7}, 4);
    set("MinimumC", "abc");
    m = session::ReadMinimums(tp.pv.settings);
    EXPECT_EQ(m.minimumTime, 7);
    EXPECT_EQ(m.minimumCharge, 0);
}

}  // namespace
}  // namespace quorvel::test
