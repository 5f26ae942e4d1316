#pragma once
// Where the program keeps its files on Linux, after the XDG base directories:
// the program folder (data file, notes), the "system directory" (session log, the
// compaction's temporary copy) and the per-user settings store. An XDG variable that
// is unset, empty or a relative path is ignored, as the XDG rules say; its default is
// under $HOME, or the account's home from the password database where HOME is unset
// or relative. Nothing ever lands in the current folder.
#include <string>

namespace quorvel::platform {

// False, with `why`, when a folder below has nowhere to be: no usable XDG variable
// and no absolute home folder. The functions below then give "".
bool XdgPathsKnown(std::string& why);

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
