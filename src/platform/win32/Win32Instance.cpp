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

Win32Instance::~Win32Instance() = default;

void Win32Instance::HandleCloser::operator()(void* handle) const {
    CloseHandle(handle);
}

void Win32Instance::WindowDestroyer::operator()(HWND__* window) const {
    DestroyWindow(window);
}

bool Win32Instance::PreviousInstanceRunning() {
    if (mutexTried_) return otherRunning_;
    mutexTried_ = true;
    HANDLE mutex = CreateMutexA(nullptr, FALSE, mutexName_.c_str());
    const DWORD created = GetLastError();
    mutex_.reset(mutex);
    otherRunning_ = mutex_ && created == ERROR_ALREADY_EXISTS;
    return otherRunning_;
}

void Win32Instance::SetMainWindowTitle(const std::string& title) {
    if (!window_) {
        if (!RegisterMainWindowClass()) return;
        // Created without WS_VISIBLE and never shown.
        window_.reset(CreateWindowExA(0, kMainWindowClass, title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0,
                                      0, 0, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr));
        return;
    }
    SetWindowTextA(window_.get(), title.c_str());
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
