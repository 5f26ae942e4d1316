#pragma once
// The Configuration tab's rules: the two browser options, the login-screen picture,
// and "Apply", which stores them together with the usage charges.
#include <array>
#include <string>
#include <vector>

#include "panel/UsageCharges.h"

namespace quorvel::store {
class publicVar;
}

namespace quorvel::panel {

// The browser's own settings keys. The program writes into them but never creates
// them; provisioning makes them where no browser has.
inline constexpr const char* kBrowserMainKey = "Software\\Microsoft\\Internet Explorer\\Main";
inline constexpr const char* kBrowserCacheKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache";
// "Force Plain Text Surfing" writes "no" into each of these to switch it on, "yes" to
// switch it off, in this order.
inline constexpr std::array<const char*, 4> kPlainTextValues{
    "Play_Animations", "Play_Background_Sounds", "Display Inline Images", "Display Inline Videos"};

// Everything the tab shows.
struct Configuration {
    UsageCharges charges;
    bool Check2 = false;   // "Empty Temporary Internet Files on Exit"
    bool Check1 = false;   // "Force Plain Text Surfing"
    std::string txtSloct;  // the login-screen picture's path
};

// LoadConfiguration: the usage charges, then "Empty Temporary Internet Files on Exit"
// (ticked unless Persistent reads as a non-zero number), "Force Plain Text Surfing"
// (ticked when all four browser values hold "no", so an Apply that does not touch it
// keeps it as it was) and the picture's path. Each part on its own; nothing reported.
void LoadConfiguration(const store::publicVar& pv, PanelData& data, Configuration& tab);

// Apply answered Yes: the browser options, the usage charges, then the picture's
// path, each part stored on its own. Returns the names of the settings that were not
// stored, empty when everything was.
std::vector<std::string> ApplyConfiguration(const store::publicVar& pv, PanelData& data,
                                            Configuration& tab, const std::string& firstSymbol);

// Command9: the picture's path into LoginScr. False when it was not stored.
bool StoreLoginPicture(const store::publicVar& pv, const std::string& path);

// What Apply says when part of it failed: which settings were not stored.
std::string NotAppliedMessage(const std::vector<std::string>& notStored);

inline constexpr const char* kApplyQuestion = "Continue...";
inline constexpr const char* kAppliedMessage = "Configurations applied successfully";

}  // namespace quorvel::panel
