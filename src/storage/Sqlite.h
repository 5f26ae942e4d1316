#pragma once
// Small RAII guards over the SQLCipher C API: a connection and a prepared statement
// that finalise themselves on every path, with values always bound, never spliced.
#include <sqlcipher/sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvel::sqlite {

class Connection {
  public:
    Connection() = default;
    explicit Connection(sqlite3* db) : db_(db) {}
    Connection(Connection&& other) noexcept : db_(other.db_) { other.db_ = nullptr; }
    Connection& operator=(Connection&& other) noexcept;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() { Close(); }

    // Opens (flags as sqlite3_open_v2). On failure the connection stays closed and
    // `error` says why.
    static Connection Open(const std::string& path, int flags, std::string& error);

    sqlite3* get() const { return db_; }
    explicit operator bool() const { return db_ != nullptr; }
    void Close();
    // Runs statements without results; false with `error` set on failure.
    bool Exec(const char* sql, std::string* error = nullptr) const;
    std::string LastError() const { return db_ ? sqlite3_errmsg(db_) : "not open"; }

  private:
    sqlite3* db_ = nullptr;
};

class Statement {
  public:
    Statement(const Connection& db, std::string_view sql);
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement() { sqlite3_finalize(stmt_); }

    bool ok() const { return stmt_ != nullptr; }
    Statement& Bind(int index, std::string_view text);
    Statement& BindBlob(int index, const void* data, std::size_t size);
    Statement& Bind(int index, std::int64_t number);
    Statement& Bind(int index, double number);
    Statement& BindNull(int index);
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step();
    // Steps to completion; true when it finished without error.
    bool Run();

    std::int64_t Int(int column) const { return sqlite3_column_int64(stmt_, column); }
    double Double(int column) const { return sqlite3_column_double(stmt_, column); }
    bool IsNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
    std::string Text(int column) const;

  private:
    sqlite3_stmt* stmt_ = nullptr;
};

// Reads the first `size` bytes of the blob in `column` of row `rowid` straight into
// `out`, without SQLite loading the value whole. False with `error` set on failure.
bool ReadBlob(const Connection& db, const char* table, const char* column, std::int64_t rowid,
              void* out, int size, std::string& error);

// BEGIN IMMEDIATE ... COMMIT, rolled back when it goes out of scope uncommitted.
class Transaction {
  public:
    explicit Transaction(const Connection& db);
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    ~Transaction();
    bool begun() const { return begun_; }
    bool Commit();

  private:
    const Connection& db_;
    bool begun_ = false;
    bool done_ = false;
};

}  // namespace quorvel::sqlite
