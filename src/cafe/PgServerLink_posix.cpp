// The link a joined PC delivers its sessions and reports its state through.
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>

#include "cafe/CafeServer.h"
#include "cafe/Pg.h"
#include "cafe/ServerSchema.h"
#include "db/DayText.h"

namespace quorvel::cafe {

namespace {

// Sessions per INSERT: a backlog goes in a few statements, well within the 65535
// parameters one statement may bind.
constexpr std::size_t kSessionsPerStatement = 1000;
constexpr int kColumns = 7;

// An INSERT of `rows` sessions of this PC, every value a parameter. The server finds
// which PC from the role that logged in, once for the statement rather than for each
// row. A session the server holds already is left as it is.
std::string InsertSessions(std::size_t rows) {
    std::string sql =
        "INSERT INTO quorvel.sessions (pc, session_id, day, started_at, ended_at, "
        "elapsed_seconds, amount_cents, currency) SELECT (SELECT quorvel.my_pc()), v.* FROM "
        "(VALUES ";
    for (std::size_t row = 0; row < rows; ++row) {
        const auto p = [&](int column) { return "$" + std::to_string(row * kColumns + column); };
        sql += (row ? ", (" : "(") + p(1) + ", " + p(2) + "::date, to_timestamp(" + p(3) +
               "::bigint), to_timestamp(" + p(4) + "::bigint), " + p(5) + "::bigint, " + p(6) +
               "::bigint, " + p(7) + ")";
    }
    return sql + ") v ON CONFLICT DO NOTHING";
}

constexpr const char* kReportState =
    "INSERT INTO quorvel.pc_state AS s (in_session, since, elapsed_seconds, owed_cents, "
    "currency, last_seen) VALUES ($1::boolean, "
    "CASE WHEN $1::boolean THEN to_timestamp($2::bigint) END, $3::bigint, $4::bigint, $5, now()) "
    "ON CONFLICT (pc) DO UPDATE SET in_session = excluded.in_session, since = excluded.since, "
    "elapsed_seconds = excluded.elapsed_seconds, owed_cents = excluded.owed_cents, "
    "currency = excluded.currency, last_seen = excluded.last_seen";

// A delivery's transaction cut off from its PC keeps the batch's rows locked on the
// server, and the same batch sent again over a new connection waits for them; the
// server itself notices the PC gone only after hours (its own keepalive settings). So
// the server is asked to end a transaction of this PC's left silent for half a minute
// (the PC gives up on a silent network as soon), unless the connection string or the
// server's settings already put a limit on it.
constexpr const char* kLimitSilentTransactions =
    "SELECT set_config('idle_in_transaction_session_timeout', '30s', false) "
    "WHERE current_setting('idle_in_transaction_session_timeout') = '0'";

class PgServerLink final : public ServerLink {
  public:
    explicit PgServerLink(Membership membership) : membership_(std::move(membership)) {}

    LinkResult Deliver(const std::vector<ClosedSession>& sessions) override {
        if (sessions.empty()) return {true, ""};
        // A day in another form would be read by the server's own date settings, and
        // so maybe as another day.
        for (const ClosedSession& session : sessions)
            if (!db::DayFromIso(session.day))
                return {false, "the session " + session.sessionId +
                                   " has no day written as YYYY-MM-DD: '" + session.day + "'"};
        return Run([&](PGconn* connection) -> std::string {
            pg::Transaction transaction(connection);
            if (!transaction.error().empty()) return transaction.error();
            for (std::size_t first = 0; first < sessions.size(); first += kSessionsPerStatement) {
                const std::size_t rows = std::min(kSessionsPerStatement, sessions.size() - first);
                std::vector<pg::Param> params;
                params.reserve(rows * kColumns);
                for (std::size_t i = first; i < first + rows; ++i) {
                    const ClosedSession& s = sessions[i];
                    params.insert(params.end(),
                                  {s.sessionId, s.day, std::to_string(s.startedAt),
                                   std::to_string(s.endedAt), std::to_string(s.elapsedSeconds),
                                   std::to_string(s.amountCents), s.currency});
                }
                const pg::Result inserted = pg::Exec(connection, InsertSessions(rows), params);
                if (!inserted.ok()) return inserted.Error();
            }
            return transaction.Commit() ? "" : transaction.error();
        });
    }

    LinkResult ReportState(const PcState& state) override {
        return Run([&](PGconn* connection) -> std::string {
            const pg::Result reported =
                pg::Exec(connection, kReportState,
                         {state.inSession ? "true" : "false", std::to_string(state.since),
                          std::to_string(state.elapsedSeconds), std::to_string(state.owedCents),
                          state.currency});
            return reported.ok() ? "" : reported.Error();
        });
    }

    // From the sender's stopping thread, while a call may be waiting on the server or
    // on a network that is gone: the connection's socket is shut both ways, so the call
    // returns at once, and no later call reaches the network; a connection being made
    // is given up. The server rolls back what the call began when it hears of it. (A
    // cancel request would need a new connection, and would wait on the same network:
    // for minutes with the cable pulled, for ever on a server that took it and went
    // silent.)
    void Interrupt() override {
        interrupted_ = true;
        std::lock_guard<std::mutex> hold(socketMutex_);
        if (socket_ >= 0) ::shutdown(socket_, SHUT_RDWR);
    }

  private:
    // Runs `work` (which answers "" when done, else why not) on the connection, making
    // it first when there is none. A connection the server dropped since the last call
    // (it was restarted, say) is made again at once, rather than failing a call
    // that a fresh connection would carry.
    template <typename Work>
    LinkResult Run(const Work& work) {
        std::lock_guard<std::mutex> hold(mutex_);
        if (interrupted_) return {false, kStopped};
        std::string error;
        if (connection_) {
            error = work(connection_.get());
            if (error.empty()) return {true, ""};
            if (PQstatus(connection_.get()) == CONNECTION_OK) return {false, error};
            Drop();
        }
        if (interrupted_) return {false, kStopped};
        if (!Open(error)) return {false, error};
        if (interrupted_) return {false, kStopped};
        error = work(connection_.get());
        if (!error.empty() && PQstatus(connection_.get()) != CONNECTION_OK) Drop();
        return {error.empty(), error};
    }

    bool Open(std::string& error) {
        error.clear();
        auto connection =
            pg::Connect(membership_.conninfo, error, {{"application_name", "quorvel"}},
                        pg::kConnectTimeout, &interrupted_);
        if (!connection) return false;
        {
            std::lock_guard<std::mutex> hold(socketMutex_);
            socket_ = PQsocket(connection.get());
            connection_ = std::move(connection);
        }
        // From here on an Interrupt reaches the socket; one that came before is seen.
        if (interrupted_) error = kStopped;
        if (error.empty() && SchemaUsable(connection_.get(), error, kDeliverySchemaVersion)) {
            const pg::Result limited = pg::Exec(connection_.get(), kLimitSilentTransactions);
            if (limited.ok()) return true;
            error = limited.Error();
        }
        Drop();
        return false;
    }

    // The socket is forgotten before it is closed, so Interrupt never shuts a number
    // the system has given to something else since.
    void Drop() {
        std::lock_guard<std::mutex> hold(socketMutex_);
        socket_ = -1;
        connection_.reset();
    }

    static constexpr const char* kStopped = "the sender is stopping";
    const Membership membership_;
    std::atomic<bool> interrupted_{false};
    std::mutex mutex_;  // the connection is used by one call at a time
    pg::Connection connection_;
    std::mutex socketMutex_;  // Interrupt comes from another thread than the calls
    int socket_ = -1;         // connection_'s, while it is open
};

}  // namespace

std::unique_ptr<ServerLink> OpenServerLink(const Membership& membership) {
    return std::make_unique<PgServerLink>(membership);
}

}  // namespace quorvel::cafe
