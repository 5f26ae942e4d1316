#include "panel/Configuration.h"

#include <algorithm>

#include "platform/AsciiText.h"
#include "store/publicVar.h"

namespace quorvel::panel {

using platform::kErrorSuccess;
using platform::kHkeyCurrentUser;

void LoadConfiguration(const store::publicVar& pv, PanelData& data, Configuration& tab) {
    LoadUsageCharges(pv, data, tab.charges);
    const store::mdlRegistry& settings = pv.settings;
    tab.Check2 =
        settings.ReadSetting(kHkeyCurrentUser, kBrowserCacheKey, "Persistent").ToNumber() == 0;
    tab.Check1 =
        std::all_of(kPlainTextValues.begin(), kPlainTextValues.end(), [&](const char* name) {
            return platform::EqualsIgnoringAsciiCase(
                settings.ReadSetting(kHkeyCurrentUser, kBrowserMainKey, name).ToDisplayText(),
                "no");
        });
    tab.txtSloct =
        settings.ReadSetting(kHkeyCurrentUser, store::kSettingsKey, "LoginScr").ToDisplayText();
}

std::vector<std::string> ApplyConfiguration(const store::publicVar& pv, PanelData& data,
                                            Configuration& tab, const std::string& firstSymbol) {
    std::vector<std::string> notStored;
    const store::mdlRegistry& settings = pv.settings;
    bool plainTextStored = true;
    for (const char* name : kPlainTextValues)
        plainTextStored &= settings.TryWriteSetting(
                               kHkeyCurrentUser, kBrowserMainKey, name, tab.Check1 ? "no" : "yes",
                               static_cast<std::int32_t>(platform::kRegSz)) == kErrorSuccess;
    if (!plainTextStored) notStored.push_back("Force Plain Text Surfing");
    if (settings.TryWriteSetting(kHkeyCurrentUser, kBrowserCacheKey, "Persistent",
                                 std::int32_t{tab.Check2 ? 0 : 1},
                                 static_cast<std::int32_t>(platform::kRegDword)) != kErrorSuccess)
        notStored.push_back("Empty Temporary Internet Files on Exit");
    SaveUsageCharges(pv, data, tab.charges, firstSymbol, notStored);
    if (!StoreLoginPicture(pv, tab.txtSloct)) notStored.push_back("Login Screen image");
    return notStored;
}

bool StoreLoginPicture(const store::publicVar& pv, const std::string& path) {
    return pv.settings.TryWriteSetting(kHkeyCurrentUser, store::kSettingsKey, "LoginScr", path,
                                       static_cast<std::int32_t>(platform::kRegSz)) ==
           kErrorSuccess;
}

std::string NotAppliedMessage(const std::vector<std::string>& notStored) {
    std::string text = "These settings could not be stored:\n";
    for (const std::string& name : notStored) text += "\n    " + name;
    text += "\n\nEverything else was applied.";
    return text;
}

}  // namespace quorvel::panel
