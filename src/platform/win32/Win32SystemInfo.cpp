#include "platform/win32/Win32SystemInfo.h"

#include <windows.h>

namespace quorvel::platform {

void Win32SystemInfo::OsVersion(int& major, int& minor) const {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = 148;  // sizeof(OSVERSIONINFOA)
    const BOOL ok = GetVersionExA(&info);
    major = ok ? static_cast<int>(info.dwMajorVersion) : 0;
    minor = ok ? static_cast<int>(info.dwMinorVersion) : 0;
}

std::string Win32SystemInfo::SystemDirectory() const {
    // A buffer of 255 blanks; the result is its first N characters, N being the
    // length the call returns.
    std::string buffer(255, ' ');
    const UINT length = GetSystemDirectoryA(buffer.data(), 255);
    return length <= buffer.size() ? buffer.substr(0, length) : std::string();
}

std::string Win32SystemInfo::ProgramFolder() const {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    const auto slash = folder.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : folder.substr(0, slash);
}

}  // namespace quorvel::platform
