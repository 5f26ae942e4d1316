#pragma once
// One day of the daily totals, as Guest_T holds it. Kept apart from the data file's
// statements, so that the report's rules name it without including them.
#include <cstdint>
#include <optional>
#include <string>

namespace quorvel::db {

struct DayRow {
    std::string gdate;  // as stored, "mm/dd/yyyy"
    std::int16_t gnum = 0;
    std::optional<double> gamt;  // nullopt when the day's first amount was not a number
};

}  // namespace quorvel::db
