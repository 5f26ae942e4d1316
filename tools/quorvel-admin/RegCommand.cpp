// `quorvel-admin reg`: shaped like Windows' reg.exe, over the same store and with
// the same read and write rules as the program.
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <ostream>

#include "Commands.h"
#include "platform/posix/HiveRegistry.h"
#include "platform/posix/XdgPaths.h"
#include "store/mdlRegistry.h"

namespace quorvel::admin {

using namespace platform;

std::string SettingsStorePath() {
    return XdgSettingsStorePath();
}

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
    out << "    " << (name.empty() ? "(Default)" : name) << "    " << TypeName(type) << "    ";
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

int Query(HiveRegistry& hive, const std::string& key, const Args& args, std::ostream& out,
          std::ostream& err) {
    ScopedKey handle(hive);
    if (hive.OpenKey(kHkeyCurrentUser, key, handle.out()) != kErrorSuccess) {
        err << "ERROR: the key HKCU\\" << key << " does not exist\n";
        return 1;
    }
    const auto only = Option(args, "/v");
    out << "\nHKEY_CURRENT_USER\\" << key << "\n";
    bool found = false;
    for (std::uint32_t index = 0;; ++index) {
        std::vector<char> name(16384);
        std::uint32_t nameLen = static_cast<std::uint32_t>(name.size());
        std::uint32_t type = 0, size = 0;
        const auto rc =
            hive.EnumValue(handle.get(), index, name.data(), &nameLen, &type, nullptr, &size);
        if (rc == kErrorNoMoreItems) break;
        if (rc != kErrorSuccess) {
            err << "ERROR: cannot list HKCU\\" << key << " (status " << rc << ")\n";
            return 1;
        }
        const std::string valueName(name.data(), nameLen);
        if (only && *only != valueName) continue;
        std::vector<std::uint8_t> data(size);
        hive.QueryValue(handle.get(), valueName, &type, data.data(), &size);
        data.resize(size);
        PrintValue(out, valueName, type, data);
        found = true;
    }
    if (only && !found) {
        err << "ERROR: the value '" << *only << "' does not exist in HKCU\\" << key << "\n";
        return 1;
    }
    return 0;
}

int Add(HiveRegistry& hive, const std::string& key, const Args& args, std::ostream& out,
        std::ostream& err) {
    const auto name = Option(args, "/v");
    const auto type = Option(args, "/t").value_or("REG_SZ");
    const auto data = Option(args, "/d").value_or("");
    if (!name) {
        err << "ERROR: reg add needs /v NAME\n";
        return 2;
    }
    std::int32_t typeCode;
    if (type == "REG_SZ") {
        typeCode = kRegSz;
    } else if (type == "REG_DWORD") {
        typeCode = kRegDword;
        char* end = nullptr;
        const long long number = std::strtoll(data.c_str(), &end, 0);
        if (data.empty() || *end != '\0' || number < INT32_MIN || number > UINT32_MAX) {
            err << "ERROR: REG_DWORD data must be a 32-bit number, not '" << data << "'\n";
            return 2;
        }
    } else {
        err << "ERROR: only REG_SZ and REG_DWORD values are written, not " << type << "\n";
        return 2;
    }
    // Like the program, a value is written into an existing key only.
    ScopedKey handle(hive);
    if (hive.OpenKey(kHkeyCurrentUser, key, handle.out()) != kErrorSuccess) {
        err << "ERROR: the key HKCU\\" << key << " does not exist (create it with reg addkey)\n";
        return 1;
    }
    store::mdlRegistry settings(hive);
    const store::Variant value =
        typeCode == kRegDword ? store::Variant(static_cast<std::int32_t>(static_cast<std::uint32_t>(
                                    std::strtoll(data.c_str(), nullptr, 0))))
                              : store::Variant(data);
    if (settings.WriteKeyValue(handle.get(), *name, typeCode, value) != kErrorSuccess) {
        err << "ERROR: cannot write '" << *name << "' in HKCU\\" << key << "\n";
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

    const std::string path = SettingsStorePath();
    HiveRegistry hive(path);
    if (!hive.ok()) {
        err << "settings store unreadable: " << path << ": " << hive.error() << "\n";
        return 1;
    }
    if (verb == "query") return Query(hive, key, rest, out, err);
    if (verb == "add") return Add(hive, key, rest, out, err);
    if (verb == "addkey") {
        ScopedKey handle(hive);
        if (hive.CreateKey(kHkeyCurrentUser, key, handle.out()) != kErrorSuccess) {
            err << "ERROR: cannot create HKCU\\" << key << "\n";
            return 1;
        }
        out << "The operation completed successfully.\n";
        return 0;
    }
    if (verb == "delete") {
        const auto name = Option(rest, "/v");
        if (!name) {
            err << "ERROR: reg delete needs /v NAME\n";
            return 2;
        }
        ScopedKey handle(hive);
        if (hive.OpenKey(kHkeyCurrentUser, key, handle.out()) != kErrorSuccess) {
            err << "ERROR: the key HKCU\\" << key << " does not exist\n";
            return 1;
        }
        if (hive.DeleteValue(handle.get(), *name) != kErrorSuccess) {
            err << "ERROR: the value '" << *name << "' does not exist in HKCU\\" << key << "\n";
            return 1;
        }
        out << "The operation completed successfully.\n";
        return 0;
    }
    err << "ERROR: unknown reg operation '" << verb << "'\n";
    return 2;
}

}  // namespace quorvel::admin
