#pragma once
// How a PC is named on a cafe's server, and the database role it connects as.
#include <optional>
#include <string>
#include <string_view>

namespace quorvel::cafe {

// The longest PC name add-pc takes.
inline constexpr std::size_t kMaxPcName = 32;

// A PC's name: 1 to kMaxPcName ASCII letters, digits, "-" or "_", beginning with a
// letter or a digit. Names that differ only in letter case name the same PC.
bool ValidPcName(std::string_view name);

// The role the PC `pcName` connects as in `database`: "<database>_pc_<name in lower
// case>", so the cafes of one server never share a role. Nullopt when that is longer
// than the server takes a role's name (63 bytes).
std::optional<std::string> PcRole(std::string_view database, std::string_view pcName);

}  // namespace quorvel::cafe
