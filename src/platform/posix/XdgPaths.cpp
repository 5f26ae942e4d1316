#include "platform/posix/XdgPaths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace quorvel::platform {

namespace {

namespace fs = std::filesystem;

bool IsAbsolute(const char* path) {
    return path && *path == '/';
}

// $HOME, else the account's home from the password database; "" when neither is an
// absolute path.
fs::path Home() {
    if (const char* home = std::getenv("HOME"); IsAbsolute(home)) return home;
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        IsAbsolute(found->pw_dir))
        return found->pw_dir;
    return {};
}

// The XDG variable when it holds an absolute path, else its default under the home
// folder; "" when there is neither.
fs::path Base(const char* variable, const char* defaultUnderHome) {
    if (const char* value = std::getenv(variable); IsAbsolute(value)) return value;
    const fs::path home = Home();
    return home.empty() ? fs::path() : home / defaultUnderHome;
}

std::string Under(const fs::path& base, const fs::path& rest) {
    return base.empty() ? std::string() : (base / rest).string();
}

}  // namespace

bool XdgPathsKnown(std::string& why) {
    for (const char* variable : {"XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CONFIG_HOME"}) {
        if (Base(variable, ".").empty()) {
            why = std::string("no folder for the program's files: ") + variable +
                  " and HOME are not absolute paths, and the password database gives no home "
                  "folder for user id " +
                  std::to_string(::getuid());
            return false;
        }
    }
    return true;
}

std::string XdgProgramFolder() {
    return Under(Base("XDG_DATA_HOME", ".local/share"), "Quorvel");
}

std::string XdgSystemDirectory() {
    return Under(Base("XDG_STATE_HOME", ".local/state"), "Quorvel");
}

std::string XdgSettingsStorePath() {
    return Under(Base("XDG_CONFIG_HOME", ".config"), fs::path("Quorvel") / "registry.db");
}

std::string XdgInstanceLockPath() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); IsAbsolute(runtime))
        return (fs::path(runtime) / "quorvel.lock").string();
    return "/tmp/quorvel-" + std::to_string(::getuid()) + ".lock";
}

}  // namespace quorvel::platform
