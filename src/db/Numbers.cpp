#include "db/Numbers.h"

#include <charconv>
#include <cmath>

namespace quorvel::db {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// True when `body` is exactly: sign, digits with at most one point, optional exponent.
bool IsDecimal(std::string_view body) {
    std::size_t pos = 0;
    if (pos < body.size() && (body[pos] == '+' || body[pos] == '-')) ++pos;
    bool digits = false, point = false;
    for (; pos < body.size(); ++pos) {
        if (IsDigit(body[pos])) {
            digits = true;
        } else if (body[pos] == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!digits) return false;
    if (pos < body.size() && (body[pos] == 'e' || body[pos] == 'E')) {
        ++pos;
        if (pos < body.size() && (body[pos] == '+' || body[pos] == '-')) ++pos;
        const std::size_t exponent = pos;
        while (pos < body.size() && IsDigit(body[pos])) ++pos;
        if (pos == exponent) return false;
    }
    return pos == body.size();
}

}  // namespace

std::optional<double> ParseNumber(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    if (!IsDecimal(text)) return std::nullopt;
    // from_chars takes no "+" and, unlike strtod, never reads the point by the locale.
    if (text.front() == '+') text.remove_prefix(1);
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

}  // namespace quorvel::db
