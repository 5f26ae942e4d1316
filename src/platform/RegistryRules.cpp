#include "platform/RegistryRules.h"

#include <algorithm>
#include <cstring>

#include "platform/AsciiText.h"

namespace quorvel::platform {

std::int32_t SplitKeyPath(std::string_view path, std::vector<std::string_view>& parts) {
    parts.clear();
    if (path.empty()) return kErrorSuccess;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = path.find('\\', start);
        const auto part = path.substr(start, end == std::string_view::npos ? end : end - start);
        if (part.empty()) return kErrorBadPathname;
        if (part.size() > kMaxKeyNameLength) return kErrorInvalidParameter;
        parts.push_back(part);
        if (end == std::string_view::npos) return kErrorSuccess;
        start = end + 1;
    }
}

std::string FoldName(std::string_view name) {
    return AsciiLowered(name);
}

bool SameName(std::string_view a, std::string_view b) {
    return EqualsIgnoringAsciiCase(a, b);
}

void TerminateText(std::uint32_t type, std::vector<std::uint8_t>& bytes) {
    if ((type == kRegSz || type == kRegExpandSz) && (bytes.empty() || bytes.back() != 0))
        bytes.push_back(0);
}

std::int32_t SizeOut(std::uint32_t storedSize, const std::uint8_t* data, std::uint32_t* size,
                     bool& copy) {
    copy = false;
    if (!size) return kErrorSuccess;
    const bool tooSmall = data && *size < storedSize;
    copy = data && !tooSmall;
    *size = storedSize;
    return tooSmall ? kErrorMoreData : kErrorSuccess;
}

std::int32_t CopyOutData(std::span<const std::uint8_t> stored, std::uint8_t* data,
                         std::uint32_t* size) {
    bool copy = false;
    const auto status = SizeOut(static_cast<std::uint32_t>(stored.size()), data, size, copy);
    if (copy) std::copy(stored.begin(), stored.end(), data);
    return status;
}

std::int32_t CopyOutName(std::string_view stored, char* name, std::uint32_t* nameLen) {
    const auto length = static_cast<std::uint32_t>(stored.size());
    if (stored.size() + 1 > *nameLen) {
        *nameLen = length;
        return kErrorMoreData;
    }
    std::memcpy(name, stored.data(), stored.size());
    name[stored.size()] = '\0';
    *nameLen = length;
    return kErrorSuccess;
}

}  // namespace quorvel::platform
