#include "platform/win32/Win32Desktop.h"

#include <windows.h>
// after windows.h, which it builds on
#include <shellapi.h>

#include <cstddef>
#include <cstring>

namespace quorvel::platform {
namespace {

constexpr UINT kSpiSetScreenSaverRunning = 97;
constexpr UINT kNotifyFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;  // 7
static_assert(kNotifyFlags == 7);

// The notify-icon record in its first (ANSI) form: size, window, id, flags, callback
// message, icon and a 64-character tip. On 32-bit Windows this is 88 bytes.
constexpr DWORD kNotifyIconRecordSize = offsetof(NOTIFYICONDATAA, szTip) + 64;
#ifndef _WIN64
static_assert(kNotifyIconRecordSize == 88);
#endif

HWND Taskbar() {
    return FindWindowA("Shell_TrayWnd", nullptr);
}

HICON IconOf(HWND window) {
    auto icon = reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_SMALL, 0));
    if (!icon) icon = reinterpret_cast<HICON>(GetClassLongPtrA(window, GCLP_HICONSM));
    if (!icon) icon = reinterpret_cast<HICON>(GetClassLongPtrA(window, GCLP_HICON));
    return icon;
}

}  // namespace

void Win32Desktop::ShowTaskbar(int showCommand) {
    // ShowWindow on a missing taskbar (handle 0) fails, which is ignored.
    ShowWindow(Taskbar(), showCommand);
}

void Win32Desktop::SetScreenSaverRunning(bool running, bool writeProfile) {
    // The third argument receives the previous state; it is handed a variable holding
    // 1, never the bare number, which the system would take for an address.
    UINT previous = 1;
    SystemParametersInfoA(kSpiSetScreenSaverRunning, running ? 1 : 0, &previous,
                          writeProfile ? SPIF_UPDATEINIFILE : 0);
}

void Win32Desktop::RegisterServiceProcess() {
    // Only Windows 9x's kernel32 exports it; looked up each time instead of linked,
    // so the program starts on every other version.
    using RegisterServiceProcessFn = DWORD(WINAPI*)(DWORD, DWORD);
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel) return;
    const auto proc = reinterpret_cast<RegisterServiceProcessFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "RegisterServiceProcess")));
    if (proc) proc(GetCurrentProcessId(), 1);
}

void Win32Desktop::ShowTrayClock(int showCommand) {
    // A search under handle 0 would look among the top-level windows instead, so a
    // missing taskbar or notify area ends the search: there is no clock to touch.
    const HWND taskbar = Taskbar();
    if (!taskbar) return;
    const HWND notifyArea = FindWindowExA(taskbar, nullptr, "traynotifywnd", nullptr);
    if (!notifyArea) return;
    ShowWindow(FindWindowExA(notifyArea, nullptr, "trayclockwclass", nullptr), showCommand);
}

void Win32Desktop::FlashNotifyIcon(std::uintptr_t window) {
    NOTIFYICONDATAA record;
    std::memset(&record, 0, sizeof record);
    record.cbSize = kNotifyIconRecordSize;
    record.hWnd = reinterpret_cast<HWND>(window);
    record.uID = 1;
    record.uFlags = kNotifyFlags;
    record.uCallbackMessage = 0;
    record.hIcon = IconOf(record.hWnd);
    // "Quorvel" padded with blanks; the last character stays the terminator so the
    // shell never reads past the record.
    std::memset(record.szTip, ' ', 63);
    std::memcpy(record.szTip, "Quorvel", 7);
    record.szTip[63] = '\0';
    Shell_NotifyIconA(NIM_ADD, &record);
    Shell_NotifyIconA(NIM_DELETE, &record);
}

bool Win32Desktop::SetTopMost(std::uintptr_t window, bool topMost) {
    const HWND handle = reinterpret_cast<HWND>(window);
    SetWindowPos(handle, topMost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE);
    return IsWindow(handle) != FALSE;
}

}  // namespace quorvel::platform
