#pragma once
// What a guest owes: every completed hour costs the "45-59 mins" rate, the current hour
// the rate of the quarter it has reached, and the first minutes below the minimum time
// the minimum charge.
#include <array>
#include <cstdint>
#include <optional>

#include "store/mdlRegistry.h"

namespace quorvel::session {

// Amounts per quarter-hour band; a band's rate replaces the one before it. Held in 32
// bits: a currency with large units reaches 30000 within a few hours.
struct Rates {
    std::int32_t rate0to14 = 0;
    std::int32_t rate15to29 = 0;
    std::int32_t rate30to44 = 0;
    std::int32_t rate45to59 = 0;
};

struct Minimums {
    std::int16_t minimumTime = 0;    // minutes
    std::int32_t minimumCharge = 0;  // whole currency units
};

// The clock and amount fields the charge step reads and writes.
struct Charge {
    std::int32_t hours = 0;
    std::int32_t minutes = 0;  // after this tick's advance; 60 in the tick that closes an hour
    std::int32_t amount = 0;
    std::int32_t hourAmount = 0;  // owed for the completed hours
};

// The rates as stored (first row of Rates_M), rounded half to even. A missing row, or a
// value that does not fit, leaves that rate at 0.
Rates LoadRates(const std::optional<std::array<double, 4>>& stored);

// MinimumT and MinimumC from the Settings key; a missing or unreadable value gives 0.
Minimums ReadMinimums(const store::mdlRegistry& settings);

// One tick's charge step, run after the tick has advanced the minutes. Rolls a minute
// count of 60 over into the hours. An addition that would overflow leaves `amount` as it
// was for that tick.
void ChargeStep(const Rates& rates, const Minimums& minimums, Charge& c);

// a + b, or nullopt when the sum does not fit in 32 bits.
std::optional<std::int32_t> CheckedAdd(std::int32_t a, std::int32_t b);

}  // namespace quorvel::session
