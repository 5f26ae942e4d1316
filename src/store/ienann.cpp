#include "store/ienann.h"

#include <array>

namespace quorvel::store {

using namespace platform;

void LoadNameList(Registry& registry, RegKey root, const std::string& path, NameList& list) {
    list.clear();
    ScopedKey key(registry);
    if (registry.OpenKey(root, path, key.out()) != kErrorSuccess) return;
    for (std::uint32_t index = 0;; ++index) {
        std::array<char, 255> name;
        name.fill(' ');
        std::array<std::uint8_t, 255> data;
        data.fill(' ');
        std::uint32_t nameLen = name.size();
        std::uint32_t dataSize = data.size();
        const std::int32_t status = registry.EnumValue(key.get(), index, name.data(), &nameLen,
                                                       nullptr, data.data(), &dataSize);
        if (status == kErrorNoMoreItems) break;
        // A value too large for the scratch buffer still has data (more-data status).
        if (dataSize > 0) list.emplace_back(name.data(), std::min<std::size_t>(nameLen, name.size()));
        // Any other failure passes over this index; a handle that went bad ends the
        // walk, since no later index can answer either.
        if (status == kErrorInvalidHandle) break;
    }
}

}  // namespace quorvel::store
