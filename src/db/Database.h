#pragma once
// The data file and every statement the program issues. One connection, `Conn`,
// is opened at start-up and shared by every window until the login screen unloads.
// Every value is a bound parameter: no typed text can change a statement's meaning.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/Booking.h"
#include "db/DayRow.h"
#include "db/DayText.h"
#include "db/Outbox.h"
#include "storage/FileOps.h"
#include "storage/Sqlite.h"

namespace quorvel::db {

// The data file's password.
inline constexpr const char* kDataFilePassword = "quiltmoss";

// <program folder>/Data/QuorvelData.mdb
std::string DataFilePath(const std::string& programFolder);

// Why the data file at `path` cannot be reached: "Could not find file '...'." when
// nothing is there, else what stands in the way (a folder on the way that this user
// cannot read, named with the system's reason).
std::string UnreachableDataFile(const std::string& path);

class Database {
  public:
    enum class Access { ReadWrite, ReadOnly };
    // Opens an existing keyed data file. Never creates one: a missing, damaged or
    // differently keyed file, or one without the three tables, fails with the reason
    // in `error`. While open, the data file's folder holds a shared lock, so a
    // compaction elsewhere never replaces the file under this connection. ReadOnly
    // never writes a byte of the file (no table is added to an older file either):
    // for readers beside the running program, such as the takings report.
    static std::unique_ptr<Database> Open(const std::string& path, const std::string& password,
                                          std::string& error, Access access = Access::ReadWrite);
    // Creates a new keyed data file with the three tables (provisioning only). Fails
    // when the file already exists. Takes no folder lock.
    static std::unique_ptr<Database> Create(const std::string& path, const std::string& password,
                                            std::string& error);

    const sqlite::Connection& connection() const { return conn_; }
    const std::string& path() const { return path_; }
    bool IsOpen() const { return static_cast<bool>(conn_); }
    void Close() {
        conn_.Close();
        lock_.Release();
    }

  private:
    Database(sqlite::Connection conn, storage::FolderLock lock, std::string path)
        : conn_(std::move(conn)), lock_(std::move(lock)), path_(std::move(path)) {}
    sqlite::Connection conn_;
    storage::FolderLock lock_;
    std::string path_;
};

// The shared connection when it is there and open, else null. Every user of `Conn`
// treats a data file that was never opened, or was closed, as one it cannot reach.
inline Database* IfOpen(const std::shared_ptr<Database>& conn) {
    return conn && conn->IsOpen() ? conn.get() : nullptr;
}

// Opens the keyed file and checks that the key fits and the three tables are there,
// with `DateValue` registered; no lock is taken (the compaction holds its own).
sqlite::Connection OpenKeyedFile(const std::string& path, const std::string& password,
                                 std::string& error,
                                 Database::Access access = Database::Access::ReadWrite);

// CloseDatabase: errors ignored; `Close` on Conn, then Conn is released.
void CloseDatabase(std::shared_ptr<Database>& conn);

// ---- Login_M ------------------------------------------------------------------

struct LoginRow {
    std::string login;
    std::optional<std::string> password;  // nullopt: stored empty (Null)
};

// The login lookup: the name as typed (the caller trims it), matched ignoring letter
// case as the database engine does. The first matching row; nullopt when not found
// or on any error.
std::optional<LoginRow> FindLogin(const Database& db, const std::string& login);
// Writes a new password into the row the lookup of `login` finds (the first match,
// ignoring letter case). False when there is no such row or the write failed.
bool SetPassword(const Database& db, const std::string& login, const std::string& password);
// Adds a login row (provisioning only).
bool AddLogin(const Database& db, const std::string& login, const std::string& password);

// ---- Guest_T ------------------------------------------------------------------

// The daily totals update, booked at most once per session identity: in one
// transaction the day's row is added (Gnum 1, the day stored as "mm/dd/yyyy") or its
// first row updated (Gnum + 1 unless it is at 32767; Gamt + amount), and the identity
// is recorded. `amount` nullopt (or not finite) counts the session but adds nothing;
// an amount whose sum with the day's total would not be finite books nothing (Failed).
// A day text that is not a date books nothing (Failed). An empty identity books
// without being recorded, so it cannot be recognised again. On a PC that has joined a
// cafe's server, `outbox` goes into the outbox in the same transaction (a session
// already booked is not queued again); a full outbox never stops the booking.
Booking AddSessionToDailyTotals(const Database& db, const std::string& dayText,
                                std::optional<double> amount, const std::string& sessionId,
                                const OutboxWrite* outbox = nullptr);
bool IsSessionBooked(const Database& db, const std::string& sessionId);
// The first row of the day; nullopt when there is none or the text is not a date.
std::optional<DayRow> FindDay(const Database& db, const std::string& dayText);
// Rows whose day lies between the two days, both included, in date order (rows of one
// day in the order they were added). Empty when either text is not a date or From lies
// after Till; nullopt when the data file could not be read to the end, so that a
// failure never passes for a range without takings.
std::optional<std::vector<DayRow>> SelectDays(const Database& db, const std::string& fromDay,
                                              const std::string& tillDay);

// ---- Rates_M ------------------------------------------------------------------

// The four quarter-hour rates of the first row; nullopt when there is none. A value
// that is empty or not a number reads as 0.
std::optional<std::array<double, 4>> ReadRates(const Database& db);
// The same row with each value as stored: nullopt for an empty (Null) column.
std::optional<std::array<std::optional<double>, 4>> ReadRateValues(const Database& db);
// Writes the four rates as typed into the rate boxes, adding the row if there is
// none. Each text is read by ParseNumber (db/Numbers.h); a text that is not a
// number is refused and that column keeps its value (Null in a new row). False when
// nothing could be written.
bool WriteRates(const Database& db, const std::array<std::string, 4>& rates);

}  // namespace quorvel::db
