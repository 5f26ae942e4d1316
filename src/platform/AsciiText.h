#pragma once
// Text rules the program applies to bytes, whatever they encode: letter case of ASCII
// letters only (names, classes and settings compare so on every system, whatever the
// locale), the blanks a typed text is trimmed of, and the %XX form of a byte in an
// address. Written once here so that every layer, this one included, keeps them alike.
#include <algorithm>
#include <string>
#include <string_view>

namespace quorvel::platform {

// 'A'..'Z' to 'a'..'z'; every other byte as it is.
constexpr char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string AsciiLowered(std::string_view text) {
    std::string lowered(text);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(), AsciiLower);
    return lowered;
}

// Equal but for the case of ASCII letters.
inline bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}

// The text without its leading and trailing blanks. A blank is a space only: a tab is
// kept, as a password is stored and compared with it at sign-in.
inline std::string TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// Appends `byte` as "%XX" (upper-case hex), as an address carries a byte it cannot hold.
inline void AppendPercentEncoded(std::string& out, unsigned char byte) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += '%';
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
}

}  // namespace quorvel::platform
