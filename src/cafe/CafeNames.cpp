#include "cafe/CafeNames.h"

#include "platform/AsciiText.h"

namespace quorvel::cafe {

namespace {

constexpr std::size_t kMaxRoleBytes = 63;

bool LetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

}  // namespace

bool ValidPcName(std::string_view name) {
    if (name.empty() || name.size() > kMaxPcName || !LetterOrDigit(name.front())) return false;
    for (const char c : name)
        if (!LetterOrDigit(c) && c != '-' && c != '_') return false;
    return true;
}

std::optional<std::string> PcRole(std::string_view database, std::string_view pcName) {
    const std::string role = std::string(database) + "_pc_" + platform::AsciiLowered(pcName);
    if (role.size() > kMaxRoleBytes) return std::nullopt;
    return role;
}

}  // namespace quorvel::cafe
