// The takings of every PC for a joined PC's Report tab ("All PCs"), read from the
// cafe's server as the PC's own role.
#include <chrono>

#include "cafe/CafeReportSource.h"
#include "cafe/CafeServer.h"
#include "cafe/Pg.h"
#include "cafe/ServerSchema.h"
#include "db/DayText.h"

namespace quorvel::cafe {

namespace {

// The owner waits at the panel while the report is read, so each step gives up soon:
// making the connection, the server's work, and a network that stops answering. A
// year of a cafe of 50 PCs is read in well under a second.
constexpr std::chrono::seconds kReportPatience{5};

class PgCafeReport final : public CafeReportSource {
  public:
    explicit PgCafeReport(Membership membership) : membership_(std::move(membership)) {}

    // A connection of its own for each report: nothing is held open between reports,
    // and a server restarted since the last one costs nothing.
    std::optional<std::vector<DayTakings>> SelectTakings(const std::string& fromDay,
                                                         const std::string& tillDay,
                                                         std::string& error) override {
        // As YYYY-MM-DD, which the server reads whatever its date settings.
        const auto from = db::IsoFromDay(fromDay), till = db::IsoFromDay(tillDay);
        if (!from || !till) {
            error = "'" + (from ? tillDay : fromDay) + "' is no day";
            return std::nullopt;
        }
        const std::string patience = std::to_string(kReportPatience.count());
        const auto connection = pg::Connect(membership_.conninfo, error,
                                            {{"application_name", "quorvel"},
                                             {"tcp_user_timeout", patience + "000"},
                                             {"options", "-c statement_timeout=" + patience + "s"}},
                                            kReportPatience);
        if (!connection || !SchemaUsable(connection.get(), error)) return std::nullopt;
        return ReadTakings(connection.get(), *from, *till, error);
    }

  private:
    const Membership membership_;
};

}  // namespace

std::shared_ptr<CafeReportSource> OpenCafeReport(const Membership& membership) {
    return std::make_shared<PgCafeReport>(membership);
}

}  // namespace quorvel::cafe
