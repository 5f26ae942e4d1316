#pragma once
// The rules of the control panel's two lists kept as value names: the blocked
// websites ("Software\Quorvel\URLs") and the quick-launch programs
// ("Software\Quorvel\Programs"). The store treats names that differ only in letter
// case as one, so the lists do too: a name is taken when the store would overwrite an
// existing value with it.
#include <string>
#include <string_view>

#include "platform/AsciiText.h"
#include "store/ienann.h"

namespace quorvel::store {
class mdlRegistry;
}

namespace quorvel::panel {

// The blanks the lists trim are the ones the login screen trims (platform/AsciiText.h).
using platform::TrimBlanks;

// True when both names, trimmed, name the same value in the store.
bool SameListedName(std::string_view a, std::string_view b);

// The longest name the list loader reads back, in bytes of the stored encoding.
inline constexpr std::size_t kLongestListedName = store::kNameBufferSize - 1;

enum class AddOutcome {
    Added,
    Empty,      // nothing but blanks: never stored
    TooLong,    // longer than kLongestListedName: stored, it would never be read back
    Taken,      // a listed name the store holds as the same value
    NotStored,  // the key is missing or the store refused the write
};

// Stores `data` as the value `name` of `key` unless the name is blank, too long for
// the list loader or taken by one of `listed`. The list is left to the caller: it
// shows the name only on Added.
AddOutcome AddNamedValue(const store::mdlRegistry& settings, const std::string& key,
                         const store::NameList& listed, const std::string& name,
                         const std::string& data);

// Deletes the value `name` of `key`. True when it is gone, also when it was not
// there; false when the store kept it.
bool RemoveNamedValue(const store::mdlRegistry& settings, const std::string& key,
                      const std::string& name);

// ---- Blocked websites ---------------------------------------------------------------

// The address stored with a blocked keyword: prefix, ".", keyword, ".", suffix. Only
// the keyword matters to the blocker.
std::string BlockedSiteAddress(const std::string& prefix, const std::string& keyword,
                               const std::string& suffix);

inline constexpr const char* kSitePrefix = "http://www";
inline constexpr const char* kSiteSuffix = "com";
inline constexpr const char* kSiteTakenMessage = "Website already blocked";
inline constexpr const char* kSiteTooLongMessage =
    "The website name or keyword is too long: the blocker reads names of at most 254 bytes "
    "(a letter beyond plain ASCII takes two or more). Nothing was blocked.";
inline constexpr const char* kSiteNotStoredMessage =
    "The website could not be blocked: the settings store did not take it.";
inline constexpr const char* kSitesNotRemovedMessage =
    "These websites could not be removed from the settings store:\n";
inline constexpr const char* kBlockingNotStoredMessage =
    "\"Enable Blocking\" could not be stored: the next guest session starts as before.";

// ---- Quick-launch programs ----------------------------------------------------------

inline constexpr const char* kProgramTakenMessage = "Name already exixts";
inline constexpr const char* kProgramTooLongMessage =
    "The program name is too long: Quick Launch reads names of at most 254 bytes "
    "(a letter beyond plain ASCII takes two or more). Nothing was saved.";
inline constexpr const char* kProgramNotStoredMessage =
    "The program could not be saved: the settings store did not take it.";
inline constexpr const char* kProgramsNotRemovedMessage =
    "These programs could not be deleted from the settings store:\n";

// The Browse dialog's filter: what counts as a program on this system.
const char* ProgramFilter();

// A message naming things, one a line under `heading`, with `closing` after them:
// what was not removed, not applied.
std::string NamesMessage(const std::string& heading, const store::NameList& names,
                         const std::string& closing = {});

// What the panel says when it opens over values of `key` whose names the loader could
// not read: they take no effect and cannot be listed or removed here.
std::string SkippedNamesMessage(const std::string& key, const store::SkippedNames& skipped);

}  // namespace quorvel::panel
