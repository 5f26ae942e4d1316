#include "platform/fake/FakeLocale.h"

#include <cstdio>

namespace quorvel::platform {

std::string FakeLocale::ShortDate(const LocalDateTime& t) const {
    return std::to_string(t.month) + "/" + std::to_string(t.day) + "/" + std::to_string(t.year);
}

std::string FakeLocale::TimeOfDay(const LocalDateTime& t) const {
    const int hour12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%d:%02d:%02d %s", hour12, t.minute, t.second,
                  t.hour < 12 ? "AM" : "PM");
    return buffer;
}

std::optional<LocalDateTime> FakeLocale::ParseShortDate(const std::string& text) const {
    int month = 0, day = 0, year = 0;
    char end = 0;
    if (std::sscanf(text.c_str(), "%d/%d/%d%c", &month, &day, &year, &end) != 3) return {};
    if (month < 1 || month > 12 || day < 1 || day > 31 || year < 1000) return {};
    LocalDateTime t;
    t.year = year;
    t.month = month;
    t.day = day;
    return t;
}

}  // namespace quorvel::platform
