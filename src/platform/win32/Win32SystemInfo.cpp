#include "platform/win32/Win32SystemInfo.h"

#include <windows.h>

#include "os/WideText.h"

namespace quorvel::platform {

namespace {

constexpr DWORD kVersionRecordSize = 148;
static_assert(sizeof(OSVERSIONINFOA) == kVersionRecordSize);
constexpr UINT kSystemDirectoryBuffer = 255;

void DropTrailingSeparator(std::string& path) {
    if (path.size() > 1 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
}

}  // namespace

void Win32SystemInfo::OsVersion(int& major, int& minor) const {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = kVersionRecordSize;
    if (!GetVersionExA(&info)) {
        major = minor = 0;
        return;
    }
    major = static_cast<int>(info.dwMajorVersion);
    minor = static_cast<int>(info.dwMinorVersion);
}

std::string Win32SystemInfo::SystemDirectory() const {
    std::string path(kSystemDirectoryBuffer, '\0');
    UINT length = GetSystemDirectoryA(path.data(), kSystemDirectoryBuffer);
    // A directory that does not fit is reported by the size it needs (terminator
    // included); read it again into a buffer of that size instead of keeping a
    // truncated or garbage path.
    if (length >= kSystemDirectoryBuffer) {
        path.assign(length, '\0');
        length = GetSystemDirectoryA(path.data(), static_cast<UINT>(path.size()));
        if (length >= path.size()) length = 0;
    }
    path.resize(length);
    DropTrailingSeparator(path);
    return path;
}

// In UTF-8, as every path of the program: the data file's path goes to SQLCipher and
// the file calls (storage::FileOps) as UTF-8, whatever the ANSI code page.
std::string Win32SystemInfo::ProgramFolder() const {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        // A full buffer means the name was cut short: try again with more room.
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        if (path.size() >= 32768) return {};
        path.assign(path.size() * 2, L'\0');
    }
    const auto slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return {};
    path.resize(slash);
    std::string folder = os::Narrow(path);
    DropTrailingSeparator(folder);
    return folder;
}

}  // namespace quorvel::platform
