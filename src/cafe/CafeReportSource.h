#pragma once
// Where the control panel's Report tab, on a PC that has joined a cafe's server, reads
// the takings of every PC: the server, behind this small interface, so the tab and the
// report window are tested over a double and never learn how the server is reached.
#include <optional>
#include <string>
#include <vector>

#include "db/DayRow.h"

namespace quorvel::cafe {

class CafeReportSource {
  public:
    virtual ~CafeReportSource() = default;
    // Every PC's sessions from `fromDay` to `tillDay` ("mm/dd/yyyy", both included), as
    // the daily totals hold one PC's: one row per day with sessions ("mm/dd/yyyy", the
    // guests, the amount to the cent), oldest first. Nullopt, with `error` saying why for
    // the owner, when the server could not be read to the end. Called on the
    // user-interface thread when the owner asks for the report: it should give up
    // within a few seconds.
    virtual std::optional<std::vector<db::DayRow>> SelectDays(const std::string& fromDay,
                                                              const std::string& tillDay,
                                                              std::string& error) = 0;
};

}  // namespace quorvel::cafe
