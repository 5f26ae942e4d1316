#pragma once
// What a PC that has joined a cafe's server sends it, and the one road it goes by.
// The PC's data file stays the source of truth: a closed session waits in its outbox
// until the server has committed it, and a session the server already holds is not
// added twice (it is keyed by the PC and the session's identity).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::cafe {

// A session as booked into the PC's daily totals.
struct ClosedSession {
    std::string sessionId;       // the identity the booking is known by on this PC
    std::string day;             // the day it is booked on, YYYY-MM-DD
    std::int64_t startedAt = 0;  // seconds since 1970-01-01 UTC
    std::int64_t endedAt = 0;
    std::int64_t elapsedSeconds = 0;
    std::int64_t amountCents = 0;  // the amount booked, in hundredths of the currency
    std::string currency;
};

// What the counter sees of a PC.
struct PcState {
    bool inSession = false;
    std::int64_t since = 0;  // when the current session started (seconds since 1970 UTC)
    std::int64_t elapsedSeconds = 0;
    std::int64_t owedCents = 0;  // what the guest owes now
    std::string currency;
};

struct LinkResult {
    bool ok = false;
    std::string error;  // for the owner: why the server did not take it
};

// How a joined PC reaches its server. `Deliver` commits every session in one server
// transaction and answers ok only after that commit; a session the server holds
// already is no error. Both calls may block on the network: callers keep them off the
// user-interface thread.
class ServerLink {
public:
    virtual ~ServerLink() = default;
    virtual LinkResult Deliver(const std::vector<ClosedSession>& sessions) = 0;
    virtual LinkResult ReportState(const PcState& state) = 0;
    // Called from another thread when the PC's sender stops: the call in progress, and
    // every later one, should fail soon instead of waiting on the network. The link is
    // not used after it.
    virtual void Interrupt() {}
};

// Where a joined PC's server is and who the PC is there. Kept in the program's own
// store, readable only by the program's account (the connection string carries the
// PC's secret).
struct Membership {
    std::string conninfo;  // a libpq connection string, with the PC's role and password
    std::string pcName;
};

}  // namespace quorvel::cafe
