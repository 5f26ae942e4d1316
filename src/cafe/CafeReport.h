#pragma once
// The takings a cafe's server holds, made into the days the takings report reads, so
// that `report --cafe` is the same report as a single PC's: the same lines, the same
// sums to the cent, the same refusals.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "db/DayRow.h"

namespace quorvel::cafe {

// The takings of one day, of one PC or of all of them.
struct DayTakings {
    std::string pc;   // "" when the day is the whole cafe's
    std::string day;  // YYYY-MM-DD
    std::int64_t sessions = 0;
    std::int64_t cents = 0;
    std::string currency;  // the PCs' currency sign when they took the sessions
};

// `takings` (one PC's, or the whole cafe's) as the days of a data file, in the same
// order. Nullopt with `error` when a day is no calendar day or had more sessions than
// a day's count of guests holds (32767).
std::optional<std::vector<db::DayRow>> AsDayRows(const std::vector<DayTakings>& takings,
                                                 std::string& error);

// True when every session of `byPc` was taken in one currency. A report adds amounts
// up, and amounts of two currencies add up to nothing true: else false, with `error`
// naming each currency with its PCs and first and last day.
bool OneCurrency(const std::vector<DayTakings>& byPc, std::string& error);

// The days of the whole cafe from every PC's takings (by PC, day and currency), as the
// report reads them: refused, with `error`, when they are in more than one currency or
// a day cannot be shown (AsDayRows). What `report --cafe` and a PC's "All PCs" show.
std::optional<std::vector<db::DayRow>> WholeCafeDays(const std::vector<DayTakings>& byPc,
                                                     std::string& error);

// The whole cafe's days from the days of each PC, in day order.
std::vector<DayTakings> WholeCafe(const std::vector<DayTakings>& byPc);

// The days of each PC, from takings in which the days of one PC follow one another
// (as the server gives them, by name).
std::vector<std::pair<std::string, std::vector<DayTakings>>> SplitByPc(
    const std::vector<DayTakings>& byPc);

}  // namespace quorvel::cafe
