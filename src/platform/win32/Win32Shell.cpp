#include "platform/win32/Win32Shell.h"

#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include "os/WideText.h"

namespace quorvel::platform {

namespace {

bool Open(const std::string& what, int showState) {
    std::wstring wide;
    if (what.empty() || !os::Widen(what, wide)) return false;
    // A value above 32 means the shell started it; anything else is an error code.
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, showState));
    return result > 32;
}

}  // namespace

bool Win32Shell::StartProgram(const std::string& path, int showState) {
    return Open(path, showState);
}

bool Win32Shell::OpenAddress(const std::string& address) {
    return Open(address, SW_SHOWNORMAL);
}

}  // namespace quorvel::platform
