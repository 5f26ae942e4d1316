#pragma once
// The Security tab's rules: eighteen restrictions of the desktop shell and the
// browser, each a DWORD policy value that is 1 when the restriction is on and absent
// when it is off.
#include <array>
#include <string>
#include <vector>

namespace quorvel::store {
class mdlRegistry;
}

namespace quorvel::panel {

// The four policy keys. Unlike the program's own keys these belong to the system and
// are made by the first Apply that ticks one of their restrictions.
inline constexpr const char* kExplorerPolicies =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
inline constexpr const char* kSystemPolicies =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
inline constexpr const char* kBrowserControlPanelPolicies =
    "Software\\Policies\\Microsoft\\Internet Explorer\\Control Panel";
inline constexpr const char* kBrowserRestrictions =
    "Software\\Policies\\Microsoft\\Internet Explorer\\Restrictions";

struct Policy {
    const char* box;      // the check box's design name
    const char* caption;  // as shown, trailing blanks included
    const char* key;
    const char* value;
};

// The restrictions as the tab shows them: two frames of groups, each group one under
// the other.
struct PolicyGroup {
    const char* heading;
    int first;  // index into kPolicies
    int count;
};
struct PolicyFrame {
    const char* name;
    const char* caption;
    std::array<PolicyGroup, 3> groups;  // a frame with two groups leaves the third empty
};

inline constexpr int kPolicyCount = 18;
inline constexpr std::array<Policy, kPolicyCount> kPolicies{{
    {"runmenu", "Remove Run Menu", kExplorerPolicies, "NoRun"},
    {"findmenu", "Remove Find Menu", kExplorerPolicies, "NoFind"},
    {"documentsmenu", "Remove Documents Menu", kExplorerPolicies, "NoRecentDocsMenu"},
    {"appereance", "Hide Appereance Page", kSystemPolicies, "NoDispAppearancePage"},
    {"background", "Hide Background Page", kSystemPolicies, "NoDispBackgroundPage"},
    {"saver", "Hide Screen Saver Page", kSystemPolicies, "NoDispScrSavPage"},
    {"settings", "Hide Settings Page", kSystemPolicies, "NoDispSettingsPage"},
    {"contextdesk", "Disable desktop context menu  ", kExplorerPolicies, "NoViewContextMenu"},
    {"contexttask", "Disable taskbar context menu  ", kExplorerPolicies, "NoTrayContextMenu"},
    {"contextstart", "Disable Start Btn. context menu  ", kExplorerPolicies, "NoChangeStartMenu"},
    {"iogeneral", "Remove General Tab", kBrowserControlPanelPolicies, "GeneralTab"},
    {"iosecurity", "Remove Security Tab", kBrowserControlPanelPolicies, "SecurityTab"},
    {"ioprogram", "Remove Programs Tab", kBrowserControlPanelPolicies, "ProgramsTab"},
    {"ioadvanced", "Remove Advanced Tab", kBrowserControlPanelPolicies, "AdvancedTab"},
    {"favorites", "Disable Favorites", kBrowserRestrictions, "NoFavorites"},
    {"helpmenu", "Disable Help Menu", kBrowserRestrictions, "NoHelpMenu"},
    {"toolbar", "Remove Option to Change or Hide Toolbars ", kExplorerPolicies, "NoBandCustomize"},
    {"rightclick", "Disable Right Click Context Menu", kBrowserRestrictions,
     "NoBrowserContextMenu"},
}};

inline constexpr std::array<PolicyFrame, 2> kPolicyFrames{{
    {"Frame4",
     "System Securit",
     {{{"Start Menu Security", 0, 3},
       {"Display Properties Security", 3, 4},
       {"Miscellenous Security", 7, 3}}}},
    {"Frame7",
     "Explorer Security",
     {{{"Internet Options Security", 10, 4}, {"General Security", 14, 4}, {nullptr, 0, 0}}}},
}};

// Apply works through the boxes in this order (indexes into kPolicies).
inline constexpr std::array<int, kPolicyCount> kApplyOrder{0, 1,  2,  3,  4,  5,  6,  7,  8,
                                                           9, 10, 11, 12, 13, 17, 14, 16, 15};

// Ticked or cleared, in the order of kPolicies.
using PolicyStates = std::array<bool, kPolicyCount>;

// LoadSecurityPolicies: ticked where the value is the number 1; any other data, a
// missing value or a missing key leaves the box cleared.
PolicyStates LoadSecurityPolicies(const store::mdlRegistry& settings);

// ApplySecurityPolicies: a ticked box makes its key (an existing one is kept) and sets
// its value to the DWORD 1; a cleared box deletes its value and never the key. Returns
// the captions of the restrictions that could not be applied, empty when all were.
std::vector<std::string> ApplySecurityPolicies(const store::mdlRegistry& settings,
                                               const PolicyStates& states);

inline constexpr const char* kPoliciesAppliedMessage =
    "Changes have sucessfully been made to your computer";
// What Apply says when some restrictions were not applied.
std::string PoliciesNotAppliedMessage(const std::vector<std::string>& captions);

// One more line under the tab's note where nothing of the system reads these values
// (every system but Windows); nullptr where the system does.
const char* PoliciesPlatformNote();

}  // namespace quorvel::panel
