#pragma once
// What quorvel-admin needs of the system it runs on: where the program's folder is,
// the user's settings store, and a terminal that can take a password unseen.
// Host_posix.cpp gives them on Linux, Host_win32.cpp on Windows.
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/Registry.h"

namespace quorvel::admin {

// False with `why` when there is no home for the program's files (on Linux an account
// without HOME or a password-database entry); no path is made then.
bool FoldersKnown(std::string& why);

// The folder `init` provisions: on Linux $XDG_DATA_HOME/Quorvel; on Windows the folder
// quorvel-admin.exe is in, which is the program's own folder.
std::string ProgramFolder();

// The user's settings store: the store file on Linux, the registry on Windows.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    virtual platform::Registry& registry() = 0;
    // False when it cannot be used at all.
    virtual bool usable() const = 0;
    // Why it cannot be used, or why its last operation failed ("" when it cannot say).
    virtual std::string error() const = 0;
};

// Where the store is, for messages.
std::string SettingsStoreLocation();
// Opens the store. Without `create`, a store that does not exist yet is not made and
// null comes back: it holds no key.
std::unique_ptr<SettingsStore> OpenSettingsStore(bool create);

// True when standard input is a terminal a person types into.
bool InputIsTerminal();

// Keeps what is typed on the terminal from showing while the object lives.
class NoEcho {
  public:
    NoEcho();
    ~NoEcho();
    NoEcho(const NoEcho&) = delete;
    NoEcho& operator=(const NoEcho&) = delete;

  private:
    struct Saved;  // the terminal's own mode, put back at the end
    std::unique_ptr<Saved> saved_;
};

#ifndef _WIN32
// What `kiosk` needs of a Linux system beyond files.

// True when the tool runs as root.
bool RunsAsRoot();

// Runs a program found on PATH and waits for it: its exit status, with what it wrote
// to standard output and standard error in `output`; -1 with the reason in `output`
// when it could not run or ended by a signal.
int RunProgram(const std::vector<std::string>& argv, std::string& output);

using Environment = std::vector<std::pair<std::string, std::string>>;
// Runs `work` in a child process under the account's user and group ids (no
// supplementary groups), with `environment` set, files made private (umask 077), and
// waits for it: the status `work` returns, or -1 when the child could not become the
// account or was killed.
int RunAsAccount(unsigned uid, unsigned gid, const Environment& environment,
                 const std::function<int()>& work);
#endif

}  // namespace quorvel::admin
