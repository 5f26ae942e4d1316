#pragma once
// Where the control panel's Report tab, on a PC that has joined a cafe's server, reads
// the takings of every PC: the server, behind this small interface, so the tab and the
// report window are tested over a double and never learn how the server is reached.
#include <optional>
#include <string>
#include <vector>

#include "cafe/CafeReport.h"

namespace quorvel::cafe {

class CafeReportSource {
  public:
    virtual ~CafeReportSource() = default;
    // Every PC's takings from `fromDay` to `tillDay` ("mm/dd/yyyy", both included) by
    // PC, day and currency, as `report --cafe` reads them (WholeCafeDays makes them the
    // report's days). Nullopt, with `error` saying why for the owner, when the server
    // could not be read to the end. Called on the user-interface thread when the owner
    // asks for the report: it gives up within seconds.
    virtual std::optional<std::vector<DayTakings>> SelectTakings(const std::string& fromDay,
                                                                 const std::string& tillDay,
                                                                 std::string& error) = 0;
};

}  // namespace quorvel::cafe
