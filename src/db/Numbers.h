#pragma once
// The one reading of a number written as text: a rate typed into a rate box or given
// to `quorvel-admin rates`, an amount given to `quorvel-admin book`, and the amount a
// running session keeps in the settings until it is booked. Every one of them ends up
// in the daily totals or the rates, so they are read by one rule.
#include <optional>
#include <string_view>

namespace quorvel::db {

// Blanks (spaces and tabs) around the number are ignored; then an optional sign, digits
// with at most one decimal point (".5" and "5." are numbers), and an optional exponent
// ("1e3"). Anything else is refused: a comma, hex, "inf", "nan", and a number a double
// cannot hold (too large, or so small it would read as 0), so no such text is ever
// stored or booked. The decimal point is "." whatever locale the program runs under.
std::optional<double> ParseNumber(std::string_view text);

}  // namespace quorvel::db
