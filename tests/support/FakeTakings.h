#pragma once
// Takings in memory: set rates, and a record of every booking made, refusing a second
// booking of the same session as the data file does.
#include <set>
#include <vector>

#include "session/Takings.h"

namespace quorvel::test {

class FakeTakings final : public session::Takings {
  public:
    struct Booking {
        platform::LocalDateTime day;
        std::optional<double> amount;
        std::string sessionId;
        session::SessionTimes times;
    };

    std::optional<std::array<double, 4>> ReadRates() override { return rates; }
    db::Booking Book(const platform::LocalDateTime& day, std::optional<double> amount,
                     const std::string& sessionId, const session::SessionTimes& times) override {
        ++calls;
        if (fail) return db::Booking::Failed;
        if (!ids.insert(sessionId).second) return db::Booking::AlreadyBooked;
        bookings.push_back({day, amount, sessionId, times});
        return db::Booking::Booked;
    }

    std::optional<std::array<double, 4>> rates;
    bool fail = false;
    int calls = 0;
    std::set<std::string> ids;
    std::vector<Booking> bookings;
};

}  // namespace quorvel::test
