#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "cafe/Pg.h"
#include "cafe/Transport.h"

namespace quorvel::cafe::pg {

namespace {

std::string OneLine(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    for (char& c : text)
        if (c == '\n') c = ' ';
    return text;
}

struct OptionsFree {
    void operator()(PQconninfoOption* options) const { PQconninfoFree(options); }
};
using Options = std::unique_ptr<PQconninfoOption, OptionsFree>;

std::string ValueOf(const PQconninfoOption* options, const char* keyword) {
    for (const PQconninfoOption* o = options; o && o->keyword; ++o)
        if (std::strcmp(o->keyword, keyword) == 0) return o->val ? o->val : "";
    return "";
}

// Waits for the connection begun by PQconnectStartParams to be made, up to `patience`,
// or until `abandon` is set (looked at ten times a second).
bool Finish(PGconn* connection, std::chrono::seconds patience, const std::atomic<bool>* abandon,
            std::string& error) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    PostgresPollingStatusType status = PGRES_POLLING_WRITING;
    while (status != PGRES_POLLING_OK) {
        if (status == PGRES_POLLING_FAILED) {
            error = OneLine(PQerrorMessage(connection));
            return false;
        }
        if (abandon && abandon->load()) {
            error = "the connection was given up";
            return false;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            error = "the server did not answer within " + std::to_string(patience.count()) + " s";
            return false;
        }
        pollfd wait{PQsocket(connection),
                    static_cast<short>(status == PGRES_POLLING_READING ? POLLIN : POLLOUT), 0};
        const auto slice = abandon ? std::min<std::int64_t>(left.count(), 100) : left.count();
        if (::poll(&wait, 1, static_cast<int>(slice)) == 0) continue;
        status = PQconnectPoll(connection);
    }
    return true;
}

}  // namespace

bool Result::ok() const {
    if (!result_) return false;
    const ExecStatusType status = PQresultStatus(result_.get());
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

std::string Result::Error() const {
    if (!result_) return connectionError_.empty() ? "no answer from the server" : connectionError_;
    const char* primary = PQresultErrorField(result_.get(), PG_DIAG_MESSAGE_PRIMARY);
    return OneLine(primary ? primary : PQresultErrorMessage(result_.get()));
}

std::string Result::Text(int row, int column) const {
    const char* value = PQgetvalue(result_.get(), row, column);
    return value ? value : "";
}

std::int64_t Result::Int(int row, int column) const {
    return std::strtoll(PQgetvalue(result_.get(), row, column), nullptr, 10);
}

std::int64_t Result::Affected() const {
    return result_ ? std::strtoll(PQcmdTuples(result_.get()), nullptr, 10) : 0;
}

Result Exec(PGconn* connection, const std::string& sql, const std::vector<Param>& params) {
    std::vector<const char*> values;
    values.reserve(params.size());
    for (const Param& param : params) values.push_back(param ? param->c_str() : nullptr);
    Result result(PQexecParams(connection, sql.c_str(), static_cast<int>(values.size()), nullptr,
                               values.data(), nullptr, nullptr, 0));
    if (!result.result_) result.connectionError_ = OneLine(PQerrorMessage(connection));
    return result;
}

Connection Connect(const std::string& conninfo, std::string& error,
                   const std::vector<std::pair<std::string, std::string>>& extra,
                   std::chrono::seconds patience, const std::atomic<bool>* abandon) {
    // The connection string is expanded in place: it overrides what comes before it
    // (how a silent network is noticed: TCP keepalives, and a limit on data left
    // unacknowledged, so a cable pulled mid-delivery fails the call within half a
    // minute instead of the system's quarter of an hour), and what follows overrides
    // it.
    std::vector<const char*> keywords{"keepalives_idle", "keepalives_interval", "keepalives_count",
                                      "tcp_user_timeout", "dbname"};
    std::vector<const char*> values{"10", "5", "3", "30000", conninfo.c_str()};
    for (const auto& [keyword, value] : extra) {
        keywords.push_back(keyword.c_str());
        values.push_back(value.c_str());
    }
    keywords.push_back(nullptr);
    values.push_back(nullptr);
    Connection connection(PQconnectStartParams(keywords.data(), values.data(), 1));
    if (!connection) {
        error = "out of memory";
        return nullptr;
    }
    if (PQstatus(connection.get()) == CONNECTION_BAD) {
        error = OneLine(PQerrorMessage(connection.get()));
        return nullptr;
    }
    // libpq has the connection string, the environment and the service file resolved
    // by now, and has sent at most the opening packet (the role's and the database's
    // names): the check comes before any password or figure could cross.
    const Options resolved(PQconninfo(connection.get()));
    if (const auto refused =
            TransportRefusal(ValueOf(resolved.get(), "host"), ValueOf(resolved.get(), "hostaddr"),
                             ValueOf(resolved.get(), "sslmode"))) {
        error = *refused;
        return nullptr;
    }
    // The connection string may ask for less patience (libpq's connect_timeout, whole
    // seconds, at least 2), never for more: a window may be waiting on the answer.
    const long asked = std::strtol(ValueOf(resolved.get(), "connect_timeout").c_str(), nullptr, 10);
    if (asked > 0 && asked < patience.count()) patience = std::chrono::seconds(std::max(asked, 2L));
    if (!Finish(connection.get(), patience, abandon, error)) return nullptr;
    return connection;
}

std::optional<std::vector<std::pair<std::string, std::string>>> ExplicitOptions(
    const std::string& conninfo, std::string& error) {
    char* why = nullptr;
    const Options parsed(PQconninfoParse(conninfo.c_str(), &why));
    if (!parsed) {
        error = why ? OneLine(why) : "out of memory";
        PQfreemem(why);
        return std::nullopt;
    }
    std::vector<std::pair<std::string, std::string>> options;
    for (const PQconninfoOption* o = parsed.get(); o->keyword; ++o)
        if (o->val) options.emplace_back(o->keyword, o->val);
    return options;
}

std::string ConnectionString(const std::vector<std::pair<std::string, std::string>>& options) {
    std::string text;
    for (const auto& [keyword, value] : options) {
        if (!text.empty()) text += ' ';
        text += keyword + "='";
        for (const char c : value) {
            if (c == '\\' || c == '\'') text += '\\';
            text += c;
        }
        text += '\'';
    }
    return text;
}

Transaction::Transaction(PGconn* connection) : connection_(connection) {
    const Result begun = Exec(connection_, "BEGIN");
    open_ = begun.ok();
    if (!open_) error_ = begun.Error();
}

Transaction::~Transaction() {
    if (open_ && PQstatus(connection_) == CONNECTION_OK) Exec(connection_, "ROLLBACK");
}

bool Transaction::Commit() {
    if (!open_) return false;
    open_ = false;
    const Result committed = Exec(connection_, "COMMIT");
    // COMMIT of a transaction that failed answers "ROLLBACK": nothing was kept.
    if (!committed.ok()) {
        error_ = committed.Error();
        return false;
    }
    if (committed.Command() != "COMMIT") {
        error_ = "the server rolled the transaction back";
        return false;
    }
    return true;
}

}  // namespace quorvel::cafe::pg
