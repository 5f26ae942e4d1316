#pragma once
// Loads the value names of one settings key into a list: the quick-launch
// programs and the blocked-site keywords live as value names.
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace quorvel::store {

using NameList = std::vector<std::string>;

// The loader's buffers: a value name of 255 characters or more does not fit (with
// its NUL) and is not listed; larger data only needs its size reported.
inline constexpr std::size_t kNameBufferSize = 255;
inline constexpr std::size_t kDataBufferSize = 255;

// Empties `list`, then appends the name of every value of the key whose data is
// not empty, in the store's enumeration order. A missing key leaves it empty.
void LoadNameList(platform::Registry& registry, platform::RegKey root, const std::string& path,
                  NameList& list);

}  // namespace quorvel::store
