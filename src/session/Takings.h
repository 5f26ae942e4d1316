#pragma once
// What a guest session asks of the data file: the rates, and the booking of a session
// into its day's totals. Kept behind this small interface so the session rules are
// tested over a double, without a data file.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "db/Booking.h"
#include "platform/Clock.h"

namespace quorvel::store {
class publicVar;
}

namespace quorvel::session {

// When a session ran, for a cafe's server: seconds since 1970-01-01 UTC.
struct SessionTimes {
    std::int64_t startedAt = 0;
    std::int64_t endedAt = 0;
    std::int64_t elapsedSeconds = 0;
};

class Takings {
  public:
    virtual ~Takings() = default;
    // The four rates of the first row of Rates_M as stored; nullopt when there is none
    // or the data file cannot be read.
    virtual std::optional<std::array<double, 4>> ReadRates() = 0;
    // Adds one guest and `amount` (nullopt: the count only) to the row of `day`, at most
    // once per `sessionId`, in one transaction with the record of that identity (and,
    // on a PC that has joined a cafe's server, with its entry in the outbox).
    virtual db::Booking Book(const platform::LocalDateTime& day, std::optional<double> amount,
                             const std::string& sessionId, const SessionTimes& times) = 0;
};

// The takings in the shared connection `Conn` of `pv` (read at each call, so a closed
// or missing connection simply fails).
std::unique_ptr<Takings> MakeConnTakings(store::publicVar& pv);

}  // namespace quorvel::session
