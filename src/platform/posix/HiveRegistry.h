#pragma once
// The per-user settings store on Linux: one SQLite file holding keys and typed,
// named values, with Win32 registry semantics. Every write is one durable
// transaction, so a power cut leaves each value with its old or its new data.
#include <map>
#include <string>

#include "platform/Registry.h"
#include "platform/posix/Sqlite.h"

namespace quorvel::platform {

class HiveRegistry final : public Registry {
  public:
    // `path` is the store file, or ":memory:". A missing file is created with its
    // folder; an existing file is never truncated, replaced or deleted, even when
    // it is not a store (every operation then fails and `error()` says why).
    explicit HiveRegistry(std::string path);

    bool ok() const { return ready_; }
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
    // The stored id of an open handle or a predefined root; 0 when unknown.
    std::int64_t KeyId(RegKey handle);
    std::int32_t Walk(RegKey root, std::string_view path, bool create, RegKey& out);
    RegKey NewHandle(std::int64_t id);

    std::string path_;
    sqlite::Connection db_;
    bool ready_ = false;
    std::string error_;
    std::map<RegKey, std::int64_t> open_;
    RegKey nextHandle_ = 1;
};

}  // namespace quorvel::platform
