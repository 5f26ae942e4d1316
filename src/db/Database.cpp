#include "db/Database.h"

#include <cmath>
#include <filesystem>

#include "db/Numbers.h"
#include "db/Outbox.h"

namespace quorvel::db {

namespace {

constexpr int kBusyTimeoutMs = 2000;
constexpr std::int64_t kMaxGnum = 32767;
// Identities of booked sessions kept for the exactly-once rule. Only the last
// session can still be pending (a new session overwrites the state it is known by),
// so a short tail is plenty.
constexpr int kKeptSessionIds = 200;

// Column order is binding: every reader addresses columns by position.
constexpr const char* kSchema = R"sql(
CREATE TABLE Login_M (Login TEXT COLLATE NOCASE, Password TEXT);
CREATE TABLE Guest_T (Gdate TEXT, Gnum INTEGER CHECK (Gnum BETWEEN -32768 AND 32767), Gamt REAL);
CREATE TABLE Rates_M (Rate0to14 NUMERIC, Rate15to29 NUMERIC, Rate30to44 NUMERIC, Rate45to59 NUMERIC);
)sql";

// Sessions already in the daily totals, recorded in the same transaction as their
// booking; a file made before this table existed gets it on first open.
constexpr const char* kBookedSchema =
    "CREATE TABLE IF NOT EXISTS Booked_T (SessionId TEXT PRIMARY KEY NOT NULL)";

constexpr const char* kSelectLogin =
    "SELECT Login, Password FROM Login_M WHERE Login = ?1 ORDER BY rowid LIMIT 1";
constexpr const char* kSelectDay =
    "SELECT rowid, Gdate, Gnum, Gamt FROM Guest_T WHERE DateValue(rtrim(Gdate)) = ?1 "
    "ORDER BY rowid LIMIT 1";
constexpr const char* kSelectRates =
    "SELECT rowid, Rate0to14, Rate15to29, Rate30to44, Rate45to59 FROM Rates_M "
    "ORDER BY rowid LIMIT 1";

void DateValueSql(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const int size = sqlite3_value_bytes(argv[0]);
    const auto key = text ? DateValue(std::string_view(text, size)) : std::nullopt;
    if (key)
        sqlite3_result_int(ctx, *key);
    else
        sqlite3_result_null(ctx);
}

bool RegisterFunctions(const sqlite::Connection& conn, std::string& error) {
    const int rc =
        sqlite3_create_function_v2(conn.get(), "DateValue", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                   nullptr, DateValueSql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) error = conn.LastError();
    return rc == SQLITE_OK;
}

bool ApplyKey(const sqlite::Connection& conn, const std::string& password, std::string& error) {
    if (sqlite3_key(conn.get(), password.data(), static_cast<int>(password.size())) != SQLITE_OK) {
        error = conn.LastError();
        return false;
    }
    return true;
}

std::string NotADataFile(const std::string& path, const std::string& reason) {
    return "Not a valid password, or the data file '" + path + "' is damaged (" + reason + ").";
}

// Why the first read of the file failed when it is not the key's fault: another program
// holds the write lock, or one stopped part way through a write and left its journal,
// which a read-only opening cannot roll back. The key and the tables could not even be
// looked at, so nothing is said of them. Empty for any other failure.
std::string BeingWritten(const sqlite::Connection& conn, const std::string& path) {
    const std::string file = "The data file '" + path + "' ";
    const std::string reason = " (" + conn.LastError() + ").";
    if (sqlite3_extended_errcode(conn.get()) == SQLITE_READONLY_ROLLBACK)
        return file + "is half-written: a program stopped while writing to it" + reason +
               " The program, or quorvel-admin rates, puts it right as it next opens it.";
    const int code = sqlite3_errcode(conn.get());
    if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
        return file + "is busy: another program is writing to it" + reason +
               " Try again when it has finished.";
    return {};
}

std::string WrongSchema(const std::string& path, const std::string& reason) {
    return "'" + path + "' is not a Quorvel data file (" + reason + ").";
}

// The key fits when the file's first page decrypts; the tables must be there with
// their columns.
bool VerifyDataFile(const sqlite::Connection& conn, const std::string& path, std::string& error) {
    {
        sqlite::Statement probe(conn, "SELECT count(*) FROM sqlite_master");
        if (!probe.ok() || probe.Step() != SQLITE_ROW) {
            error = BeingWritten(conn, path);
            if (error.empty()) error = NotADataFile(path, conn.LastError());
            return false;
        }
    }
    for (const char* check : {"SELECT Login, Password FROM Login_M LIMIT 0",
                              "SELECT Gdate, Gnum, Gamt FROM Guest_T LIMIT 0",
                              "SELECT Rate0to14, Rate15to29, Rate30to44, Rate45to59 "
                              "FROM Rates_M LIMIT 0"}) {
        sqlite::Statement statement(conn, check);
        if (!statement.ok()) {
            error = WrongSchema(path, conn.LastError());
            return false;
        }
    }
    return true;
}

std::optional<double> ColumnNumber(const sqlite::Statement& row, int column) {
    if (row.IsNull(column)) return std::nullopt;
    return row.Double(column);
}

}  // namespace

std::string DataFilePath(const std::string& programFolder) {
    return storage::TextOf(storage::PathOf(programFolder) / "Data" / "QuorvelData.mdb");
}

std::string UnreachableDataFile(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    (void)fs::status(storage::PathOf(path), ec);
    if (!ec || ec == std::errc::no_such_file_or_directory)
        return "Could not find file '" + path + "'.";
    // The nearest folder on the way that cannot be looked into.
    fs::path blocked = storage::PathOf(path).parent_path();
    for (fs::path up = blocked.parent_path(); !up.empty() && up != blocked; up = up.parent_path()) {
        std::error_code upError;
        fs::directory_iterator probe(up, upError);
        if (!upError) break;
        blocked = up;
    }
    return "Cannot read the folder '" + storage::TextOf(blocked) + "': " + ec.message() + ".";
}

sqlite::Connection OpenKeyedFile(const std::string& path, const std::string& password,
                                 std::string& error, Database::Access access) {
    const bool readOnly = access == Database::Access::ReadOnly;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(storage::PathOf(path), ec)) {
        error = std::filesystem::exists(storage::PathOf(path), ec) ? "'" + path + "' is not a file."
                                                                   : UnreachableDataFile(path);
        return {};
    }
    // Never with SQLITE_OPEN_CREATE: opening never creates a file in place of a missing
    // one.
    std::string openError;
    sqlite::Connection conn = sqlite::Connection::Open(
        path, readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE, openError);
    if (!conn) {
        error = "Cannot open '" + path + "': " + openError + ".";
        return {};
    }
    if (!readOnly && sqlite3_db_readonly(conn.get(), "main") == 1) {
        error = "The data file '" + path + "' is read-only.";
        return {};
    }
    sqlite3_busy_timeout(conn.get(), kBusyTimeoutMs);
    if (!ApplyKey(conn, password, error) || !RegisterFunctions(conn, error) ||
        !VerifyDataFile(conn, path, error))
        return {};
    if (readOnly) return conn;
    std::string schemaError;
    if (!conn.Exec(kBookedSchema, &schemaError) || !conn.Exec(kOutboxSchema, &schemaError)) {
        error = "Cannot prepare '" + path + "': " + schemaError + ".";
        return {};
    }
    return conn;
}

std::unique_ptr<Database> Database::Open(const std::string& path, const std::string& password,
                                         std::string& error, Access access) {
    storage::FolderLock lock;
    bool busy = false;
    const std::string folder = storage::TextOf(storage::PathOf(path).parent_path());
    if (!lock.Acquire(folder.empty() ? "." : folder, storage::FolderLock::Mode::Shared, error,
                      &busy)) {
        if (busy)
            error = "The data file '" + path + "' is being compacted by another instance.";
        else if (!storage::FileExists(path))
            error = UnreachableDataFile(path);
        return nullptr;
    }
    sqlite::Connection conn = OpenKeyedFile(path, password, error, access);
    if (!conn) return nullptr;
    return std::unique_ptr<Database>(new Database(std::move(conn), std::move(lock), path));
}

std::unique_ptr<Database> Database::Create(const std::string& path, const std::string& password,
                                           std::string& error) {
    if (!storage::CreateNewEmptyFile(path, error)) return nullptr;
    auto db = [&]() -> std::unique_ptr<Database> {
        std::string openError;
        sqlite::Connection conn = sqlite::Connection::Open(path, SQLITE_OPEN_READWRITE, openError);
        if (!conn) {
            error = "Cannot open '" + path + "': " + openError + ".";
            return nullptr;
        }
        // Waits for another connection's write as an opened file does (a joined PC's
        // sender writes beside the one that books).
        sqlite3_busy_timeout(conn.get(), kBusyTimeoutMs);
        if (!ApplyKey(conn, password, error) || !RegisterFunctions(conn, error)) return nullptr;
        {
            sqlite::Transaction tx(conn);
            if (!tx.begun() || !conn.Exec(kSchema, &error) || !conn.Exec(kBookedSchema, &error) ||
                !conn.Exec(kOutboxSchema, &error) || !tx.Commit()) {
                if (error.empty()) error = conn.LastError();
                return nullptr;
            }
        }
        // No folder lock: provisioning holds the folder itself while it replaces files.
        return std::unique_ptr<Database>(
            new Database(std::move(conn), storage::FolderLock(), path));
    }();
    // A half-made file is of no use to anyone: it goes.
    if (!db) {
        std::string ignored;
        storage::RemoveFile(path, ignored, true);
        storage::RemoveFile(path + "-journal", ignored, true);
    }
    return db;
}

void CloseDatabase(std::shared_ptr<Database>& conn) {
    if (conn) conn->Close();
    conn.reset();
}

// ---- Login_M ------------------------------------------------------------------

std::optional<LoginRow> FindLogin(const Database& db, const std::string& login) {
    sqlite::Statement select(db.connection(), kSelectLogin);
    select.Bind(1, login);
    if (select.Step() != SQLITE_ROW) return std::nullopt;
    LoginRow row;
    row.login = select.Text(0);
    if (!select.IsNull(1)) row.password = select.Text(1);
    return row;
}

bool SetPassword(const Database& db, const std::string& login, const std::string& password) {
    sqlite::Statement update(db.connection(),
                             "UPDATE Login_M SET Password = ?2 WHERE rowid = "
                             "(SELECT rowid FROM Login_M WHERE Login = ?1 ORDER BY rowid LIMIT 1)");
    update.Bind(1, login).Bind(2, password);
    return update.Run() && sqlite3_changes(db.connection().get()) == 1;
}

bool AddLogin(const Database& db, const std::string& login, const std::string& password) {
    sqlite::Statement insert(db.connection(),
                             "INSERT INTO Login_M (Login, Password) VALUES (?1, ?2)");
    insert.Bind(1, login).Bind(2, password);
    return insert.Run();
}

// ---- Guest_T ------------------------------------------------------------------

Booking AddSessionToDailyTotals(const Database& db, const std::string& dayText,
                                std::optional<double> amount, const std::string& sessionId,
                                const OutboxWrite* outbox) {
    const auto key = DateValue(dayText);
    if (!key) return Booking::Failed;
    // Null for "adds nothing": a missing amount or one that is not a finite number.
    const bool hasAmount = amount.has_value() && std::isfinite(amount.value_or(0.0));
    const double amountValue = hasAmount ? amount.value_or(0.0) : 0.0;
    const sqlite::Connection& conn = db.connection();

    sqlite::Transaction tx(conn);
    if (!tx.begun()) return Booking::Failed;
    if (!sessionId.empty()) {
        sqlite::Statement seen(conn, "SELECT 1 FROM Booked_T WHERE SessionId = ?1");
        seen.Bind(1, sessionId);
        const int rc = seen.Step();
        if (rc == SQLITE_ROW) return Booking::AlreadyBooked;
        if (rc != SQLITE_DONE) return Booking::Failed;
    }

    sqlite::Statement select(conn, kSelectDay);
    select.Bind(1, static_cast<std::int64_t>(*key));
    const int rc = select.Step();
    if (rc == SQLITE_DONE) {
        const int k = *key;
        sqlite::Statement insert(conn,
                                 "INSERT INTO Guest_T (Gdate, Gnum, Gamt) VALUES (?1, 1, ?2)");
        insert.Bind(1, DayText(k / 10000, k / 100 % 100, k % 100));
        if (hasAmount)
            insert.Bind(2, amountValue);
        else
            insert.BindNull(2);
        if (!insert.Run()) return Booking::Failed;
    } else if (rc == SQLITE_ROW) {
        const std::int64_t rowid = select.Int(0);
        const std::int64_t count = select.IsNull(2) ? 0 : select.Int(2);
        // Two huge amounts can add up to infinity: such a total is refused whole rather
        // than stored as a day's takings nobody could read.
        const double total = (select.IsNull(3) ? 0.0 : select.Double(3)) + amountValue;
        if (hasAmount && !std::isfinite(total)) return Booking::Failed;
        // A 16-bit count: the increment past 32767 overflows and is skipped, while the
        // amount is still added.
        const std::int64_t newCount = count < kMaxGnum ? count + 1 : count;
        sqlite::Statement update(
            conn,
            "UPDATE Guest_T SET Gnum = ?1, "
            "Gamt = CASE WHEN ?2 IS NULL THEN Gamt ELSE ifnull(Gamt, 0) + ?2 END "
            "WHERE rowid = ?3");
        update.Bind(1, newCount);
        if (hasAmount)
            update.Bind(2, amountValue);
        else
            update.BindNull(2);
        update.Bind(3, rowid);
        if (!update.Run()) return Booking::Failed;
    } else {
        return Booking::Failed;
    }

    if (!sessionId.empty()) {
        sqlite::Statement record(conn, "INSERT INTO Booked_T (SessionId) VALUES (?1)");
        record.Bind(1, sessionId);
        if (!record.Run()) return Booking::Failed;
        sqlite::Statement prune(conn,
                                "DELETE FROM Booked_T WHERE rowid <= "
                                "(SELECT max(rowid) FROM Booked_T) - ?1");
        prune.Bind(1, static_cast<std::int64_t>(kKeptSessionIds));
        if (!prune.Run()) return Booking::Failed;
    }
    if (outbox && !QueueInOutbox(conn, *outbox)) return Booking::Failed;
    return tx.Commit() ? Booking::Booked : Booking::Failed;
}

bool IsSessionBooked(const Database& db, const std::string& sessionId) {
    if (sessionId.empty()) return false;
    sqlite::Statement seen(db.connection(), "SELECT 1 FROM Booked_T WHERE SessionId = ?1");
    seen.Bind(1, sessionId);
    return seen.Step() == SQLITE_ROW;
}

namespace {

DayRow ReadDayRow(const sqlite::Statement& row, int first) {
    DayRow day;
    day.gdate = row.Text(first);
    day.gnum = static_cast<std::int16_t>(row.IsNull(first + 1) ? 0 : row.Int(first + 1));
    if (!row.IsNull(first + 2)) day.gamt = row.Double(first + 2);
    return day;
}

}  // namespace

std::optional<DayRow> FindDay(const Database& db, const std::string& dayText) {
    const auto key = DateValue(dayText);
    if (!key) return std::nullopt;
    sqlite::Statement select(db.connection(), kSelectDay);
    select.Bind(1, static_cast<std::int64_t>(*key));
    if (select.Step() != SQLITE_ROW) return std::nullopt;
    return ReadDayRow(select, 1);
}

std::optional<std::vector<DayRow>> SelectDays(const Database& db, const std::string& fromDay,
                                              const std::string& tillDay) {
    std::vector<DayRow> rows;
    const auto from = DateValue(fromDay);
    const auto till = DateValue(tillDay);
    if (!from || !till) return rows;
    sqlite::Statement select(db.connection(),
                             "SELECT Gdate, Gnum, Gamt FROM Guest_T "
                             "WHERE DateValue(rtrim(Gdate)) BETWEEN ?1 AND ?2 "
                             "ORDER BY DateValue(rtrim(Gdate)), rowid");
    select.Bind(1, static_cast<std::int64_t>(*from)).Bind(2, static_cast<std::int64_t>(*till));
    int rc;
    while ((rc = select.Step()) == SQLITE_ROW) rows.push_back(ReadDayRow(select, 0));
    if (rc != SQLITE_DONE) return std::nullopt;
    return rows;
}

// ---- Rates_M ------------------------------------------------------------------

std::optional<std::array<std::optional<double>, 4>> ReadRateValues(const Database& db) {
    sqlite::Statement select(db.connection(), kSelectRates);
    if (select.Step() != SQLITE_ROW) return std::nullopt;
    std::array<std::optional<double>, 4> values;
    for (int i = 0; i < 4; ++i) values[i] = ColumnNumber(select, i + 1);
    return values;
}

std::optional<std::array<double, 4>> ReadRates(const Database& db) {
    const auto values = ReadRateValues(db);
    if (!values) return std::nullopt;
    std::array<double, 4> rates{};
    for (int i = 0; i < 4; ++i) rates[i] = (*values)[i].value_or(0.0);
    return rates;
}

bool WriteRates(const Database& db, const std::array<std::string, 4>& rates) {
    const sqlite::Connection& conn = db.connection();
    std::array<std::optional<double>, 4> numbers;
    for (int i = 0; i < 4; ++i) numbers[i] = ParseNumber(rates[i]);
    // ?1 to ?4: each rate, Null for a refused text.
    const auto bindRates = [&numbers](sqlite::Statement& statement) {
        for (int i = 0; i < 4; ++i) {
            if (numbers[i])
                statement.Bind(i + 1, *numbers[i]);
            else
                statement.BindNull(i + 1);
        }
    };

    sqlite::Transaction tx(conn);
    if (!tx.begun()) return false;
    std::optional<std::int64_t> rowid;
    {
        sqlite::Statement select(conn, kSelectRates);
        const int rc = select.Step();
        if (rc == SQLITE_ROW)
            rowid = select.Int(0);
        else if (rc != SQLITE_DONE)
            return false;
    }
    if (!rowid) {
        sqlite::Statement insert(conn,
                                 "INSERT INTO Rates_M (Rate0to14, Rate15to29, Rate30to44, "
                                 "Rate45to59) VALUES (?1, ?2, ?3, ?4)");
        bindRates(insert);
        if (!insert.Run()) return false;
    } else {
        // A refused text leaves its column as it was.
        sqlite::Statement update(conn,
                                 "UPDATE Rates_M SET "
                                 "Rate0to14 = CASE WHEN ?1 IS NULL THEN Rate0to14 ELSE ?1 END, "
                                 "Rate15to29 = CASE WHEN ?2 IS NULL THEN Rate15to29 ELSE ?2 END, "
                                 "Rate30to44 = CASE WHEN ?3 IS NULL THEN Rate30to44 ELSE ?3 END, "
                                 "Rate45to59 = CASE WHEN ?4 IS NULL THEN Rate45to59 ELSE ?4 END "
                                 "WHERE rowid = ?5");
        bindRates(update);
        update.Bind(5, *rowid);
        if (!update.Run()) return false;
    }
    return tx.Commit();
}

}  // namespace quorvel::db
