#include "storage/Sqlite.h"

#include <memory>

namespace quorvel::sqlite {

Connection& Connection::operator=(Connection&& other) noexcept {
    if (this != &other) {
        Close();
        db_ = other.db_;
        other.db_ = nullptr;
    }
    return *this;
}

Connection Connection::Open(const std::string& path, int flags, std::string& error) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    Connection conn(db);
    if (rc != SQLITE_OK) {
        error = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        conn.Close();
    }
    return conn;
}

void Connection::Close() {
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
}

bool Connection::Exec(const char* sql, std::string* error) const {
    if (!db_) {
        if (error) *error = "not open";
        return false;
    }
    char* message = nullptr;
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &message);
    if (rc != SQLITE_OK && error) *error = message ? message : sqlite3_errstr(rc);
    sqlite3_free(message);
    return rc == SQLITE_OK;
}

Statement::Statement(const Connection& db, std::string_view sql) {
    if (!db) return;
    if (sqlite3_prepare_v2(db.get(), sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr) !=
        SQLITE_OK) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
    }
}

Statement& Statement::Bind(int index, std::string_view text) {
    if (stmt_)
        sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::BindBlob(int index, const void* data, std::size_t size) {
    if (stmt_)
        sqlite3_bind_blob(stmt_, index, size ? data : "", static_cast<int>(size), SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::Bind(int index, std::int64_t number) {
    if (stmt_) sqlite3_bind_int64(stmt_, index, number);
    return *this;
}

Statement& Statement::Bind(int index, double number) {
    if (stmt_) sqlite3_bind_double(stmt_, index, number);
    return *this;
}

Statement& Statement::BindNull(int index) {
    if (stmt_) sqlite3_bind_null(stmt_, index);
    return *this;
}

int Statement::Step() {
    return stmt_ ? sqlite3_step(stmt_) : SQLITE_MISUSE;
}

bool Statement::Run() {
    int rc;
    while ((rc = Step()) == SQLITE_ROW) {
    }
    return rc == SQLITE_DONE;
}

std::string Statement::Text(int column) const {
    const auto* bytes = sqlite3_column_blob(stmt_, column);
    const int size = sqlite3_column_bytes(stmt_, column);
    return bytes ? std::string(static_cast<const char*>(bytes), size) : std::string();
}

bool ReadBlob(const Connection& db, const char* table, const char* column, std::int64_t rowid,
              void* out, int size, std::string& error) {
    struct Closer {
        void operator()(sqlite3_blob* blob) const { sqlite3_blob_close(blob); }
    };
    sqlite3_blob* opened = nullptr;
    int rc = sqlite3_blob_open(db.get(), "main", table, column, rowid, 0, &opened);
    std::unique_ptr<sqlite3_blob, Closer> blob(opened);
    if (rc == SQLITE_OK) rc = sqlite3_blob_read(blob.get(), out, size, 0);
    // Taken before the blob closes, which may reset the connection's message.
    if (rc != SQLITE_OK) error = db.LastError();
    return rc == SQLITE_OK;
}

Transaction::Transaction(const Connection& db) : db_(db) {
    begun_ = db_.Exec("BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
    if (begun_ && !done_) db_.Exec("ROLLBACK");
}

bool Transaction::Commit() {
    if (!begun_ || done_) return false;
    done_ = db_.Exec("COMMIT");
    return done_;
}

}  // namespace quorvel::sqlite
