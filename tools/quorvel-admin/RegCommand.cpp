// `quorvel-admin reg`: shaped like Windows' reg.exe, over the same store and with
// the same read and write rules as the program.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <ostream>
#include <sstream>
#include <vector>

#include "Commands.h"
#include "Host.h"
#include "store/mdlRegistry.h"

namespace quorvel::admin {

using namespace platform;

namespace {

std::string StripRoot(std::string key) {
    for (const char* prefix : {"HKEY_CURRENT_USER\\", "HKCU\\"}) {
        const std::string p = prefix;
        if (key.size() >= p.size() && key.compare(0, p.size(), p) == 0) return key.substr(p.size());
    }
    return key;
}

// Options of the form /v NAME, /t TYPE, /d DATA.
std::optional<std::string> Option(const Args& args, const std::string& flag) {
    for (std::size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == flag) return args[i + 1];
    return std::nullopt;
}

bool Flag(const Args& args, const std::string& flag) {
    return std::find(args.begin(), args.end(), flag) != args.end();
}

// The value a command is about: /v NAME, or /ve for the key's default (unnamed) value.
std::optional<std::string> ValueName(const Args& args) {
    if (Flag(args, "/ve")) return std::string();
    return Option(args, "/v");
}

std::string Shown(const std::string& name) {
    return name.empty() ? "(Default)" : name;
}

// REG_DWORD data as reg.exe takes it: decimal, or hexadecimal after 0x. A leading
// zero does not make it octal.
std::optional<std::uint32_t> ParseDword(const std::string& text) {
    if (text.empty()) return std::nullopt;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* begin = text.c_str() + (hex ? 2 : 0);
    if (*begin == '+' || (hex && *begin == '-')) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long long number = std::strtoll(begin, &end, hex ? 16 : 10);
    if (errno != 0 || end == begin || *end != '\0' || number < INT32_MIN ||
        number > static_cast<long long>(UINT32_MAX))
        return std::nullopt;
    return static_cast<std::uint32_t>(number);
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

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (auto b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

// One line per value: "    NAME    TYPE    DATA", as reg.exe prints them.
void PrintValue(std::ostream& out, const std::string& name, std::uint32_t type,
                const std::vector<std::uint8_t>& data) {
    out << "    " << Shown(name) << "    " << TypeName(type) << "    ";
    if ((type == kRegSz || type == kRegExpandSz)) {
        std::string text(data.begin(), data.end());
        if (auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
        out << text;
    } else if (type == kRegDword && data.size() == 4) {
        std::uint32_t v = data[0] | data[1] << 8 | data[2] << 16 | std::uint32_t(data[3]) << 24;
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "0x%x", v);
        out << buffer;
    } else {
        out << Hex(data);
    }
    out << "\n";
}

// A failure the store itself reported, as opposed to a key or value that is not there.
int Unreadable(const SettingsStore& userStore, std::ostream& err) {
    const std::string why = userStore.error();
    err << "settings store unreadable: " << SettingsStoreLocation() << ": "
        << (why.empty() ? "input/output error" : why) << "\n";
    return 1;
}

// Opens an existing key; on failure reports it and gives the exit status.
int OpenExisting(SettingsStore& userStore, const std::string& key, ScopedKey& handle,
                 std::ostream& err) {
    const auto rc = userStore.registry().OpenKey(kHkeyCurrentUser, key, handle.out());
    if (rc == kErrorSuccess) return 0;
    if (rc == kErrorRegistryIo) return Unreadable(userStore, err);
    err << "ERROR: the key HKCU\\" << key << " does not exist\n";
    return 1;
}

int Query(SettingsStore& userStore, const std::string& key, const Args& args, std::ostream& out,
          std::ostream& err) {
    ScopedKey handle(userStore.registry());
    if (const int status = OpenExisting(userStore, key, handle, err)) return status;
    const auto only = ValueName(args);
    std::ostringstream lines;
    bool found = false;
    for (std::uint32_t index = 0;; ++index) {
        std::vector<char> name(16384);
        std::uint32_t nameLen = static_cast<std::uint32_t>(name.size());
        std::uint32_t type = 0, size = 0;
        const auto rc = userStore.registry().EnumValue(handle.get(), index, name.data(), &nameLen,
                                                       &type, nullptr, &size);
        if (rc == kErrorNoMoreItems) break;
        if (rc != kErrorSuccess) return Unreadable(userStore, err);
        const std::string valueName(name.data(), nameLen);
        if (only && *only != valueName) continue;
        std::vector<std::uint8_t> data(size);
        if (userStore.registry().QueryValue(handle.get(), valueName, &type, data.data(), &size) !=
            kErrorSuccess)
            return Unreadable(userStore, err);
        data.resize(size);
        PrintValue(lines, valueName, type, data);
        found = true;
    }
    if (only && !found) {
        err << "ERROR: the value " << Shown(*only) << " does not exist in HKCU\\" << key << "\n";
        return 1;
    }
    out << "\nHKEY_CURRENT_USER\\" << key << "\n" << lines.str();
    return 0;
}

int Add(SettingsStore& userStore, const std::string& key, const Args& args, std::ostream& out,
        std::ostream& err) {
    const auto name = ValueName(args);
    const auto type = Option(args, "/t").value_or("REG_SZ");
    const auto data = Option(args, "/d").value_or("");
    if (!name) {
        err << "ERROR: reg add needs /v NAME or /ve\n";
        return 2;
    }
    store::Variant value;
    std::int32_t typeCode;
    if (type == "REG_SZ") {
        typeCode = kRegSz;
        value = store::Variant(data);
    } else if (type == "REG_DWORD") {
        typeCode = kRegDword;
        const auto number = ParseDword(data);
        if (!number) {
            err << "ERROR: REG_DWORD data must be a 32-bit number (decimal or 0x...), not '" << data
                << "'\n";
            return 2;
        }
        value = store::Variant(static_cast<std::int32_t>(*number));
    } else {
        err << "ERROR: only REG_SZ and REG_DWORD values are written, not " << type << "\n";
        return 2;
    }
    // Like the program, a value is written into an existing key only.
    ScopedKey handle(userStore.registry());
    if (const auto rc = userStore.registry().OpenKey(kHkeyCurrentUser, key, handle.out());
        rc != kErrorSuccess) {
        if (rc == kErrorRegistryIo) return Unreadable(userStore, err);
        err << "ERROR: the key HKCU\\" << key << " does not exist (create it with reg addkey)\n";
        return 1;
    }
    // The program's own write rule, so what is stored here is what the program stores.
    store::mdlRegistry settings(userStore.registry());
    const auto rc = settings.WriteKeyValue(handle.get(), *name, typeCode, value);
    if (rc == kErrorRegistryIo) return Unreadable(userStore, err);
    if (rc != kErrorSuccess) {
        err << "ERROR: cannot write " << Shown(*name) << " in HKCU\\" << key << " (status " << rc
            << ")\n";
        return 1;
    }
    out << "The operation completed successfully.\n";
    return 0;
}

int AddKey(SettingsStore& userStore, const std::string& key, std::ostream& out, std::ostream& err) {
    ScopedKey handle(userStore.registry());
    const auto rc = userStore.registry().CreateKey(kHkeyCurrentUser, key, handle.out());
    if (rc == kErrorRegistryIo) return Unreadable(userStore, err);
    if (rc != kErrorSuccess) {
        err << "ERROR: cannot create HKCU\\" << key << " (not a valid key path)\n";
        return 1;
    }
    out << "The operation completed successfully.\n";
    return 0;
}

int Delete(SettingsStore& userStore, const std::string& key, const Args& args, std::ostream& out,
           std::ostream& err) {
    const auto name = ValueName(args);
    if (!name) {
        err << "ERROR: reg delete needs /v NAME or /ve\n";
        return 2;
    }
    ScopedKey handle(userStore.registry());
    if (const int status = OpenExisting(userStore, key, handle, err)) return status;
    const auto rc = userStore.registry().DeleteValue(handle.get(), *name);
    if (rc == kErrorRegistryIo) return Unreadable(userStore, err);
    if (rc != kErrorSuccess) {
        err << "ERROR: the value " << Shown(*name) << " does not exist in HKCU\\" << key << "\n";
        return 1;
    }
    out << "The operation completed successfully.\n";
    return 0;
}

}  // namespace

int RegCommand(const Args& args, std::ostream& out, std::ostream& err) {
    if (args.size() < 2) {
        err << "usage: quorvel-admin reg query|add|addkey|delete KEY ...\n";
        return 2;
    }
    const std::string& verb = args[0];
    const std::string key = StripRoot(args[1]);
    const Args rest(args.begin() + 2, args.end());
    if (verb != "query" && verb != "add" && verb != "addkey" && verb != "delete") {
        err << "ERROR: unknown reg operation '" << verb << "'\n";
        return 2;
    }

    // Only addkey may bring a store into being; looking at or changing a value of a
    // store that is not there finds no key.
    const auto userStore = OpenSettingsStore(verb == "addkey");
    if (!userStore) {
        err << "ERROR: the key HKCU\\" << key << " does not exist (no settings store at "
            << SettingsStoreLocation() << ")\n";
        return 1;
    }
    if (!userStore->error().empty()) return Unreadable(*userStore, err);
    if (verb == "query") return Query(*userStore, key, rest, out, err);
    if (verb == "add") return Add(*userStore, key, rest, out, err);
    if (verb == "addkey") return AddKey(*userStore, key, out, err);
    return Delete(*userStore, key, rest, out, err);
}

}  // namespace quorvel::admin
