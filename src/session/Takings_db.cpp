// The data-file side of the session's takings: Takings over the shared connection.
#include <cmath>

#include "cafe/Sender.h"
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
                     const std::string& sessionId, const SessionTimes& times) override {
        db::Database* conn = db::IfOpen(pv_.Conn);
        if (!conn) return db::Booking::Failed;
        const std::string dayText = db::DayText(day.year, day.month, day.day);
        if (!pv_.Cafe || sessionId.empty())
            return db::AddSessionToDailyTotals(*conn, dayText, amount, sessionId);

        db::OutboxWrite outbox;
        db::OutboxEntry& e = outbox.entry;
        e.sessionId = sessionId;
        e.day = db::IsoDay(day.year, day.month, day.day);
        e.startedAt = times.startedAt;
        e.endedAt = times.endedAt;
        e.elapsedSeconds = times.elapsedSeconds;
        // The amount as the daily totals add it: nothing for one that is not a number.
        const double cents = amount.value_or(0.0) * 100.0;
        e.amountCents = std::isfinite(cents) && std::fabs(cents) < 9e18 ? std::llround(cents) : 0;
        e.currency = pv_.CurrencySymbol;
        const db::Booking booked =
            db::AddSessionToDailyTotals(*conn, dayText, amount, sessionId, &outbox);
        if (booked == db::Booking::Booked) pv_.Cafe->Queued();
        return booked;
    }

  private:
    store::publicVar& pv_;
};

}  // namespace

std::unique_ptr<Takings> MakeConnTakings(store::publicVar& pv) {
    return std::make_unique<ConnTakings>(pv);
}

}  // namespace quorvel::session
