#pragma once
// The per-user settings store on Linux: one SQLite file holding keys and typed,
// named values, with Win32 registry semantics. Every write is one durable
// transaction, so a crash or power cut leaves each value with its old or its new data.
#include <map>
#include <string>

#include "platform/Registry.h"
#include "storage/Sqlite.h"

namespace quorvel::platform {

class HiveRegistry final : public Registry {
  public:
    enum class Mode {
        CreateIfMissing,  // a missing file is created with its folder (the program)
        ExistingOnly,     // a missing file is an error (tools that only look)
    };

    // `path` is the store file, or ":memory:". An existing file is never truncated,
    // replaced or deleted, even when it is not a store, is damaged or is locked by
    // another process: every operation then fails (reads find nothing, writes are
    // dropped) and `error()` says why. The file is looked at again on the next
    // operation, so a lock that goes away ends the failure.
    // `busyTimeoutMs` is how long an operation waits for another process's lock
    // before it gives up.
    explicit HiveRegistry(std::string path, Mode mode = Mode::CreateIfMissing,
                          int busyTimeoutMs = kDefaultBusyTimeoutMs);

    // Long enough to ride out another process's single write, short enough that a
    // store held locked costs the once-a-second session tick little.
    static constexpr int kDefaultBusyTimeoutMs = 250;

    // True once the file has been checked and is in use as a store.
    bool ok() const { return ready_; }
    // Why the store could not be used, or why the last operation failed.
    const std::string& error() const { return error_; }
    const std::string& path() const { return path_; }

    std::int32_t OpenKey(RegKey root, std::string_view path, RegKey& out) override;
    std::int32_t CreateKey(RegKey root, std::string_view path, RegKey& out) override;
    std::int32_t QueryValue(RegKey key, std::string_view name, std::uint32_t* type,
                            std::uint8_t* data, std::uint32_t* size) override;
    std::int32_t SetValue(RegKey key, std::string_view name, std::uint32_t type,
                          const std::uint8_t* data, std::uint32_t size) override;
    std::int32_t DeleteValue(RegKey key, std::string_view name) override;
    std::int32_t EnumValue(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameLen,
                           std::uint32_t* type, std::uint8_t* data,
                           std::uint32_t* dataSize) override;
    std::int32_t CloseKey(RegKey key) override;

  private:
    bool EnsureReady();
    bool Fail(std::string why);
    // Records the connection's last error and gives the status for it.
    std::int32_t IoError();
    // The stored id of an open handle or a predefined root.
    std::int32_t Resolve(RegKey handle, std::int64_t& id);
    std::int32_t Walk(RegKey root, std::string_view path, bool create, RegKey& out);
    // Hands out the value in `row` (columns from `first`: its id, type and size) as
    // RegQueryValueExA does. Asking a size never loads the value's bytes; they are read
    // only when they fit the caller's buffer, and straight into it.
    std::int32_t HandOut(const sqlite::Statement& row, int first, std::uint32_t* type,
                         std::uint8_t* data, std::uint32_t* size);
    RegKey NewHandle(std::int64_t id);

    std::string path_;
    Mode mode_;
    int busyTimeoutMs_;
    sqlite::Connection db_;
    bool ready_ = false;
    std::string error_;
    std::map<RegKey, std::int64_t> open_;
    RegKey nextHandle_ = 1;
};

}  // namespace quorvel::platform
