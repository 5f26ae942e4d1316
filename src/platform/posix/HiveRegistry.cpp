#include "platform/posix/HiveRegistry.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "platform/RegistryRules.h"

namespace quorvel::platform {

namespace {

// The store's two tables. SQLite keeps a CREATE statement's text without its
// IF NOT EXISTS; that text is how a file's tables are known to be these.
struct Table {
    const char* name;
    const char* create;
};
constexpr Table kTables[] = {
    {"keys", R"sql(CREATE TABLE IF NOT EXISTS keys(
  id INTEGER PRIMARY KEY,
  parent INTEGER NOT NULL,
  name TEXT NOT NULL COLLATE NOCASE,
  UNIQUE(parent, name)))sql"},
    {"vals", R"sql(CREATE TABLE IF NOT EXISTS vals(
  id INTEGER PRIMARY KEY,
  key INTEGER NOT NULL,
  name TEXT NOT NULL COLLATE NOCASE,
  type INTEGER NOT NULL,
  data BLOB NOT NULL,
  UNIQUE(key, name)))sql"},
};

// A statement's words, one blank between each, without IF NOT EXISTS.
std::string Words(std::string_view sql) {
    std::string out;
    for (std::size_t i = 0; i < sql.size();) {
        while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i]))) ++i;
        const std::size_t start = i;
        while (i < sql.size() && !std::isspace(static_cast<unsigned char>(sql[i]))) ++i;
        if (i > start) out.append(out.empty() ? "" : " ").append(sql.substr(start, i - start));
    }
    const std::string kIfNotExists = " IF NOT EXISTS";
    if (const auto at = out.find(kIfNotExists); at != std::string::npos)
        out.erase(at, kIfNotExists.size());
    return out;
}

// Every object in the file must be one of the store's: its two tables as this program
// makes them and the unique indexes SQLite makes for them. Anything else (another
// table, other columns, a trigger, a view, an index) is a file this program did not
// make and must not write. `fresh`: the file holds no object at all (a new store).
bool CheckSchema(const sqlite::Connection& db, bool& fresh, std::string& why) {
    const std::string notAStore = "file is a database but not a settings store (";
    sqlite::Statement objects(db, "SELECT type, name, tbl_name, sql FROM sqlite_master");
    std::size_t tables = 0, others = 0;
    int rc;
    while ((rc = objects.Step()) == SQLITE_ROW) {
        const std::string type = objects.Text(0), name = objects.Text(1);
        const auto table = std::find_if(std::begin(kTables), std::end(kTables),
                                        [&](const Table& t) { return name == t.name; });
        if (type == "table" && table != std::end(kTables)) {
            if (Words(objects.Text(3)) != Words(table->create)) {
                why = notAStore + "its table " + name + " has other columns)";
                return false;
            }
            ++tables;
        } else if (type == "index" && objects.IsNull(3) &&
                   name == "sqlite_autoindex_" + objects.Text(2) + "_1") {
            ++others;
        } else {
            why = notAStore + "it holds " + type + " " + name + ")";
            return false;
        }
    }
    if (rc != SQLITE_DONE) {
        why = db.LastError();
        return false;
    }
    fresh = tables == 0 && others == 0;
    if (!fresh && tables != std::size(kTables)) {
        why = notAStore + "it lacks a table of one)";
        return false;
    }
    return true;
}

// A value's size in bytes, found without reading its data (SQLite knows a blob's
// length from the row's header). Data another program stored as text is measured in
// bytes too.
constexpr const char* kDataSize =
    "CASE typeof(data) WHEN 'blob' THEN length(data) ELSE length(CAST(data AS BLOB)) END";

// A store file is whole pages of the size its header names. SQLite reads a short
// last page as zeros and would go on writing into it, so a file cut off inside a page
// is refused before SQLite touches it. Damage on a page boundary is left to the
// integrity check that follows.
bool CheckFileShape(const std::string& path, std::string& why) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) {
        why = ec.message();
        return false;
    }
    // Created but never written (a crash right after the first start): an empty store.
    if (size == 0) return true;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        why = "cannot read the file";
        return false;
    }
    unsigned char header[100] = {};
    in.read(reinterpret_cast<char*>(header), sizeof header);
    const auto got = static_cast<std::size_t>(in.gcount());
    static constexpr char kMagic[16] = "SQLite format 3";
    if (std::memcmp(header, kMagic, std::min(got, sizeof kMagic)) != 0) {
        why = "file is not a database";
        return false;
    }
    if (got < sizeof header) {
        why = "file is truncated (" + std::to_string(size) + " bytes)";
        return false;
    }
    std::uint32_t pageSize = header[16] << 8 | header[17];
    if (pageSize == 1) pageSize = 65536;
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0) {
        why = "file header is damaged";
        return false;
    }
    if (size % pageSize != 0) {
        why = "file is truncated (" + std::to_string(size) + " bytes is not a whole number of " +
              std::to_string(pageSize) + "-byte pages)";
        return false;
    }
    return true;
}

}  // namespace

HiveRegistry::HiveRegistry(std::string path, Mode mode, int busyTimeoutMs)
    : path_(std::move(path)), mode_(mode), busyTimeoutMs_(busyTimeoutMs) {
    EnsureReady();
}

bool HiveRegistry::Fail(std::string why) {
    error_ = std::move(why);
    // Nothing is kept open on a file that cannot be used: the next operation looks
    // at it afresh.
    db_.Close();
    return false;
}

std::int32_t HiveRegistry::IoError() {
    error_ = db_.LastError();
    return kErrorRegistryIo;
}

bool HiveRegistry::EnsureReady() {
    if (ready_) return true;
    const bool memory = path_ == ":memory:";
    int flags = SQLITE_OPEN_READWRITE;
    if (!memory) {
        std::error_code ec;
        if (std::filesystem::exists(path_, ec)) {
            std::string why;
            if (!CheckFileShape(path_, why)) return Fail(why);
        } else if (mode_ == Mode::ExistingOnly) {
            return Fail("no such file");
        } else {
            std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ec);
            flags |= SQLITE_OPEN_CREATE;
        }
    } else {
        flags |= SQLITE_OPEN_CREATE;
    }
    std::string error;
    db_ = sqlite::Connection::Open(path_, flags, error);
    if (!db_) return Fail(error);
    sqlite3_busy_timeout(db_.get(), busyTimeoutMs_);

    // Everything up to the schema check only reads, so a file that turns out not to be
    // a store, to be damaged or to be locked by another process is left as it was.
    {
        sqlite::Statement check(db_, "PRAGMA quick_check");
        if (!check.ok()) return Fail(db_.LastError());
        const int rc = check.Step();
        if (rc != SQLITE_ROW) return Fail(db_.LastError());
        std::string verdict = check.Text(0);
        if (verdict != "ok") {
            // The check's findings come one per line; the reason is kept on one.
            std::replace(verdict.begin(), verdict.end(), '\n', ' ');
            return Fail("file is damaged: " + verdict);
        }
    }
    bool fresh = false;
    if (std::string why; !CheckSchema(db_, fresh, why)) return Fail(why);
    // WAL with full sync: one fsync per committed write, and a reader (quorvel-admin
    // beside the running program) never waits on the writer. A crash leaves the last
    // commits in the -wal file, which the next open replays.
    if (!db_.Exec("PRAGMA journal_mode=WAL", &error) ||
        !db_.Exec("PRAGMA synchronous=FULL", &error))
        return Fail(error);
    if (fresh) {
        // Another process may make the same new store at once: IF NOT EXISTS lets
        // both succeed.
        sqlite::Transaction tx(db_);
        if (!tx.begun()) return Fail(db_.LastError());
        for (const auto& table : kTables)
            if (!db_.Exec(table.create, &error)) return Fail(error);
        if (!tx.Commit()) return Fail(db_.LastError());
    }
    error_.clear();
    ready_ = true;
    return true;
}

RegKey HiveRegistry::NewHandle(std::int64_t id) {
    const RegKey handle = nextHandle_++;
    if (nextHandle_ >= 0x80000000u) nextHandle_ = 1;
    open_[handle] = id;
    return handle;
}

std::int32_t HiveRegistry::Resolve(RegKey handle, std::int64_t& id) {
    id = 0;
    if (!EnsureReady()) return kErrorRegistryIo;
    // Predefined roots have no row: their handle value is the parent id of their
    // top-level keys, far above any row id.
    if (IsPredefinedRoot(handle)) {
        id = static_cast<std::int64_t>(handle);
        return kErrorSuccess;
    }
    const auto it = open_.find(handle);
    if (it == open_.end()) return kErrorInvalidHandle;
    // A handle opened on a root itself (an empty path).
    if (IsPredefinedRoot(static_cast<RegKey>(it->second))) {
        id = it->second;
        return kErrorSuccess;
    }
    // A key deleted by another process since it was opened is gone.
    sqlite::Statement exists(db_, "SELECT 1 FROM keys WHERE id=?");
    exists.Bind(1, it->second);
    const int rc = exists.Step();
    if (rc == SQLITE_DONE) return kErrorInvalidHandle;
    if (rc != SQLITE_ROW) return IoError();
    id = it->second;
    return kErrorSuccess;
}

std::int32_t HiveRegistry::Walk(RegKey root, std::string_view path, bool create, RegKey& out) {
    out = 0;
    std::int64_t id = 0;
    if (const auto rc = Resolve(root, id); rc != kErrorSuccess) return rc;

    std::vector<std::string_view> parts;
    if (const auto rc = SplitKeyPath(path, parts); rc != kErrorSuccess) return rc;

    // Only a create writes; an open reads without taking the write lock.
    std::optional<sqlite::Transaction> tx;
    if (create) {
        tx.emplace(db_);
        if (!tx->begun()) return IoError();
    }
    bool created = false;
    for (const auto part : parts) {
        sqlite::Statement find(db_, "SELECT id FROM keys WHERE parent=? AND name=?");
        find.Bind(1, id).Bind(2, part);
        const int rc = find.Step();
        if (rc == SQLITE_ROW) {
            id = find.Int(0);
            continue;
        }
        if (rc != SQLITE_DONE) return IoError();
        if (!create) return kErrorFileNotFound;
        sqlite::Statement insert(db_, "INSERT INTO keys(parent, name) VALUES(?, ?)");
        insert.Bind(1, id).Bind(2, part);
        if (!insert.Run()) return IoError();
        id = sqlite3_last_insert_rowid(db_.get());
        created = true;
    }
    if (created && !tx->Commit()) return IoError();
    out = NewHandle(id);
    return kErrorSuccess;
}

std::int32_t HiveRegistry::OpenKey(RegKey root, std::string_view path, RegKey& out) {
    return Walk(root, path, false, out);
}

std::int32_t HiveRegistry::CreateKey(RegKey root, std::string_view path, RegKey& out) {
    return Walk(root, path, true, out);
}

std::int32_t HiveRegistry::HandOut(const sqlite::Statement& row, int first, std::uint32_t* type,
                                   std::uint8_t* data, std::uint32_t* size) {
    if (type) *type = static_cast<std::uint32_t>(row.Int(first + 1));
    bool copy = false;
    const auto status = SizeOut(static_cast<std::uint32_t>(row.Int(first + 2)), data, size, copy);
    if (!copy || *size == 0) return status;
    // Read while `row` still holds the read transaction, so the bytes are those of the
    // size just reported, straight into the caller's buffer.
    if (!sqlite::ReadBlob(db_, "vals", "data", row.Int(first), data, static_cast<int>(*size),
                          error_))
        return kErrorRegistryIo;
    return status;
}

std::int32_t HiveRegistry::QueryValue(RegKey key, std::string_view name, std::uint32_t* type,
                                      std::uint8_t* data, std::uint32_t* size) {
    std::int64_t id = 0;
    if (const auto rc = Resolve(key, id); rc != kErrorSuccess) return rc;
    if (data && !size) return kErrorInvalidParameter;
    sqlite::Statement find(
        db_, std::string("SELECT id, type, ") + kDataSize + " FROM vals WHERE key=? AND name=?");
    find.Bind(1, id).Bind(2, name);
    const int rc = find.Step();
    if (rc == SQLITE_DONE) return kErrorFileNotFound;
    if (rc != SQLITE_ROW) return IoError();
    return HandOut(find, 0, type, data, size);
}

std::int32_t HiveRegistry::SetValue(RegKey key, std::string_view name, std::uint32_t type,
                                    const std::uint8_t* data, std::uint32_t size) {
    std::int64_t id = 0;
    if (const auto rc = Resolve(key, id); rc != kErrorSuccess) return rc;
    if (name.size() > kMaxValueNameLength || (size > 0 && !data)) return kErrorInvalidParameter;
    std::vector<std::uint8_t> bytes(data, data + size);
    TerminateText(type, bytes);

    // An update keeps the value's place in the enumeration order. The library's
    // SQLite predates UPSERT, so update-else-insert runs as one transaction.
    sqlite::Transaction tx(db_);
    if (!tx.begun()) return IoError();
    sqlite::Statement update(db_, "UPDATE vals SET type=?, data=? WHERE key=? AND name=?");
    update.Bind(1, static_cast<std::int64_t>(type)).BindBlob(2, bytes.data(), bytes.size());
    update.Bind(3, id).Bind(4, name);
    if (!update.Run()) return IoError();
    if (sqlite3_changes(db_.get()) == 0) {
        sqlite::Statement insert(db_, "INSERT INTO vals(key, name, type, data) VALUES(?, ?, ?, ?)");
        insert.Bind(1, id).Bind(2, name).Bind(3, static_cast<std::int64_t>(type));
        insert.BindBlob(4, bytes.data(), bytes.size());
        if (!insert.Run()) return IoError();
    }
    return tx.Commit() ? kErrorSuccess : IoError();
}

std::int32_t HiveRegistry::DeleteValue(RegKey key, std::string_view name) {
    std::int64_t id = 0;
    if (const auto rc = Resolve(key, id); rc != kErrorSuccess) return rc;
    sqlite::Statement erase(db_, "DELETE FROM vals WHERE key=? AND name=?");
    erase.Bind(1, id).Bind(2, name);
    if (!erase.Run()) return IoError();
    return sqlite3_changes(db_.get()) > 0 ? kErrorSuccess : kErrorFileNotFound;
}

std::int32_t HiveRegistry::EnumValue(RegKey key, std::uint32_t index, char* name,
                                     std::uint32_t* nameLen, std::uint32_t* type,
                                     std::uint8_t* data, std::uint32_t* dataSize) {
    std::int64_t id = 0;
    if (const auto rc = Resolve(key, id); rc != kErrorSuccess) return rc;
    if (!name || !nameLen || (data && !dataSize)) return kErrorInvalidParameter;
    sqlite::Statement find(db_, std::string("SELECT name, id, type, ") + kDataSize +
                                    " FROM vals WHERE key=? ORDER BY id LIMIT 1 OFFSET ?");
    find.Bind(1, id).Bind(2, static_cast<std::int64_t>(index));
    const int rc = find.Step();
    if (rc == SQLITE_DONE) return kErrorNoMoreItems;
    if (rc != SQLITE_ROW) return IoError();
    if (const auto status = CopyOutName(find.Text(0), name, nameLen); status != kErrorSuccess)
        return status;
    return HandOut(find, 1, type, data, dataSize);
}

std::int32_t HiveRegistry::CloseKey(RegKey key) {
    if (IsPredefinedRoot(key)) return kErrorSuccess;
    return open_.erase(key) ? kErrorSuccess : kErrorInvalidHandle;
}

}  // namespace quorvel::platform
