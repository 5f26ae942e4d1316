#pragma once
// What the login screen does with the last guest session on every activation: show
// its figures, and book it into the day's totals if it never reached Logout.
#include <optional>
#include <string>

#include "session/Takings.h"
#include "store/publicVar.h"

namespace quorvel::session {

// The texts of the login screen's "Previous user details:" block.
struct PreviousUser {
    std::string user;     // Label4
    std::string date;     // info(0)
    std::string usage;    // info(2), e.g. "1 : 5 : 30 Hrs."
    std::string charges;  // info(3), e.g. "Rs 25"
    std::string notice;   // lblNotice: why the session ended, empty after a Logout
};

inline constexpr const char* kWatchLostNotice =
    "The last session was ended: the website blocker was stopped.";

// Reads the last session from the Timers key and sets pv.CurrencySymbol.
PreviousUser ShowPreviousUser(store::publicVar& pv);
// Books a session whose Status is still 1 (exactly once), then writes Status 0 and asks
// for a fresh guest desktop. Uses the shared connection pv.Conn.
void CloseOutSession(store::publicVar& pv);
// The same over any takings (tests).
void CloseOutSession(store::publicVar& pv, Takings& takings);

}  // namespace quorvel::session
