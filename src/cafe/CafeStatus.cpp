#include "cafe/CafeStatus.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "panel/Report.h"

namespace quorvel::cafe {

namespace {

std::string Clock(std::int64_t seconds) {
    if (seconds < 0) seconds = 0;
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return text;
}

std::string State(const PcStatus& pc, std::int64_t now, TimeText timeText) {
    if (!pc.joined && !pc.lastSeen) return "not joined yet";
    if (!pc.lastSeen) return "never heard from";
    if (now - *pc.lastSeen >= kOfflineAfterSeconds)
        return "offline since " + timeText(*pc.lastSeen);
    return pc.inSession ? "in use" : "free";
}

}  // namespace

std::string FormatStatus(const CafeStatus& status, TimeText timeText) {
    using Row = std::array<std::string, 5>;
    std::vector<Row> rows{{"PC", "State", "Since", "Time", "Owed"}};
    for (const PcStatus& pc : status.pcs) {
        Row row{pc.name, State(pc, status.serverNow, timeText), "", "", ""};
        // An offline PC keeps what it last said: a guest may have been in the middle
        // of a session when it went.
        if (pc.lastSeen && pc.inSession) {
            row[2] = timeText(pc.since);
            row[3] = Clock(pc.elapsedSeconds);
            row[4] =
                panel::FormatCents(pc.owedCents) + (pc.currency.empty() ? "" : " " + pc.currency);
        }
        rows.push_back(std::move(row));
    }
    std::array<std::size_t, 5> width{};
    for (const Row& row : rows)
        for (std::size_t i = 0; i < row.size(); ++i) width[i] = std::max(width[i], row[i].size());
    std::string text;
    for (const Row& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size()) line += std::string(width[i] - row[i].size() + 2, ' ');
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        text += line + "\n";
    }
    return text;
}

}  // namespace quorvel::cafe
