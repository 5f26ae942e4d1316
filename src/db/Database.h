#pragma once
// The data file and every statement the program issues. One connection, `Conn`,
// is opened at start-up and shared by every window until the login screen unloads.
// Every value is a bound parameter: no typed text can change a statement's meaning.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/Sqlite.h"

namespace quorvel::db {

// The data file's password.
inline constexpr const char* kDataFilePassword = "quiltmoss";

// <program folder>/Data/QuorvelData.mdb
std::string DataFilePath(const std::string& programFolder);

class Database {
  public:
    // Opens an existing keyed data file. Never creates one: a missing, damaged or
    // differently keyed file fails with the reason in `error`.
    static std::unique_ptr<Database> Open(const std::string& path, const std::string& password,
                                          std::string& error);
    // Creates a new keyed data file with the three tables (provisioning only).
    static std::unique_ptr<Database> Create(const std::string& path, const std::string& password,
                                            std::string& error);

    const sqlite::Connection& connection() const { return conn_; }
    bool IsOpen() const { return static_cast<bool>(conn_); }
    // CloseDatabase: errors ignored.
    void Close() { conn_.Close(); }

  private:
    explicit Database(sqlite::Connection conn) : conn_(std::move(conn)) {}
    sqlite::Connection conn_;
};

// ---- Login_M ------------------------------------------------------------------

struct LoginRow {
    std::string login;
    std::optional<std::string> password;  // nullopt: stored empty (Null)
};

// The login lookup: the name as typed (the caller trims it), matched ignoring letter
// case as the database engine does. nullopt when not found or on any error.
std::optional<LoginRow> FindLogin(const Database& db, const std::string& login);
// Writes a new password for the row whose Login is exactly `login`.
bool SetPassword(const Database& db, const std::string& login, const std::string& password);
// Adds a login row (provisioning only).
bool AddLogin(const Database& db, const std::string& login, const std::string& password);

// ---- Guest_T ------------------------------------------------------------------

// The day as stored and looked up: "mm/dd/yyyy".
std::string DayText(int year, int month, int day);

struct DayRow {
    std::string gdate;            // "mm/dd/yyyy"
    std::int16_t gnum = 0;
    std::optional<double> gamt;   // nullopt when the day's first amount was not a number
};

enum class Booking { Booked, AlreadyBooked, Failed };

// The daily totals update, booked at most once per session identity: in one
// transaction the day's row is added (Gnum 1) or updated (Gnum + 1 unless it is at
// 32767; Gamt + amount), and the identity is recorded. `amount` nullopt adds the
// session to the count only. A day text that is not a date books nothing (Failed).
Booking AddSessionToDailyTotals(const Database& db, const std::string& dayText,
                                std::optional<double> amount, const std::string& sessionId);
bool IsSessionBooked(const Database& db, const std::string& sessionId);
std::optional<DayRow> FindDay(const Database& db, const std::string& dayText);
// Rows whose day lies between the two days, both included, in date order.
std::vector<DayRow> SelectDays(const Database& db, const std::string& fromDay,
                               const std::string& tillDay);

// ---- Rates_M ------------------------------------------------------------------

// The four quarter-hour rates of the first row as stored; nullopt when there is none.
std::optional<std::array<double, 4>> ReadRates(const Database& db);
// Writes the four rates (as typed into the rate boxes), adding the row if none.
bool WriteRates(const Database& db, const std::array<std::string, 4>& rates);

}  // namespace quorvel::db
