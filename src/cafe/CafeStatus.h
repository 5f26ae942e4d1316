#pragma once
// What `quorvel-admin cafe status` shows of each PC.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::cafe {

// A PC not heard from for this long is shown offline.
inline constexpr std::int64_t kOfflineAfterSeconds = 30;

struct PcStatus {
    std::string name;
    bool joined = false;
    bool inSession = false;
    std::int64_t since = 0;  // seconds since 1970 UTC
    std::int64_t elapsedSeconds = 0;
    std::int64_t owedCents = 0;
    std::string currency;
    std::optional<std::int64_t> lastSeen;  // by the server's clock
};

struct CafeStatus {
    std::int64_t serverNow = 0;  // the server's clock when it was read
    std::vector<PcStatus> pcs;
};

// Turns seconds since 1970 into the local time as text ("2026-12-07 09:30:05").
using TimeText = std::string (*)(std::int64_t secondsSince1970);

// One line per PC under a heading, columns aligned: its name, its state ("in use",
// "free", "offline since ...", "not joined yet", "never heard from"), and for a PC in
// use since when, the guest's time so far (h:mm:ss) and the amount owed.
std::string FormatStatus(const CafeStatus& status, TimeText timeText);

}  // namespace quorvel::cafe
