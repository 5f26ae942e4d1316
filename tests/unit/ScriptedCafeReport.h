#pragma once
// The cafe's server as a PC's report reads it: the days it holds for every PC, or a
// failure, and every range it was asked for.
#include <optional>
#include <string>
#include <vector>

#include "cafe/CafeReportSource.h"

namespace quorvel::test {

class ScriptedCafeReport final : public cafe::CafeReportSource {
  public:
    std::optional<std::vector<cafe::DayTakings>> SelectTakings(const std::string& fromDay,
                                                               const std::string& tillDay,
                                                               std::string& error) override {
        asked.push_back(fromDay + " " + tillDay);
        if (!failure.empty()) {
            error = failure;
            return std::nullopt;
        }
        return days;
    }
    std::vector<cafe::DayTakings> days;
    std::string failure;
    std::vector<std::string> asked;
};

}  // namespace quorvel::test
