#include <windows.h>
// The interface's FindWindow, not the header's macro for FindWindowA.
#undef FindWindow

#include <cstdlib>

#include "platform/win32/Win32Instance.h"

namespace quorvel::platform {

namespace {

constexpr const char* kMainWindowClass = "ThunderRT6Main";

// The class of the hidden main window, registered once per process.
bool RegisterMainWindowClass() {
    static const bool registered = [] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kMainWindowClass;
        return RegisterClassA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

}  // namespace

Win32Instance::Win32Instance(std::string mutexName) : mutexName_(std::move(mutexName)) {}

Win32Instance::~Win32Instance() {
    if (window_) DestroyWindow(static_cast<HWND>(window_));
    if (mutex_) CloseHandle(static_cast<HANDLE>(mutex_));
}

bool Win32Instance::PreviousInstanceRunning() {
    if (mutexTried_) return otherRunning_;
    mutexTried_ = true;
    mutex_ = CreateMutexA(nullptr, FALSE, mutexName_.c_str());
    otherRunning_ = mutex_ != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
    return otherRunning_;
}

void Win32Instance::SetMainWindowTitle(const std::string& title) {
    if (!window_) {
        if (!RegisterMainWindowClass()) return;
        // Created without WS_VISIBLE and never shown.
        window_ = CreateWindowExA(0, kMainWindowClass, title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 0,
                                  0, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        return;
    }
    SetWindowTextA(static_cast<HWND>(window_), title.c_str());
}

Hwnd Win32Instance::FindWindow(const std::string& className, const std::string& title) {
    return reinterpret_cast<Hwnd>(FindWindowA(className.c_str(), title.c_str()));
}

Hwnd Win32Instance::FirstInZOrder(Hwnd window) {
    return reinterpret_cast<Hwnd>(GetWindow(reinterpret_cast<HWND>(window), 0));
}

void Win32Instance::Restore(Hwnd window) {
    OpenIcon(reinterpret_cast<HWND>(window));
}

void Win32Instance::BringToFront(Hwnd window) {
    SetForegroundWindow(reinterpret_cast<HWND>(window));
}

void Win32Instance::EndProgram() {
    std::_Exit(0);
}

}  // namespace quorvel::platform
