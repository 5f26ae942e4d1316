// The day parser behind DateValue, on any text: a day it accepts is a calendar day,
// and the day's stored form parses back to the same day.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "db/DayText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorvel::db;
    const auto day = DateValue(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!day) return 0;
    const int year = *day / 10000, month = *day / 100 % 100, dayOfMonth = *day % 100;
    if (year < 100 || year > 9999 || month < 1 || month > 12 || dayOfMonth < 1 || dayOfMonth > 31)
        std::abort();
    if (DateValue(DayText(year, month, dayOfMonth)) != day) std::abort();
    return 0;
}
