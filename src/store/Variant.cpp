#include "store/Variant.h"

#include <cctype>
#include <cmath>
#include <limits>

namespace quorvel::store {

double LeadingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    double value = 0;
    bool any = false;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        value = value * 10 + (text[i++] - '0');
        any = true;
    }
    if (i < text.size() && text[i] == '.') {
        double scale = 0.1;
        for (++i; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
            value += (text[i] - '0') * scale;
            scale /= 10;
            any = true;
        }
    }
    if (!any) return 0;
    return negative ? -value : value;
}

bool RoundToInt32(double value, std::int32_t& out) {
    if (!std::isfinite(value)) return false;
    const double rounded = std::nearbyint(value);  // default rounding mode: half to even
    if (rounded < std::numeric_limits<std::int32_t>::min() ||
        rounded > std::numeric_limits<std::int32_t>::max())
        return false;
    out = static_cast<std::int32_t>(rounded);
    return true;
}

std::string Variant::ToText() const {
    if (const auto* text = std::get_if<std::string>(&value_)) return *text;
    if (const auto* number = std::get_if<std::int32_t>(&value_)) return std::to_string(*number);
    return {};
}

std::string Variant::ToDisplayText() const {
    std::string text = ToText();
    if (auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    return text;
}

double Variant::ToNumber() const {
    if (const auto* number = std::get_if<std::int32_t>(&value_)) return *number;
    if (const auto* text = std::get_if<std::string>(&value_)) return LeadingNumber(*text);
    return 0;
}

std::int32_t Variant::ToInt32(std::int32_t fallback) const {
    std::int32_t out = fallback;
    RoundToInt32(ToNumber(), out);
    return out;
}

bool Variant::ToBool() const {
    if (IsText()) {
        const std::string shown = ToDisplayText();
        if (shown == "True" || shown == "true") return true;
    }
    return ToNumber() != 0;
}

}  // namespace quorvel::store
