#include "store/ienann.h"

#include <array>

namespace quorvel::store {

using namespace platform;

void LoadNameList(Registry& registry, RegKey root, const std::string& path, NameList& list) {
    list.clear();
    ScopedKey key(registry);
    if (registry.OpenKey(root, path, key.out()) != kErrorSuccess) return;
    for (std::uint32_t index = 0;; ++index) {
        // Fresh buffers for every value; the data is read only for its size.
        std::array<char, kNameBufferSize> name;
        name.fill(' ');
        std::array<std::uint8_t, kDataBufferSize> data;
        data.fill(' ');
        std::uint32_t nameLen = name.size();
        std::uint32_t dataSize = data.size();
        const std::int32_t status = registry.EnumValue(key.get(), index, name.data(), &nameLen,
                                                       nullptr, data.data(), &dataSize);
        if (status == kErrorNoMoreItems) break;
        // Data larger than the scratch buffer is a more-data answer that still names
        // the value and reports a size, so it is listed. A name too long for the name
        // buffer is not delivered at all and cannot be listed.
        const bool nameDelivered =
            status == kErrorSuccess || (status == kErrorMoreData && nameLen < name.size());
        if (!nameDelivered) {
            if (status == kErrorMoreData) continue;
            // Any other failure (a store that became unreadable, a handle gone bad)
            // answers every later index the same way: reading on would never end.
            break;
        }
        if (dataSize > 0) list.emplace_back(name.data(), nameLen);
    }
}

}  // namespace quorvel::store
