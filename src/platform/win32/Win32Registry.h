#pragma once
// The settings store on Windows: the Registry interface straight over advapi32.
// <windows.h> stays out of this header: its macros (FindWindow, CreateWindow ...)
// would rename members of other platform interfaces in every file that includes it.
#include <map>
#include <string>

#include "platform/Registry.h"

struct HKEY__;  // the type behind advapi32's HKEY

namespace quorvel::platform {

// Owns one open registry key and closes it exactly once.
class UniqueHkey {
  public:
    UniqueHkey() = default;
    explicit UniqueHkey(HKEY__* key) : key_(key) {}
    UniqueHkey(UniqueHkey&& other) noexcept : key_(other.release()) {}
    UniqueHkey& operator=(UniqueHkey&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHkey(const UniqueHkey&) = delete;
    UniqueHkey& operator=(const UniqueHkey&) = delete;
    ~UniqueHkey() { reset(); }

    HKEY__* get() const { return key_; }
    explicit operator bool() const { return key_ != nullptr; }
    // Gives the key up without closing it.
    HKEY__* release() {
        HKEY__* key = key_;
        key_ = nullptr;
        return key;
    }
    // Closes the key held (if any) and takes `key`.
    void reset(HKEY__* key = nullptr);

  private:
    HKEY__* key_ = nullptr;
};

class Win32Registry : public Registry {
  public:
    // With an empty `userRoot`, kHkeyCurrentUser is the user's own hive. Otherwise
    // it names a key under HKEY_CURRENT_USER (created when missing) that stands in
    // for the hive, so everything the program does stays inside that key. Should
    // that key not open, every operation on kHkeyCurrentUser fails: nothing ever
    // falls through to the real hive.
    explicit Win32Registry(const std::string& userRoot = {});
    ~Win32Registry() override = default;
    Win32Registry(const Win32Registry&) = delete;
    Win32Registry& operator=(const Win32Registry&) = delete;

    std::int32_t OpenKey(RegKey root, std::string_view path, RegKey& out) override;
    std::int32_t CreateKey(RegKey root, std::string_view path, RegKey& out) override;
    // Text values always read as text plus one NUL, also those another program
    // stored without a terminator.
    std::int32_t QueryValue(RegKey key, std::string_view name, std::uint32_t* type,
                            std::uint8_t* data, std::uint32_t* size) override;
    std::int32_t SetValue(RegKey key, std::string_view name, std::uint32_t type,
                          const std::uint8_t* data, std::uint32_t size) override;
    std::int32_t DeleteValue(RegKey key, std::string_view name) override;
    std::int32_t EnumValue(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameLen,
                           std::uint32_t* type, std::uint8_t* data,
                           std::uint32_t* dataSize) override;
    std::int32_t CloseKey(RegKey key) override;

    // Handles given out and not yet closed: lets a test see that every open was
    // paired with a close.
    std::size_t openHandles() const { return open_.size(); }

  private:
    // The Windows key behind a handle this object gave out or a predefined root;
    // nullptr for 0, a closed handle or a stranger, so such a handle can never
    // reach a key that Windows has since given the same number.
    HKEY__* Native(RegKey key) const;
    // Native(key) and `name` as a C string, or the status that refuses either.
    std::int32_t Resolve(RegKey key, std::string_view name, HKEY__*& native,
                         std::string& cname) const;
    RegKey Keep(HKEY__* key);

    UniqueHkey userRoot_;
    bool remapped_ = false;
    // Every key handed out and not yet closed; whatever a caller forgets to close
    // is closed with this object.
    std::map<RegKey, UniqueHkey> open_;
};

}  // namespace quorvel::platform
