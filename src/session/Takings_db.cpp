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
        db::Database* conn = db::IfOpen(pv_.Conn);
        if (!conn) return std::nullopt;
        return db::ReadRates(*conn);
    }

    db::Booking Book(const platform::LocalDateTime& day, std::optional<double> amount,
                     const std::string& sessionId) override {
        db::Database* conn = db::IfOpen(pv_.Conn);
        if (!conn) return db::Booking::Failed;
        return db::AddSessionToDailyTotals(*conn, db::DayText(day.year, day.month, day.day), amount,
                                           sessionId);
    }

  private:
    store::publicVar& pv_;
};

}  // namespace

std::unique_ptr<Takings> MakeConnTakings(store::publicVar& pv) {
    return std::make_unique<ConnTakings>(pv);
}

}  // namespace quorvel::session
