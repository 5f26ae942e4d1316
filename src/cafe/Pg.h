#pragma once
// Small RAII owners over libpq: a connection and a result that are freed on every path,
// and statements that always take their values as bound parameters, never spliced into
// the text. Linux only: included from the cafe's *_posix.cpp files alone.
#include <libpq-fe.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quorvel::cafe::pg {

struct ConnectionCloser {
    void operator()(PGconn* connection) const { PQfinish(connection); }
};
using Connection = std::unique_ptr<PGconn, ConnectionCloser>;

// One parameter: its text, or SQL NULL.
using Param = std::optional<std::string>;

class Result {
  public:
    Result() = default;
    explicit Result(PGresult* result) : result_(result) {}
    // True when the statement ran (a command done, or rows to read).
    bool ok() const;
    // Why it failed, in one line.
    std::string Error() const;
    int Rows() const { return result_ ? PQntuples(result_.get()) : 0; }
    bool IsNull(int row, int column) const { return PQgetisnull(result_.get(), row, column) != 0; }
    std::string Text(int row, int column) const;
    std::int64_t Int(int row, int column) const;
    // How many rows an INSERT, UPDATE or DELETE touched.
    std::int64_t Affected() const;
    // The command's tag ("COMMIT", "INSERT 0 1", ...).
    std::string Command() const { return result_ ? PQcmdStatus(result_.get()) : ""; }

  private:
    struct Clear {
        void operator()(PGresult* result) const { PQclear(result); }
    };
    std::unique_ptr<PGresult, Clear> result_;
    std::string connectionError_;
    friend Result Exec(PGconn*, const std::string&, const std::vector<Param>&);
};

// Runs one statement with `params` bound to $1, $2, ... as text.
Result Exec(PGconn* connection, const std::string& sql, const std::vector<Param>& params = {});

// Opens a connection described by `conninfo` (a libpq connection string or URI; empty
// means the PG* environment variables and the service file decide), with `extra`
// keywords taking the place of the string's own (the PC's role and password when it
// joins, say). A connection that would reach a server over the network without
// checking its certificate is refused before it is made (TransportRefusal). Null with
// `error` set when it could not be made within `patience` (or within the connection
// string's connect_timeout, when that is shorter), or when another thread set
// `abandon` meanwhile.
inline constexpr std::chrono::seconds kConnectTimeout{10};
Connection Connect(const std::string& conninfo, std::string& error,
                   const std::vector<std::pair<std::string, std::string>>& extra = {},
                   std::chrono::seconds patience = kConnectTimeout,
                   const std::atomic<bool>* abandon = nullptr);

// The keywords a connection string sets itself (URI or key=value), none of the
// defaults; nullopt with `error` when it cannot be read.
std::optional<std::vector<std::pair<std::string, std::string>>> ExplicitOptions(
    const std::string& conninfo, std::string& error);

// Keywords as a key=value connection string, every value quoted.
std::string ConnectionString(const std::vector<std::pair<std::string, std::string>>& options);

// A transaction that is rolled back when it goes out of scope without Commit.
class Transaction {
  public:
    explicit Transaction(PGconn* connection);
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    ~Transaction();
    // Why BEGIN failed, "" when the transaction is open.
    const std::string& error() const { return error_; }
    // True once the server has committed.
    bool Commit();

  private:
    PGconn* connection_;
    bool open_ = false;
    std::string error_;
};

}  // namespace quorvel::cafe::pg
