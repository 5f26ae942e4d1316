#include "cafe/CafeReport.h"

#include <limits>
#include <map>
#include <set>
#include <utility>

#include "db/DayText.h"

namespace quorvel::cafe {

std::optional<std::vector<db::DayRow>> AsDayRows(const std::vector<DayTakings>& takings,
                                                 std::string& error) {
    std::vector<db::DayRow> rows;
    rows.reserve(takings.size());
    for (const DayTakings& day : takings) {
        const auto text = db::DayFromIso(day.day);
        if (!text) {
            error = "the server gave '" + day.day + "', which is no day";
            return std::nullopt;
        }
        if (day.sessions < 0 || day.sessions > std::numeric_limits<std::int16_t>::max()) {
            error = "the " + std::to_string(day.sessions) + " sessions of " + *text +
                    " are more than the report counts in a day (" +
                    std::to_string(std::numeric_limits<std::int16_t>::max()) + ")";
            return std::nullopt;
        }
        // Below the report's limit a double holds every amount to the cent, and the
        // report takes it back to the very cent; beyond it the report refuses the day.
        rows.push_back({*text, static_cast<std::int16_t>(day.sessions),
                        static_cast<double>(day.cents) / 100.0});
    }
    return rows;
}

bool OneCurrency(const std::vector<DayTakings>& byPc, std::string& error) {
    struct Use {
        std::set<std::string> pcs;
        std::string first, last;
    };
    std::map<std::string, Use> currencies;
    for (const DayTakings& day : byPc) {
        Use& use = currencies[day.currency];
        use.pcs.insert(day.pc);
        if (use.first.empty() || day.day < use.first) use.first = day.day;
        if (day.day > use.last) use.last = day.day;
    }
    if (currencies.size() < 2) return true;
    error = "the sessions were taken in more than one currency, and a report adds up one only:";
    const char* between = " ";
    for (const auto& [currency, use] : currencies) {
        error += between + (currency.empty() ? "no currency sign" : "'" + currency + "'") + " on";
        const char* comma = " ";
        for (const std::string& pc : use.pcs) error += std::exchange(comma, ", ") + pc;
        error += " (" + use.first + " to " + use.last + ")";
        between = "; ";
    }
    error += ". Choose days of one currency";
    return false;
}

std::optional<std::vector<db::DayRow>> WholeCafeDays(const std::vector<DayTakings>& byPc,
                                                     std::string& error) {
    if (!OneCurrency(byPc, error)) return std::nullopt;
    return AsDayRows(WholeCafe(byPc), error);
}

std::vector<DayTakings> WholeCafe(const std::vector<DayTakings>& byPc) {
    std::map<std::string, DayTakings> days;
    for (const DayTakings& day : byPc) {
        DayTakings& sum = days[day.day];
        sum.day = day.day;
        sum.sessions += day.sessions;
        // A sum past 64 bits would be far past what the report shows; it is kept at
        // the largest number so that the report refuses the day rather than wrapping.
        if (__builtin_add_overflow(sum.cents, day.cents, &sum.cents))
            sum.cents = day.cents < 0 ? std::numeric_limits<std::int64_t>::min()
                                      : std::numeric_limits<std::int64_t>::max();
    }
    std::vector<DayTakings> whole;
    whole.reserve(days.size());
    for (auto& [day, sum] : days) whole.push_back(std::move(sum));
    return whole;
}

std::vector<std::pair<std::string, std::vector<DayTakings>>> SplitByPc(
    const std::vector<DayTakings>& byPc) {
    std::vector<std::pair<std::string, std::vector<DayTakings>>> pcs;
    for (const DayTakings& day : byPc) {
        if (pcs.empty() || pcs.back().first != day.pc)
            pcs.emplace_back(day.pc, std::vector<DayTakings>{});
        pcs.back().second.push_back(day);
    }
    return pcs;
}

}  // namespace quorvel::cafe
