#include "store/ienann.h"

#include <array>

namespace quorvel::store {

using namespace platform;

void LoadNameList(Registry& registry, RegKey root, const std::string& path, NameList& list) {
    list.clear();
    ScopedKey key(registry);
    if (registry.OpenKey(root, path, key.out()) != kErrorSuccess) return;
    for (std::uint32_t index = 0;; ++index) {
        // A fresh name buffer for every value. Only the data's size matters, so the
        // size is asked for without a buffer: data of any length reports its size.
        std::array<char, kNameBufferSize> name;
        name.fill(' ');
        std::uint32_t nameLen = name.size();
        std::uint32_t dataSize = 0;
        const std::int32_t status = registry.EnumValue(key.get(), index, name.data(), &nameLen,
                                                       nullptr, nullptr, &dataSize);
        if (status == kErrorNoMoreItems) break;
        if (status == kErrorSuccess) {
            if (dataSize > 0) list.emplace_back(name.data(), nameLen);
            continue;
        }
        // A name too long for the buffer is not delivered and cannot be listed.
        if (status == kErrorMoreData) continue;
        // Any other failure (a store that became unreadable, a handle gone bad)
        // answers every later index the same way: reading on would never end.
        break;
    }
}

}  // namespace quorvel::store
