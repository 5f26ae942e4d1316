// The Windows lockdown backend on a real Win32 implementation (Wine): nothing breaks
// where the shell's windows are missing, and windows of the shell's classes made
// here are hidden and shown as the taskbar, notify area and clock would be.
#include <gtest/gtest.h>

#include <windows.h>
// after windows.h, which it builds on
#include <shellapi.h>

#include <memory>
#include <type_traits>

#include "platform/win32/Win32Desktop.h"

namespace quorvel::test {
namespace {

struct WindowDeleter {
    void operator()(HWND window) const {
        if (window) DestroyWindow(window);
    }
};
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter>;

void RegisterClassOnce(const char* name) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = name;
    RegisterClassA(&wc);  // a second registration fails harmlessly
}

UniqueWindow MakeWindow(const char* className, HWND parent) {
    RegisterClassOnce(className);
    const DWORD style = WS_VISIBLE | (parent ? WS_CHILD : WS_POPUP);
    return UniqueWindow(CreateWindowExA(0, className, "", style, 0, 0, 100, 20, parent, nullptr,
                                        GetModuleHandleA(nullptr), nullptr));
}

bool HasVisibleStyle(HWND window) {
    return (GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

TEST(Win32Desktop, EveryCallGoesOnWhereTheShellWindowsAreMissing) {
    if (FindWindowA("Shell_TrayWnd", nullptr)) GTEST_SKIP() << "this system has a taskbar";
    platform::Win32Desktop desktop;
    desktop.ShowTaskbar(0);
    desktop.ShowTrayClock(0);
    desktop.SetScreenSaverRunning(true, true);
    desktop.RegisterServiceProcess();
    UniqueWindow own = MakeWindow("QuorvelTestOwn", nullptr);
    desktop.FlashNotifyIcon(reinterpret_cast<std::uintptr_t>(own.get()));
    desktop.SetScreenSaverRunning(false, false);
    desktop.ShowTrayClock(1);
    desktop.ShowTaskbar(1);
    SUCCEED();
}

TEST(Win32Desktop, HidesAndShowsTaskbarAndClockOfTheShellsClasses) {
    if (FindWindowA("Shell_TrayWnd", nullptr)) GTEST_SKIP() << "this system has a taskbar";
    UniqueWindow taskbar = MakeWindow("Shell_TrayWnd", nullptr);
    ASSERT_TRUE(taskbar);
    UniqueWindow notifyArea = MakeWindow("TrayNotifyWnd", taskbar.get());
    UniqueWindow clock = MakeWindow("TrayClockWClass", notifyArea.get());
    ASSERT_TRUE(notifyArea && clock);

    platform::Win32Desktop desktop;
    desktop.ShowTaskbar(0);
    EXPECT_FALSE(HasVisibleStyle(taskbar.get()));
    EXPECT_TRUE(HasVisibleStyle(clock.get()));
    desktop.ShowTaskbar(1);
    EXPECT_TRUE(HasVisibleStyle(taskbar.get()));

    desktop.ShowTrayClock(0);
    EXPECT_FALSE(HasVisibleStyle(clock.get()));
    EXPECT_TRUE(HasVisibleStyle(taskbar.get()));
    EXPECT_TRUE(HasVisibleStyle(notifyArea.get()));
    desktop.ShowTrayClock(1);
    EXPECT_TRUE(HasVisibleStyle(clock.get()));
}

TEST(Win32Desktop, ClockIsOnlyLookedForInsideTheNotifyArea) {
    if (FindWindowA("Shell_TrayWnd", nullptr)) GTEST_SKIP() << "this system has a taskbar";
    // A taskbar without a notify area, and a stray top-level clock window elsewhere.
    UniqueWindow taskbar = MakeWindow("Shell_TrayWnd", nullptr);
    UniqueWindow strayClock = MakeWindow("TrayClockWClass", nullptr);
    platform::Win32Desktop desktop;
    desktop.ShowTrayClock(0);
    EXPECT_TRUE(HasVisibleStyle(strayClock.get()));
}

TEST(Win32Desktop, TopMostIsSetClearedAndAGoneWindowIsReported) {
    UniqueWindow window = MakeWindow("QuorvelTestTopMost", nullptr);
    platform::Win32Desktop desktop;
    const auto handle = reinterpret_cast<std::uintptr_t>(window.get());
    EXPECT_TRUE(desktop.SetTopMost(handle, true));
    EXPECT_TRUE(GetWindowLongA(window.get(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(desktop.SetTopMost(handle, false));
    EXPECT_FALSE(GetWindowLongA(window.get(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    window.reset();
    EXPECT_FALSE(desktop.SetTopMost(handle, true));
}

TEST(Win32Desktop, NotifyIconFlashLeavesNoIconBehind) {
    UniqueWindow window = MakeWindow("QuorvelTestIcon", nullptr);
    NOTIFYICONDATAA record{};
    record.cbSize = sizeof record;
    record.hWnd = window.get();
    record.uID = 1;
    record.uFlags = NIF_TIP;
    if (!Shell_NotifyIconA(NIM_ADD, &record)) GTEST_SKIP() << "no notification area here";
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &record));

    platform::Win32Desktop desktop;
    desktop.FlashNotifyIcon(reinterpret_cast<std::uintptr_t>(window.get()));
    // Had the flash left its icon (same window, id 1), this delete would succeed.
    EXPECT_FALSE(Shell_NotifyIconA(NIM_DELETE, &record));
}

}  // namespace
}  // namespace quorvel::test
