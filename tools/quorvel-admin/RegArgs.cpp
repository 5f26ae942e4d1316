#include "RegArgs.h"

#include <algorithm>
#include <iterator>
#include <map>

#include "platform/Registry.h"
#include "platform/RegistryRules.h"

namespace quorvel::admin {

namespace {

using platform::FoldName;
using platform::SameName;

struct Verb {
    const char* name;
    RegRequest::Verb verb;
    std::initializer_list<const char*> options;  // folded
    const char* usage;
};
const Verb kVerbs[] = {
    {"query", RegRequest::Verb::Query, {"/v", "/ve"}, "query KEY [/v NAME | /ve]"},
    {"add",
     RegRequest::Verb::Add,
     {"/v", "/ve", "/t", "/d", "/f"},
     "add KEY (/v NAME | /ve) [/t REG_SZ|REG_DWORD] [/d DATA] [/f]"},
    {"addkey", RegRequest::Verb::AddKey, {}, "addkey KEY"},
    {"delete", RegRequest::Verb::Delete, {"/v", "/ve", "/f"}, "delete KEY (/v NAME | /ve) [/f]"},
};

const Verb* FindVerb(std::string_view name) {
    const auto it = std::find_if(std::begin(kVerbs), std::end(kVerbs),
                                 [&](const Verb& v) { return SameName(v.name, name); });
    return it == std::end(kVerbs) ? nullptr : &*it;
}

// The short names of the roots other than HKEY_CURRENT_USER.
constexpr const char* kOtherRoots[] = {"HKLM", "HKCR", "HKU", "HKCC"};

bool TakesArgument(const std::string& option) {
    return option == "/v" || option == "/t" || option == "/d";
}

// KEY below HKEY_CURRENT_USER, with or without an HKCU\ or HKEY_CURRENT_USER\ prefix;
// HKCU alone is that root itself. One trailing backslash is dropped, as reg.exe does.
bool ParseKey(std::string_view text, std::string& key, std::string& error) {
    const std::string_view first = text.substr(0, text.find('\\'));
    const bool prefixed = SameName(first, "HKCU") || SameName(first, "HKEY_CURRENT_USER");
    if (prefixed) {
        text.remove_prefix(first.size());
        if (text == "\\") {
            error = "invalid key name '" + std::string(first) + "\\' (HKCU alone is the root)";
            return false;
        }
        if (!text.empty()) text.remove_prefix(1);
    } else if (FoldName(first).starts_with("hkey_") ||
               std::any_of(std::begin(kOtherRoots), std::end(kOtherRoots),
                           [&](const char* root) { return SameName(first, root); })) {
        error = "the settings store holds HKEY_CURRENT_USER only, not " + std::string(first);
        return false;
    } else if (text.empty()) {
        error = "no key given";
        return false;
    }
    if (text.size() > 1 && text.back() == '\\') text.remove_suffix(1);
    key.assign(text);
    return true;
}

}  // namespace

std::string RegUsage(std::string_view verb) {
    std::string usage;
    for (const Verb& v : kVerbs)
        if (!FindVerb(verb) || SameName(v.name, verb))
            usage += std::string("usage: quorvel-admin reg ") + v.usage + "\n";
    return usage;
}

std::optional<std::uint32_t> ParseDword(std::string_view text) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (hex) text.remove_prefix(2);
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = value * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
        if (value > 0xFFFFFFFFu) return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

bool ParseRegArgs(const Args& args, RegRequest& request, std::string& error) {
    request = RegRequest();
    if (args.empty()) {
        error = "no operation given";
        return false;
    }
    const Verb* verb = FindVerb(args[0]);
    if (!verb) {
        error = "unknown reg operation '" + args[0] + "'";
        return false;
    }
    request.verb = verb->verb;
    if (args.size() < 2) {
        error = "no key given";
        return false;
    }
    if (!ParseKey(args[1], request.key, error)) return false;

    // Each option once, with its argument where it takes one.
    std::map<std::string, std::string> given;
    for (std::size_t i = 2; i < args.size(); ++i) {
        const std::string option = FoldName(args[i]);
        if (std::none_of(verb->options.begin(), verb->options.end(),
                         [&](const char* known) { return option == known; })) {
            error = "reg " + std::string(verb->name) + " does not take '" + args[i] + "'";
            return false;
        }
        if (given.count(option)) {
            error = args[i] + " is given twice";
            return false;
        }
        if (TakesArgument(option) && i + 1 == args.size()) {
            error = args[i] +
                    (option == "/v"   ? " needs a value name"
                     : option == "/t" ? " needs a type"
                                      : " needs data") +
                    " after it";
            return false;
        }
        given[option] = TakesArgument(option) ? args[++i] : std::string();
    }

    if (given.count("/v") && given.count("/ve")) {
        error = "/v NAME and /ve name different values: give one";
        return false;
    }
    if (given.count("/v")) request.value = given["/v"];
    if (given.count("/ve")) request.value = std::string();
    const bool needsValue =
        request.verb == RegRequest::Verb::Add || request.verb == RegRequest::Verb::Delete;
    if (needsValue && !request.value) {
        error = "reg " + std::string(verb->name) + " needs /v NAME or /ve";
        return false;
    }
    if (request.verb != RegRequest::Verb::Add) return true;

    const std::string type = given.count("/t") ? given["/t"] : "REG_SZ";
    const std::string data = given["/d"];
    if (SameName(type, "REG_SZ")) {
        request.type = platform::kRegSz;
        request.text = data;
    } else if (SameName(type, "REG_DWORD")) {
        request.type = platform::kRegDword;
        const auto number = ParseDword(data);
        if (!number) {
            error = "REG_DWORD data must be a 32-bit number (decimal or 0x...), not '" + data + "'";
            return false;
        }
        request.number = *number;
    } else {
        error = "only REG_SZ and REG_DWORD values are written, not " + type;
        return false;
    }
    return true;
}

}  // namespace quorvel::admin
