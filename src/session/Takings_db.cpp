// The data-file side of the session's takings: Takings over the shared connection.
#include "db/Database.h"
#include "session/Takings.h"
#include "store/publicVar.h"

namespace quorvel::session {

namespace {

class ConnTakings final : public Takings {
  public:
    explicit ConnTakings(store::publicVar& pv) : pv_(pv) {}

    std::optional<std::array<double, 4>> ReadRates() override {
        if (!pv_.Conn || !pv_.Conn->IsOpen()) return std::nullopt;
        return db::ReadRates(*pv_.Conn);
    }

    db::Booking Book(const platform::LocalDateTime& day, std::optional<double> amount,
                     const std::string& sessionId) override {
        if (!pv_.Conn || !pv_.Conn->IsOpen()) return db::Booking::Failed;
        return db::AddSessionToDailyTotals(*pv_.Conn, db::DayText(day.year, day.month, day.day),
                                           amount, sessionId);
    }

  private:
    store::publicVar& pv_;
};

}  // namespace

std::unique_ptr<Takings> MakeConnTakings(store::publicVar& pv) {
    return std::make_unique<ConnTakings>(pv);
}

}  // namespace quorvel::session
