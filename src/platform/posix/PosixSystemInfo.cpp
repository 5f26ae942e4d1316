#include "platform/posix/PosixSystemInfo.h"

#include <sys/utsname.h>

#include <cstdlib>
#include <filesystem>

#include "platform/posix/XdgPaths.h"

namespace quorvel::platform {

void VersionOfKernelRelease(const char* release, int& major, int& minor) {
    major = 0;
    minor = 0;
    char* end = nullptr;
    const long first = std::strtol(release, &end, 10);
    if (end != release) {
        major = static_cast<int>(first);
        if (*end == '.') {
            const char* next = end + 1;
            const long second = std::strtol(next, &end, 10);
            if (end != next) minor = static_cast<int>(second);
        }
    }
    if (major < 5) {
        major = 5;
        minor = 0;
    }
}

void PosixSystemInfo::OsVersion(int& major, int& minor) const {
    struct utsname name {};
    VersionOfKernelRelease(::uname(&name) == 0 ? name.release : "", major, minor);
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

}  // namespace quorvel::platform
