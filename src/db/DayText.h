#pragma once
// Days as the data file stores them. Guest_T keeps each day as text, so every lookup,
// range and booking goes through this one reading of a day's text.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel::db {

// DateValue, as registered on every connection: a day text "m/d/yyyy" (one or two
// digits for month and day; "/", "-" or "." between; blanks around ignored; a year
// of one or two digits means 1930 to 2029) as the sortable number yyyymmdd, or
// nullopt when the text is not a calendar day.
std::optional<std::int32_t> DateValue(std::string_view text);

// The day as stored: "mm/dd/yyyy".
std::string DayText(int year, int month, int day);

// An ISO day ("yyyy-mm-dd", exactly so: the form of the command line and of a cafe's
// server) as the stored day text; nullopt when it is not a calendar day written that
// way.
std::optional<std::string> DayFromIso(std::string_view iso);
// The other way: a day text (any form DateValue reads) as "yyyy-mm-dd"; nullopt when
// it is not a calendar day.
std::optional<std::string> IsoFromDay(std::string_view text);

}  // namespace quorvel::db
