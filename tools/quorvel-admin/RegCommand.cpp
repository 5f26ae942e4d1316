// `quorvel-admin reg`: shaped like Windows' reg.exe, over the same store and with
// the same read and write rules as the program.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ostream>
#include <vector>

#include "Commands.h"
#include "Host.h"
#include "RegArgs.h"
#include "platform/RegistryRules.h"
#include "store/mdlRegistry.h"

namespace quorvel::admin {

using namespace platform;

namespace {

std::string Shown(const std::string& name) {
    return name.empty() ? "(Default)" : name;
}

std::string KeyName(const std::string& key) {
    return key.empty() ? "HKEY_CURRENT_USER" : "HKEY_CURRENT_USER\\" + key;
}

// What a status other than success means to someone who typed a key and a value name.
std::string Why(std::int32_t status) {
    switch (status) {
        case kErrorFileNotFound:
            return "does not exist";
        case kErrorBadPathname:
            return "is not a valid key path (a key name in it is empty)";
        case kErrorInvalidParameter:
            return "is not valid (a name in it is too long)";
        default:
            return "cannot be used (status " + std::to_string(status) + ")";
    }
}

std::string TypeName(std::uint32_t type) {
    switch (type) {
        case kRegNone:
            return "REG_NONE";
        case kRegSz:
            return "REG_SZ";
        case kRegExpandSz:
            return "REG_EXPAND_SZ";
        case kRegBinary:
            return "REG_BINARY";
        case kRegDword:
            return "REG_DWORD";
        case kRegMultiSz:
            return "REG_MULTI_SZ";
        default:
            return "REG_TYPE_" + std::to_string(type);
    }
}

// One line per value: "    NAME    TYPE    DATA", as reg.exe prints them. Data is
// written as it is read, so a large value costs its own size once.
void PrintValue(std::ostream& out, const std::string& name, std::uint32_t type,
                const std::vector<std::uint8_t>& data) {
    out << "    " << Shown(name) << "    " << TypeName(type) << "    ";
    if (type == kRegSz || type == kRegExpandSz) {
        const auto end = std::find(data.begin(), data.end(), std::uint8_t{0});
        out.write(reinterpret_cast<const char*>(data.data()), end - data.begin());
    } else if (type == kRegDword && data.size() == 4) {
        std::uint32_t v = data[0] | data[1] << 8 | data[2] << 16 | std::uint32_t(data[3]) << 24;
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "0x%x", v);
        out << buffer;
    } else {
        static const char* digits = "0123456789ABCDEF";
        char chunk[8192];
        std::size_t used = 0;
        for (const auto b : data) {
            chunk[used++] = digits[b >> 4];
            chunk[used++] = digits[b & 15];
            if (used == sizeof chunk)
                out.write(chunk, static_cast<std::streamsize>(used)), used = 0;
        }
        out.write(chunk, static_cast<std::streamsize>(used));
    }
    out << "\n";
}

// A failure the store itself reported, as opposed to a key or value that is not there.
int Unreadable(const SettingsStore& userStore, std::int32_t status, std::ostream& err) {
    const std::string why = userStore.error();
    err << "settings store unreadable: " << SettingsStoreLocation() << ": "
        << (why.empty() ? "status " + std::to_string(status) : why) << "\n";
    return 1;
}

// Opens an existing key; on failure reports it and gives the exit status.
int OpenExisting(SettingsStore& userStore, const std::string& key, ScopedKey& handle,
                 std::ostream& err, const char* hint = "") {
    const auto rc = userStore.registry().OpenKey(kHkeyCurrentUser, key, handle.out());
    if (rc == kErrorSuccess) return 0;
    if (rc == kErrorRegistryIo) return Unreadable(userStore, rc, err);
    err << "ERROR: the key " << KeyName(key) << " " << Why(rc) << hint << "\n";
    return 1;
}

// The name of the value at `index`, in a buffer grown until the name fits.
std::int32_t EnumName(SettingsStore& userStore, RegKey key, std::uint32_t index,
                      std::string& name) {
    std::vector<char> buffer(256);
    for (int attempt = 0; attempt < 32; ++attempt) {
        auto length = static_cast<std::uint32_t>(buffer.size());
        const auto rc = userStore.registry().EnumValue(key, index, buffer.data(), &length, nullptr,
                                                       nullptr, nullptr);
        if (rc == kErrorSuccess) name.assign(buffer.data(), length);
        if (rc != kErrorMoreData) return rc;
        buffer.resize(std::max<std::size_t>(length + 1u, buffer.size() * 2));
    }
    return kErrorMoreData;
}

// A value's type and bytes; asked again should it grow between the size and the read.
std::int32_t ReadValue(SettingsStore& userStore, RegKey key, const std::string& name,
                       std::uint32_t& type, std::vector<std::uint8_t>& data) {
    std::uint32_t size = 0;
    auto rc = userStore.registry().QueryValue(key, name, &type, nullptr, &size);
    for (int attempt = 0; rc == kErrorSuccess && attempt < 8; ++attempt) {
        data.resize(size);
        rc = userStore.registry().QueryValue(key, name, &type, data.data(), &size);
        if (rc == kErrorSuccess) data.resize(size);
        if (rc != kErrorMoreData) return rc;
        rc = kErrorSuccess;
    }
    return rc;
}

int Query(SettingsStore& userStore, const RegRequest& request, std::ostream& out,
          std::ostream& err) {
    ScopedKey handle(userStore.registry());
    if (const int status = OpenExisting(userStore, request.key, handle, err)) return status;
    // Names as the store compares them: ignoring the letter case of ASCII letters.
    std::vector<std::string> names;
    for (std::uint32_t index = 0;; ++index) {
        std::string name;
        const auto rc = EnumName(userStore, handle.get(), index, name);
        if (rc == kErrorNoMoreItems) break;
        if (rc != kErrorSuccess) return Unreadable(userStore, rc, err);
        if (!request.value || SameName(*request.value, name)) names.push_back(std::move(name));
        if (request.value && !names.empty()) break;
    }
    if (request.value && names.empty()) {
        err << "ERROR: the value " << Shown(*request.value) << " does not exist in "
            << KeyName(request.key) << "\n";
        return 1;
    }
    out << "\n" << KeyName(request.key) << "\n";
    for (const auto& name : names) {
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;
        const auto rc = ReadValue(userStore, handle.get(), name, type, data);
        if (rc == kErrorFileNotFound) continue;  // deleted since it was listed
        if (rc != kErrorSuccess) return Unreadable(userStore, rc, err);
        PrintValue(out, name, type, data);
    }
    return 0;
}

int Add(SettingsStore& userStore, const RegRequest& request, std::ostream& out, std::ostream& err) {
    // Like the program, a value is written into an existing key only.
    ScopedKey handle(userStore.registry());
    if (const int status =
            OpenExisting(userStore, request.key, handle, err, " (create it with reg addkey)"))
        return status;
    // The program's own write rule, so what is stored here is what the program stores.
    const store::Variant value = request.type == kRegDword
                                     ? store::Variant(static_cast<std::int32_t>(request.number))
                                     : store::Variant(request.text);
    const auto rc = store::mdlRegistry(userStore.registry())
                        .WriteKeyValue(handle.get(), *request.value,
                                       static_cast<std::int32_t>(request.type), value);
    if (rc == kErrorRegistryIo) return Unreadable(userStore, rc, err);
    if (rc != kErrorSuccess) {
        err << "ERROR: cannot write " << Shown(*request.value) << " in " << KeyName(request.key)
            << ": "
            << (rc == kErrorInvalidParameter
                    ? "the name is longer than " + std::to_string(kMaxValueNameLength) +
                          " characters"
                    : "status " + std::to_string(rc))
            << "\n";
        return 1;
    }
    out << "The operation completed successfully.\n";
    return 0;
}

int AddKey(SettingsStore& userStore, const RegRequest& request, std::ostream& out,
           std::ostream& err) {
    ScopedKey handle(userStore.registry());
    const auto rc = userStore.registry().CreateKey(kHkeyCurrentUser, request.key, handle.out());
    if (rc == kErrorRegistryIo) return Unreadable(userStore, rc, err);
    if (rc != kErrorSuccess) {
        err << "ERROR: the key " << KeyName(request.key) << " " << Why(rc) << "\n";
        return 1;
    }
    out << "The operation completed successfully.\n";
    return 0;
}

int Delete(SettingsStore& userStore, const RegRequest& request, std::ostream& out,
           std::ostream& err) {
    ScopedKey handle(userStore.registry());
    if (const int status = OpenExisting(userStore, request.key, handle, err)) return status;
    const auto rc = userStore.registry().DeleteValue(handle.get(), *request.value);
    if (rc == kErrorRegistryIo) return Unreadable(userStore, rc, err);
    if (rc != kErrorSuccess) {
        err << "ERROR: the value " << Shown(*request.value) << " does not exist in "
            << KeyName(request.key) << "\n";
        return 1;
    }
    out << "The operation completed successfully.\n";
    return 0;
}

}  // namespace

int RegCommand(const Args& args, std::ostream& out, std::ostream& err) {
    RegRequest request;
    if (std::string error; !ParseRegArgs(args, request, error)) {
        err << "ERROR: " << error << "\n" << RegUsage(args.empty() ? "" : args[0]);
        return 2;
    }
    // Only addkey may bring a store into being; looking at or changing a value of a
    // store that is not there finds no key.
    const auto userStore = OpenSettingsStore(request.verb == RegRequest::Verb::AddKey);
    if (!userStore) {
        err << "ERROR: the key " << KeyName(request.key) << " does not exist (no settings store at "
            << SettingsStoreLocation() << ")\n";
        return 1;
    }
    if (!userStore->usable()) return Unreadable(*userStore, kErrorRegistryIo, err);
    switch (request.verb) {
        case RegRequest::Verb::Query:
            return Query(*userStore, request, out, err);
        case RegRequest::Verb::Add:
            return Add(*userStore, request, out, err);
        case RegRequest::Verb::AddKey:
            return AddKey(*userStore, request, out, err);
        case RegRequest::Verb::Delete:
            break;
    }
    return Delete(*userStore, request, out, err);
}

}  // namespace quorvel::admin
