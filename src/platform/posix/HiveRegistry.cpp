#include "platform/posix/HiveRegistry.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <vector>

namespace quorvel::platform {

namespace {

constexpr std::size_t kMaxKeyNameLength = 255;
constexpr std::size_t kMaxValueNameLength = 16383;
constexpr int kBusyTimeoutMs = 250;

// Predefined roots (HKEY_CLASSES_ROOT .. HKEY_CURRENT_CONFIG) live as rows whose id
// is the handle value itself, so they can never clash with a key's row id.
bool IsPredefinedRoot(RegKey key) { return key >= 0x80000000u && key <= 0x80000005u; }

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS keys(
  id INTEGER PRIMARY KEY,
  parent INTEGER NOT NULL,
  name TEXT NOT NULL COLLATE NOCASE,
  UNIQUE(parent, name));
CREATE TABLE IF NOT EXISTS vals(
  id INTEGER PRIMARY KEY,
  key INTEGER NOT NULL,
  name TEXT NOT NULL COLLATE NOCASE,
  type INTEGER NOT NULL,
  data BLOB NOT NULL,
  UNIQUE(key, name));
)sql";

}  // namespace

HiveRegistry::HiveRegistry(std::string path) : path_(std::move(path)) { EnsureReady(); }

bool HiveRegistry::EnsureReady() {
    if (ready_) return true;
    if (!db_) {
        if (path_ != ":memory:") {
            std::error_code ec;
            std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ec);
        }
        db_ = sqlite::Connection::Open(path_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, error_);
        if (!db_) return false;
        sqlite3_busy_timeout(db_.get(), kBusyTimeoutMs);
    }
    // WAL with full sync: one fsync per committed write, and readers never wait on
    // the writer. A file that is not a store fails here and is left untouched.
    std::string error;
    if (!db_.Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;", &error) ||
        !db_.Exec(kSchema, &error)) {
        error_ = error;
        return false;
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

std::int64_t HiveRegistry::KeyId(RegKey handle) {
    if (IsPredefinedRoot(handle)) return static_cast<std::int64_t>(handle);
    const auto it = open_.find(handle);
    if (it == open_.end()) return 0;
    // A key deleted by another process since it was opened is gone.
    sqlite::Statement exists(db_, "SELECT 1 FROM keys WHERE id=?");
    exists.Bind(1, it->second);
    return exists.Step() == SQLITE_ROW ? it->second : 0;
}

std::int32_t HiveRegistry::Walk(RegKey root, std::string_view path, bool create, RegKey& out) {
    out = 0;
    if (!EnsureReady()) return kErrorRegistryIo;
    std::int64_t id = KeyId(root);
    if (id == 0) return kErrorInvalidHandle;

    std::vector<std::string_view> parts;
    if (!path.empty()) {
        std::size_t start = 0;
        while (true) {
            const std::size_t end = path.find('\\', start);
            parts.push_back(path.substr(start, end == std::string_view::npos ? end : end - start));
            if (end == std::string_view::npos) break;
            start = end + 1;
        }
    }
    for (const auto part : parts) {
        // An empty component (a backslash at either end or doubled) would make two
        // spellings name one key, or a key with no name: refuse it.
        if (part.empty()) return kErrorBadPathname;
        if (part.size() > kMaxKeyNameLength) return kErrorInvalidParameter;
    }

    sqlite::Transaction tx(db_);
    if (create && !tx.begun()) return kErrorRegistryIo;
    bool created = false;
    for (const auto part : parts) {
        sqlite::Statement find(db_, "SELECT id FROM keys WHERE parent=? AND name=?");
        find.Bind(1, id).Bind(2, part);
        const int rc = find.Step();
        if (rc == SQLITE_ROW) {
            id = find.Int(0);
            continue;
        }
        if (rc != SQLITE_DONE) return kErrorRegistryIo;
        if (!create) return kErrorFileNotFound;
        sqlite::Statement insert(db_, "INSERT INTO keys(parent, name) VALUES(?, ?)");
        insert.Bind(1, id).Bind(2, part);
        if (!insert.Run()) return kErrorRegistryIo;
        id = sqlite3_last_insert_rowid(db_.get());
        created = true;
    }
    if (created && !tx.Commit()) return kErrorRegistryIo;
    out = NewHandle(id);
    return kErrorSuccess;
}

std::int32_t HiveRegistry::OpenKey(RegKey root, std::string_view path, RegKey& out) {
    return Walk(root, path, false, out);
}

std::int32_t HiveRegistry::CreateKey(RegKey root, std::string_view path, RegKey& out) {
    return Walk(root, path, true, out);
}

std::int32_t HiveRegistry::QueryValue(RegKey key, std::string_view name, std::uint32_t* type,
                                      std::uint8_t* data, std::uint32_t* size) {
    if (!EnsureReady()) return kErrorRegistryIo;
    const std::int64_t id = KeyId(key);
    if (id == 0) return kErrorInvalidHandle;
    if (data && !size) return kErrorInvalidParameter;
    sqlite::Statement find(db_, "SELECT type, data FROM vals WHERE key=? AND name=?");
    find.Bind(1, id).Bind(2, name);
    const int rc = find.Step();
    if (rc == SQLITE_DONE) return kErrorFileNotFound;
    if (rc != SQLITE_ROW) return kErrorRegistryIo;
    const auto stored = find.Blob(1);
    if (type) *type = static_cast<std::uint32_t>(find.Int(0));
    if (!size) return kErrorSuccess;
    const auto needed = static_cast<std::uint32_t>(stored.size());
    if (!data) {
        *size = needed;
        return kErrorSuccess;
    }
    if (*size < needed) {
        *size = needed;
        return kErrorMoreData;
    }
    std::copy(stored.begin(), stored.end(), data);
    *size = needed;
    return kErrorSuccess;
}

std::int32_t HiveRegistry::SetValue(RegKey key, std::string_view name, std::uint32_t type,
                                    const std::uint8_t* data, std::uint32_t size) {
    if (!EnsureReady()) return kErrorRegistryIo;
    const std::int64_t id = KeyId(key);
    if (id == 0) return kErrorInvalidHandle;
    if (name.size() > kMaxValueNameLength || (size > 0 && !data)) return kErrorInvalidParameter;
    std::vector<std::uint8_t> bytes(data, data + size);
    // Text is kept NUL-terminated, so a read reports the terminator in its size.
    const bool text = type == kRegSz || type == kRegExpandSz;
    if (text && (bytes.empty() || bytes.back() != 0)) bytes.push_back(0);

    // An update keeps the value's place in the enumeration order. The library's
    // SQLite predates UPSERT, so update-else-insert runs as one transaction.
    sqlite::Transaction tx(db_);
    if (!tx.begun()) return kErrorRegistryIo;
    sqlite::Statement update(db_, "UPDATE vals SET type=?, data=? WHERE key=? AND name=?");
    update.Bind(1, static_cast<std::int64_t>(type)).BindBlob(2, bytes.data(), bytes.size());
    update.Bind(3, id).Bind(4, name);
    if (!update.Run()) return kErrorRegistryIo;
    if (sqlite3_changes(db_.get()) == 0) {
        sqlite::Statement insert(db_, "INSERT INTO vals(key, name, type, data) VALUES(?, ?, ?, ?)");
        insert.Bind(1, id).Bind(2, name).Bind(3, static_cast<std::int64_t>(type));
        insert.BindBlob(4, bytes.data(), bytes.size());
        if (!insert.Run()) return kErrorRegistryIo;
    }
    return tx.Commit() ? kErrorSuccess : kErrorRegistryIo;
}

std::int32_t HiveRegistry::DeleteValue(RegKey key, std::string_view name) {
    if (!EnsureReady()) return kErrorRegistryIo;
    const std::int64_t id = KeyId(key);
    if (id == 0) return kErrorInvalidHandle;
    sqlite::Statement erase(db_, "DELETE FROM vals WHERE key=? AND name=?");
    erase.Bind(1, id).Bind(2, name);
    if (!erase.Run()) return kErrorRegistryIo;
    return sqlite3_changes(db_.get()) > 0 ? kErrorSuccess : kErrorFileNotFound;
}

std::int32_t HiveRegistry::EnumValue(RegKey key, std::uint32_t index, char* name,
                                     std::uint32_t* nameLen, std::uint32_t* type,
                                     std::uint8_t* data, std::uint32_t* dataSize) {
    if (!EnsureReady()) return kErrorRegistryIo;
    const std::int64_t id = KeyId(key);
    if (id == 0) return kErrorInvalidHandle;
    if (!name || !nameLen || (data && !dataSize)) return kErrorInvalidParameter;
    sqlite::Statement find(db_,
                           "SELECT name, type, data FROM vals WHERE key=? ORDER BY id "
                           "LIMIT 1 OFFSET ?");
    find.Bind(1, id).Bind(2, static_cast<std::int64_t>(index));
    const int rc = find.Step();
    if (rc == SQLITE_DONE) return kErrorNoMoreItems;
    if (rc != SQLITE_ROW) return kErrorRegistryIo;
    const std::string valueName = find.Text(0);
    const auto stored = find.Blob(2);
    // Like advapi32: a name that does not fit with its NUL is a more-data failure.
    if (valueName.size() + 1 > *nameLen) {
        *nameLen = static_cast<std::uint32_t>(valueName.size());
        return kErrorMoreData;
    }
    std::memcpy(name, valueName.data(), valueName.size());
    name[valueName.size()] = '\0';
    *nameLen = static_cast<std::uint32_t>(valueName.size());
    if (type) *type = static_cast<std::uint32_t>(find.Int(1));
    if (!dataSize) return kErrorSuccess;
    const auto needed = static_cast<std::uint32_t>(stored.size());
    if (data && *dataSize < needed) {
        *dataSize = needed;
        return kErrorMoreData;
    }
    if (data) std::copy(stored.begin(), stored.end(), data);
    *dataSize = needed;
    return kErrorSuccess;
}

std::int32_t HiveRegistry::CloseKey(RegKey key) {
    if (IsPredefinedRoot(key)) return kErrorSuccess;
    return open_.erase(key) ? kErrorSuccess : kErrorInvalidHandle;
}

}  // namespace quorvel::platform
