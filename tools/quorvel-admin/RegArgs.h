#pragma once
// The arguments of `quorvel-admin reg`, read as Windows' reg.exe reads its own:
// option names and the HKCU prefix in any letter case, every option at most once,
// and anything reg.exe would refuse refused here too.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "Commands.h"

namespace quorvel::admin {

struct RegRequest {
    enum class Verb { Query, Add, AddKey, Delete };
    Verb verb = Verb::Query;
    // The key below HKEY_CURRENT_USER; empty for HKEY_CURRENT_USER itself.
    std::string key;
    // /v NAME, or "" for /ve; none: every value of the key (query only).
    std::optional<std::string> value;
    // add: REG_SZ (text) or REG_DWORD (number).
    std::uint32_t type = 1;
    std::string text;
    std::uint32_t number = 0;
};

// Reads the arguments after "reg". False with a one-line `error` when they are not a
// command reg.exe would take.
bool ParseRegArgs(const Args& args, RegRequest& request, std::string& error);

// The usage line of a verb ("query", "add" ...), or of every verb for any other text.
std::string RegUsage(std::string_view verb);

// REG_DWORD data as reg.exe takes it: decimal digits, or 0x and hexadecimal digits,
// at most 0xFFFFFFFF. Nothing else: no sign, blank or second prefix.
std::optional<std::uint32_t> ParseDword(std::string_view text);

}  // namespace quorvel::admin
