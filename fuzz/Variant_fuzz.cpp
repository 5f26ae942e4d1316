// What a settings read gives, converted as the program converts it: text of any bytes,
// and the number formed from the input's first four bytes.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "store/Variant.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using quorvel::store::Variant;
    const Variant text(std::string(reinterpret_cast<const char*>(data), size));
    const std::string shown = text.ToDisplayText();
    if (shown.find('\0') != std::string::npos || text.ToText().compare(0, shown.size(), shown) != 0)
        std::abort();
    if (std::isnan(text.ToNumber())) std::abort();
    text.ToInt32(-1);
    text.ToBool();

    std::int32_t raw = 0;
    std::memcpy(&raw, data, std::min(size, sizeof raw));
    const Variant number(raw);
    // A number read back from its own text is itself.
    if (number.ToNumber() != raw || Variant(number.ToText()).ToInt32(raw ^ 1) != raw) std::abort();
    return 0;
}
