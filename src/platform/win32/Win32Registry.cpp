#include "platform/win32/Win32Registry.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/RegistryRules.h"

namespace quorvel::platform {

namespace {

// advapi32 takes names as C strings: a name with a NUL inside would silently be cut
// short there and land on another key or value, so such names are refused.
bool ToCString(std::string_view name, std::string& out) {
    if (name.find('\0') != std::string_view::npos) return false;
    out.assign(name);
    return true;
}

// The whole stored value: type and bytes. Text is given back in its read form,
// with exactly one terminator at the end whether or not the writer stored one.
LSTATUS ReadWhole(HKEY key, const char* name, DWORD& type, std::vector<std::uint8_t>& bytes) {
    // The value may grow between the size query and the read; ask again then.
    for (int attempt = 0; attempt < 8; ++attempt) {
        DWORD size = 0;
        LSTATUS rc = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
        if (rc != ERROR_SUCCESS) return rc;
        bytes.assign(size, 0);
        rc = RegQueryValueExA(key, name, nullptr, &type, bytes.data(), &size);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS) return rc;
        bytes.resize(size);
        TerminateText(type, bytes);
        return ERROR_SUCCESS;
    }
    return ERROR_MORE_DATA;
}

}  // namespace

void UniqueHkey::reset(HKEY__* key) {
    if (key_ != nullptr) RegCloseKey(key_);
    key_ = key;
}

Win32Registry::Win32Registry(const std::string& userRoot) : remapped_(!userRoot.empty()) {
    if (!remapped_) return;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, userRoot.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS)
        userRoot_.reset(key);
}

HKEY__* Win32Registry::Native(RegKey key) const {
    if (key == kHkeyCurrentUser && remapped_) return userRoot_.get();
    // The predefined roots are 32-bit values that Windows sign-extends into a handle.
    if (IsPredefinedRoot(key))
        return reinterpret_cast<HKEY>(
            static_cast<LONG_PTR>(static_cast<LONG>(static_cast<std::uint32_t>(key))));
    const auto it = open_.find(key);
    return it == open_.end() ? nullptr : it->second.get();
}

std::int32_t Win32Registry::Resolve(RegKey key, std::string_view name, HKEY__*& native,
                                    std::string& cname) const {
    if (!ToCString(name, cname)) return kErrorInvalidParameter;
    native = Native(key);
    return native == nullptr ? kErrorInvalidHandle : kErrorSuccess;
}

RegKey Win32Registry::Keep(HKEY__* key) {
    const auto handle = reinterpret_cast<RegKey>(key);
    open_[handle] = UniqueHkey(key);
    return handle;
}

std::int32_t Win32Registry::OpenKey(RegKey root, std::string_view path, RegKey& out) {
    out = 0;
    std::string cpath;
    HKEY parent = nullptr;
    if (const std::int32_t status = Resolve(root, path, parent, cpath); status != kErrorSuccess)
        return status;
    HKEY key = nullptr;
    const LSTATUS rc = RegOpenKeyExA(parent, cpath.c_str(), 0, KEY_ALL_ACCESS, &key);
    if (rc == ERROR_SUCCESS) out = Keep(key);
    return rc;
}

std::int32_t Win32Registry::CreateKey(RegKey root, std::string_view path, RegKey& out) {
    out = 0;
    std::string cpath;
    HKEY parent = nullptr;
    if (const std::int32_t status = Resolve(root, path, parent, cpath); status != kErrorSuccess)
        return status;
    HKEY key = nullptr;
    DWORD disposition = 0;
    const LSTATUS rc = RegCreateKeyExA(parent, cpath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                       KEY_ALL_ACCESS, nullptr, &key, &disposition);
    if (rc == ERROR_SUCCESS) out = Keep(key);
    return rc;
}

std::int32_t Win32Registry::QueryValue(RegKey key, std::string_view name, std::uint32_t* type,
                                       std::uint8_t* data, std::uint32_t* size) {
    std::string cname;
    HKEY native = nullptr;
    if (const std::int32_t status = Resolve(key, name, native, cname); status != kErrorSuccess)
        return status;
    if (data != nullptr && size == nullptr) return kErrorInvalidParameter;
    DWORD storedType = 0;
    std::vector<std::uint8_t> bytes;
    const LSTATUS rc = ReadWhole(native, cname.c_str(), storedType, bytes);
    if (rc != ERROR_SUCCESS) return rc;
    if (type != nullptr) *type = storedType;
    return CopyOutData(bytes, data, size);
}

std::int32_t Win32Registry::SetValue(RegKey key, std::string_view name, std::uint32_t type,
                                     const std::uint8_t* data, std::uint32_t size) {
    std::string cname;
    HKEY native = nullptr;
    if (const std::int32_t status = Resolve(key, name, native, cname); status != kErrorSuccess)
        return status;
    if (data == nullptr && size != 0) return kErrorInvalidParameter;
    // Text is handed over without its terminator; the store keeps it terminated, so
    // that it reads back as the text plus one NUL (empty text too).
    std::vector<std::uint8_t> bytes;
    if (data != nullptr) bytes.assign(data, data + size);
    TerminateText(type, bytes);
    return RegSetValueExA(native, cname.c_str(), 0, type, bytes.empty() ? nullptr : bytes.data(),
                          static_cast<DWORD>(bytes.size()));
}

std::int32_t Win32Registry::DeleteValue(RegKey key, std::string_view name) {
    std::string cname;
    HKEY native = nullptr;
    if (const std::int32_t status = Resolve(key, name, native, cname); status != kErrorSuccess)
        return status;
    return RegDeleteValueA(native, cname.c_str());
}

std::int32_t Win32Registry::EnumValue(RegKey key, std::uint32_t index, char* name,
                                      std::uint32_t* nameLen, std::uint32_t* type,
                                      std::uint8_t* data, std::uint32_t* dataSize) {
    HKEY native = Native(key);
    if (native == nullptr) return kErrorInvalidHandle;
    if (name == nullptr || nameLen == nullptr) return kErrorInvalidParameter;
    DWORD nameChars = *nameLen;
    DWORD storedType = 0;
    DWORD bytes = dataSize != nullptr ? *dataSize : 0;
    LSTATUS rc = RegEnumValueA(native, index, name, &nameChars, nullptr, &storedType, data,
                               dataSize != nullptr ? &bytes : nullptr);
    // Data too large for its buffer still names the value and reports the size it
    // needs, as the list loader relies on (a blocked site with a long address stays
    // listed); Windows may leave the name out of that answer, so it is asked for
    // again without the data. A name too long for its buffer stays a refusal.
    if (rc == ERROR_MORE_DATA && data != nullptr && dataSize != nullptr) {
        nameChars = *nameLen;
        bytes = 0;
        const LSTATUS sizeOnly =
            RegEnumValueA(native, index, name, &nameChars, nullptr, &storedType, nullptr, &bytes);
        if (sizeOnly != ERROR_SUCCESS) return sizeOnly;
    }
    if (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) {
        *nameLen = nameChars;
        if (type != nullptr) *type = storedType;
        if (dataSize != nullptr) *dataSize = bytes;
    }
    return rc;
}

std::int32_t Win32Registry::CloseKey(RegKey key) {
    const auto it = open_.find(key);
    if (it == open_.end()) return IsPredefinedRoot(key) ? kErrorSuccess : kErrorInvalidHandle;
    HKEY native = it->second.release();
    open_.erase(it);
    return RegCloseKey(native);
}

}  // namespace quorvel::platform
