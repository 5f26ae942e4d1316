#pragma once
// Where the program keeps its files on Linux, after the XDG base directories:
// the program folder (data file, notes), the "system directory" (session log, the
// compaction's temporary copy) and the per-user settings store.
#include <string>

namespace quorvel::platform {

// $XDG_DATA_HOME/Quorvel, by default ~/.local/share/Quorvel.
std::string XdgProgramFolder();
// $XDG_STATE_HOME/Quorvel, by default ~/.local/state/Quorvel.
std::string XdgSystemDirectory();
// $XDG_CONFIG_HOME/Quorvel/registry.db, by default ~/.config/Quorvel/registry.db.
std::string XdgSettingsStorePath();
// The per-user lock that tells a running instance: $XDG_RUNTIME_DIR/quorvel.lock,
// or /tmp/quorvel-<uid>.lock where there is no runtime folder.
std::string XdgInstanceLockPath();

}  // namespace quorvel::platform
