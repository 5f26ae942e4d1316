#pragma once
// The advapi32 surface the settings store needs, with Win32 status codes, so the
// same store logic runs over the real registry on Windows and a per-user file elsewhere.
#include <cstdint>
#include <string>
#include <string_view>

namespace quorvel::platform {

// A key handle. 0 is "no key": every operation on it fails without effect, which
// the store relies on when an open of a missing key fails.
using RegKey = std::uintptr_t;

inline constexpr RegKey kHkeyCurrentUser = 0x80000001u;

// Status codes, as advapi32 reports them.
inline constexpr std::int32_t kErrorSuccess = 0;
inline constexpr std::int32_t kErrorFileNotFound = 2;
inline constexpr std::int32_t kErrorAccessDenied = 5;
inline constexpr std::int32_t kErrorInvalidHandle = 6;
inline constexpr std::int32_t kErrorInvalidParameter = 87;
inline constexpr std::int32_t kErrorMoreData = 234;
inline constexpr std::int32_t kErrorNoMoreItems = 259;
inline constexpr std::int32_t kErrorBadPathname = 161;
inline constexpr std::int32_t kErrorRegistryIo = 1016;

// Value type codes.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

class Registry {
  public:
    virtual ~Registry() = default;

    // RegOpenKeyExA with KEY_ALL_ACCESS. On failure `out` is 0.
    virtual std::int32_t OpenKey(RegKey root, std::string_view path, RegKey& out) = 0;
    // RegCreateKeyExA: creates every missing key on the path; an existing key is opened.
    virtual std::int32_t CreateKey(RegKey root, std::string_view path, RegKey& out) = 0;
    // RegQueryValueExA. With data == nullptr only the type and size are reported
    // (a text value's size counts its terminator). With a buffer smaller than the
    // value, kErrorMoreData and the needed size. `type` may be nullptr.
    virtual std::int32_t QueryValue(RegKey key, std::string_view name, std::uint32_t* type,
                                    std::uint8_t* data, std::uint32_t* size) = 0;
    // RegSetValueExA: stores `size` bytes. Text is kept NUL-terminated whether or
    // not the caller's bytes end in one.
    virtual std::int32_t SetValue(RegKey key, std::string_view name, std::uint32_t type,
                                  const std::uint8_t* data, std::uint32_t size) = 0;
    // RegDeleteValueA.
    virtual std::int32_t DeleteValue(RegKey key, std::string_view name) = 0;
    // RegEnumValueA: the value at `index` in a stable order. `nameLen` is the name
    // buffer's size in characters on entry (room for the NUL included) and the name's
    // length without NUL on return; `dataSize` likewise in bytes. `type`, `data` and
    // `dataSize` may be nullptr; with `data` nullptr and `dataSize` given, only the
    // size is reported. A name that does not fit gives kErrorMoreData and is not
    // delivered. kErrorNoMoreItems past the last value.
    virtual std::int32_t EnumValue(RegKey key, std::uint32_t index, char* name,
                                   std::uint32_t* nameLen, std::uint32_t* type, std::uint8_t* data,
                                   std::uint32_t* dataSize) = 0;
    // RegCloseKey.
    virtual std::int32_t CloseKey(RegKey key) = 0;
};

// Closes the key it holds when it goes out of scope, on every path.
class ScopedKey {
  public:
    explicit ScopedKey(Registry& registry) : registry_(registry) {}
    ScopedKey(const ScopedKey&) = delete;
    ScopedKey& operator=(const ScopedKey&) = delete;
    ~ScopedKey() {
        if (key_ != 0) registry_.CloseKey(key_);
    }
    RegKey& out() { return key_; }
    RegKey get() const { return key_; }

  private:
    Registry& registry_;
    RegKey key_ = 0;
};

}  // namespace quorvel::platform
