// Key-path splitting on any text: an accepted path is its parts joined by backslashes,
// each part a key name the stores can keep.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/RegistryRules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorvel::platform;
    const std::string_view path(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> parts;
    if (SplitKeyPath(path, parts) != kErrorSuccess) return 0;
    std::string joined;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const auto part = parts[i];
        if (part.empty() || part.size() > kMaxKeyNameLength || part.find('\\') != part.npos)
            std::abort();
        joined.append(i > 0 ? "\\" : "").append(part);
    }
    if (joined != path) std::abort();
    return 0;
}
