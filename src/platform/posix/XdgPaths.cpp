#include "platform/posix/XdgPaths.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace quorvel::platform {

namespace {

// An empty or unset XDG variable means its default under the home folder.
std::filesystem::path Base(const char* variable, const char* fallbackUnderHome) {
    const char* value = std::getenv(variable);
    if (value && *value) return value;
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : ".") / fallbackUnderHome;
}

}  // namespace

std::string XdgProgramFolder() {
    return (Base("XDG_DATA_HOME", ".local/share") / "Quorvel").string();
}

std::string XdgSystemDirectory() {
    return (Base("XDG_STATE_HOME", ".local/state") / "Quorvel").string();
}

std::string XdgSettingsStorePath() {
    return (Base("XDG_CONFIG_HOME", ".config") / "Quorvel" / "registry.db").string();
}

std::string XdgInstanceLockPath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime == '/')
        return (std::filesystem::path(runtime) / "quorvel.lock").string();
    return "/tmp/quorvel-" + std::to_string(::getuid()) + ".lock";
}

}  // namespace quorvel::platform
