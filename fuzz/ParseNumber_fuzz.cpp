// The number reading behind rates and booked amounts, on any text: what it accepts is
// finite, and the shortest text of that number reads back as the same number.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "db/Numbers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using quorvel::db::ParseNumber;
    const auto number = ParseNumber(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!number) return 0;
    if (!std::isfinite(*number)) std::abort();
    char text[64];
    const auto written = std::to_chars(text, text + sizeof text, *number);
    if (written.ec != std::errc()) std::abort();
    if (ParseNumber(std::string_view(text, written.ptr - text)) != number) std::abort();
    return 0;
}
