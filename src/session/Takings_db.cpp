// The data-file side of the session's takings; left out of builds without the data
// file's library.
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

    BookingResult Book(const platform::LocalDateTime& day, std::optional<double> amount,
                       const std::string& sessionId) override {
        if (!pv_.Conn || !pv_.Conn->IsOpen()) return BookingResult::Failed;
        switch (db::AddSessionToDailyTotals(*pv_.Conn, db::DayText(day.year, day.month, day.day),
                                            amount, sessionId)) {
            case db::Booking::Booked:
                return BookingResult::Booked;
            case db::Booking::AlreadyBooked:
                return BookingResult::AlreadyBooked;
            case db::Booking::Failed:
                break;
        }
        return BookingResult::Failed;
    }

  private:
    store::publicVar& pv_;
};

}  // namespace

std::unique_ptr<Takings> MakeConnTakings(store::publicVar& pv) {
    return std::make_unique<ConnTakings>(pv);
}

}  // namespace quorvel::session
