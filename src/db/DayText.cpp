#include "db/DayText.h"

#include <cstdio>

#include "platform/Clock.h"

namespace quorvel::db {

namespace {

// Reads up to `maxDigits` digits; false when there is none.
bool ReadNumber(std::string_view text, std::size_t& pos, int maxDigits, int& value, int& digits) {
    value = 0;
    digits = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < maxDigits) {
        value = value * 10 + (text[pos] - '0');
        ++pos;
        ++digits;
    }
    return digits > 0;
}

}  // namespace

std::optional<std::int32_t> DateValue(std::string_view text) {
    std::size_t pos = 0;
    auto skipBlanks = [&] {
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    };
    skipBlanks();
    int month, day, year, digits;
    if (!ReadNumber(text, pos, 2, month, digits)) return std::nullopt;
    if (pos >= text.size()) return std::nullopt;
    const char separator = text[pos];
    if (separator != '/' && separator != '-' && separator != '.') return std::nullopt;
    ++pos;
    if (!ReadNumber(text, pos, 2, day, digits)) return std::nullopt;
    if (pos >= text.size() || text[pos] != separator) return std::nullopt;
    ++pos;
    if (!ReadNumber(text, pos, 4, year, digits) || digits == 3) return std::nullopt;
    if (digits <= 2) year += year < 30 ? 2000 : 1900;
    skipBlanks();
    if (pos != text.size()) return std::nullopt;
    if (year < 100 || !platform::IsCalendarDay({.year = year, .month = month, .day = day}))
        return std::nullopt;
    return year * 10000 + month * 100 + day;
}

std::string DayText(int year, int month, int day) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d", month, day, year);
    return buffer;
}

std::optional<std::string> DayFromIso(std::string_view iso) {
    const std::string text(iso);
    int year = 0, month = 0, day = 0, consumed = 0;
    if (text.size() != 10 || text[4] != '-' || text[7] != '-' ||
        std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &year, &month, &day, &consumed) != 3 ||
        consumed != 10 || text.find_first_not_of("0123456789-") != std::string::npos)
        return std::nullopt;
    std::string stored = DayText(year, month, day);
    if (!DateValue(stored)) return std::nullopt;
    return stored;
}

std::optional<std::string> IsoFromDay(std::string_view text) {
    const auto value = DateValue(text);
    if (!value) return std::nullopt;
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", *value / 10000, *value / 100 % 100,
                  *value % 100);
    return buffer;
}

}  // namespace quorvel::db
