#include "session/ChargeRule.h"

#include <limits>

namespace quorvel::session {

std::optional<std::int32_t> CheckedAdd(std::int32_t a, std::int32_t b) {
    std::int32_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) return std::nullopt;
    return sum;
}

Rates LoadRates(const std::optional<std::array<double, 4>>& stored) {
    Rates rates;
    if (!stored) return rates;
    std::int32_t* fields[4] = {&rates.rate0to14, &rates.rate15to29, &rates.rate30to44,
                               &rates.rate45to59};
    for (std::size_t i = 0; i < 4; ++i) store::RoundToInt32((*stored)[i], *fields[i]);
    return rates;
}

Minimums ReadMinimums(const store::mdlRegistry& settings) {
    using platform::kHkeyCurrentUser;
    Minimums minimums;
    // The minimum time is a 16-bit count of minutes; a value that does not fit is not
    // taken and the minimum stays 0.
    std::int32_t time = 0;
    if (store::RoundToInt32(
            settings.ReadSetting(kHkeyCurrentUser, store::kSettingsKey, "MinimumT").ToNumber(),
            time) &&
        time >= std::numeric_limits<std::int16_t>::min() &&
        time <= std::numeric_limits<std::int16_t>::max())
        minimums.minimumTime = static_cast<std::int16_t>(time);
    store::RoundToInt32(
        settings.ReadSetting(kHkeyCurrentUser, store::kSettingsKey, "MinimumC").ToNumber(),
        minimums.minimumCharge);
    return minimums;
}

namespace {

// The hour's band rate for minute m (0..59) of the current hour; nullopt for 60.
std::optional<std::int32_t> BandRate(const Rates& rates, std::int32_t m) {
    if (m >= 0 && m <= 14) return rates.rate0to14;
    if (m >= 15 && m <= 29) return rates.rate15to29;
    if (m >= 30 && m <= 44) return rates.rate30to44;
    if (m >= 45 && m <= 59) return rates.rate45to59;
    return std::nullopt;
}

}  // namespace

void ChargeStep(const Rates& rates, const Minimums& minimums, Charge& c) {
    const std::int32_t m = c.minutes;
    if (m >= minimums.minimumTime) {
        // Negative minutes never happen; the band of minute m is the one it has reached.
        if (const auto rate = BandRate(rates, m)) {
            if (c.hours >= 1) {
                if (const auto sum = CheckedAdd(c.hourAmount, *rate)) c.amount = *sum;
            } else {
                c.amount = *rate;
            }
        }
    } else if (c.hours == 0) {
        c.amount = minimums.minimumCharge;
    } else {
        // Below the minimum time of a later hour the guest owes what the completed hours
        // cost: the amount never drops back to the minimum charge alone.
        c.amount = c.hourAmount;
    }
    if (m > 59) {
        c.hours += 1;
        c.hourAmount = c.amount;
        c.minutes = 0;
    }
}

}  // namespace quorvel::session
