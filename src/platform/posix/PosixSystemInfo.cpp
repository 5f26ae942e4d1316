#include "platform/posix/PosixSystemInfo.h"

#include <sys/utsname.h>

#include <cstdlib>
#include <filesystem>

#include "platform/posix/XdgPaths.h"

namespace quorvel::platform {

void ParseKernelRelease(const char* release, int& major, int& minor) {
    major = 0;
    minor = 0;
    char* end = nullptr;
    const long first = std::strtol(release, &end, 10);
    if (end == release) return;
    major = static_cast<int>(first);
    if (*end != '.') return;
    const char* next = end + 1;
    const long second = std::strtol(next, &end, 10);
    if (end != next) minor = static_cast<int>(second);
}

void PosixSystemInfo::OsVersion(int& major, int& minor) const {
    struct utsname name {};
    if (::uname(&name) == 0)
        ParseKernelRelease(name.release, major, minor);
    else
        major = minor = 0;
    KeepOutOfWindows9x(major, minor);
}

void KeepOutOfWindows9x(int& major, int& minor) {
    // Versions up to 4.9 are the Windows 9x family (and NT 4), which the program treats
    // specially; Linux is none of them, whatever its kernel (4.19, 3.10) or an
    // unreadable release says.
    if (major < 5) {
        major = 5;
        minor = 0;
    }
}

std::string PosixSystemInfo::SystemDirectory() const {
    const std::string folder = XdgSystemDirectory();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return folder;
}

std::string PosixSystemInfo::ProgramFolder() const {
    return XdgProgramFolder();
}

std::string SharedDataFolderFor(const std::string& executable) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(executable).parent_path();
    std::error_code ec;
    for (const fs::path& candidate :
         {folder.parent_path() / "share" / "quorvel", folder / "data"}) {
        if (fs::is_directory(candidate, ec)) return candidate.string();
    }
    return {};
}

std::string PosixSystemInfo::SharedDataFolder() const {
    std::error_code ec;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : SharedDataFolderFor(executable.string());
}

}  // namespace quorvel::platform
