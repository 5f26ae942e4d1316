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
// Timers "FreshDesktop": 1 once a fresh guest desktop was asked for after the session
// the key holds, 0 from the session's start until then.
inline constexpr const char* kFreshDesktop = "FreshDesktop";

// Asks for a fresh guest desktop after the session the Timers key holds, unless that
// was done already.
void FreshDesktopAfterSession(store::publicVar& pv);

// Books a session whose Status is still 1 (exactly once), then writes Status 0 and, for a
// session whose desktop was not made afresh yet (one cut off before its Logout), asks
// for a fresh guest desktop. Uses the shared connection pv.Conn. False while a session is left
// that the data file refused to book: it is tried again at the next call.
bool CloseOutSession(store::publicVar& pv);
// The same over any takings (tests).
bool CloseOutSession(store::publicVar& pv, Takings& takings);

}  // namespace quorvel::session
