// The day parsers on any text. DateValue: a day it accepts is a calendar day, and the
// day's stored form parses back to the same day. DayFromIso: it accepts only a
// calendar day written exactly as yyyy-mm-dd, and gives that day's stored form.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "db/DayText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorvel::db;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto stored = DayFromIso(text)) {
        const auto value = DateValue(*stored);
        if (!value) std::abort();
        char iso[16];
        std::snprintf(iso, sizeof iso, "%04d-%02d-%02d", *value / 10000, *value / 100 % 100,
                      *value % 100);
        if (text != iso) std::abort();
    }
    const auto day = DateValue(text);
    if (!day) return 0;
    const int year = *day / 10000, month = *day / 100 % 100, dayOfMonth = *day % 100;
    if (year < 100 || year > 9999 || month < 1 || month > 12 || dayOfMonth < 1 || dayOfMonth > 31)
        std::abort();
    if (DateValue(DayText(year, month, dayOfMonth)) != day) std::abort();
    return 0;
}
