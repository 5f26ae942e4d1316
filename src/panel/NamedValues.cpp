#include "panel/NamedValues.h"

#include <algorithm>
#include <cstdint>

#include "platform/RegistryRules.h"
#include "store/mdlRegistry.h"

namespace quorvel::panel {

using platform::kErrorFileNotFound;
using platform::kErrorSuccess;
using platform::kHkeyCurrentUser;

bool SameListedName(std::string_view a, std::string_view b) {
    return platform::SameName(TrimBlanks(a), TrimBlanks(b));
}

AddOutcome AddNamedValue(const store::mdlRegistry& settings, const std::string& key,
                         const store::NameList& listed, const std::string& name,
                         const std::string& data) {
    if (TrimBlanks(name).empty()) return AddOutcome::Empty;
    if (name.size() > kLongestListedName) return AddOutcome::TooLong;
    if (std::any_of(listed.begin(), listed.end(),
                    [&](const std::string& item) { return SameListedName(item, name); }))
        return AddOutcome::Taken;
    return settings.TryWriteSetting(kHkeyCurrentUser, key, name, data,
                                    static_cast<std::int32_t>(platform::kRegSz)) == kErrorSuccess
               ? AddOutcome::Added
               : AddOutcome::NotStored;
}

bool RemoveNamedValue(const store::mdlRegistry& settings, const std::string& key,
                      const std::string& name) {
    const std::int32_t status = settings.TryDeleteSetting(kHkeyCurrentUser, key, name);
    return status == kErrorSuccess || status == kErrorFileNotFound;
}

std::string BlockedSiteAddress(const std::string& prefix, const std::string& keyword,
                               const std::string& suffix) {
    return prefix + "." + keyword + "." + suffix;
}

std::string NamesMessage(const std::string& heading, const store::NameList& names,
                         const std::string& closing) {
    std::string text = heading;
    for (const std::string& name : names) text += "\n    " + name;
    if (!closing.empty()) text += "\n\n" + closing;
    return text;
}

std::string SkippedNamesMessage(const std::string& key, const store::SkippedNames& skipped) {
    store::NameList lengths;
    for (const store::SkippedName& name : skipped)
        lengths.push_back("a name of " + std::to_string(name.length) + " bytes" +
                          (name.length == store::kNameBufferSize ? " or more" : ""));
    return NamesMessage("\"" + key +
                            "\" holds values whose names are too long to be read (at most " +
                            std::to_string(kLongestListedName) +
                            " bytes are). They take no effect and are not listed here:",
                        lengths, "Remove them with quorvel-admin reg delete.");
}

}  // namespace quorvel::panel
