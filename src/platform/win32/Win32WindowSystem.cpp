#include "platform/win32/Win32WindowSystem.h"

#include <windows.h>

#include <algorithm>
#include <exception>

namespace quorvel::platform {

namespace {

HWND ToHwnd(Hwnd window) {
    return reinterpret_cast<HWND>(window);
}

// A blank buffer of `size` characters, as the blocker's calls hand to Windows.
std::string Buffer(int size) {
    return std::string(static_cast<std::size_t>(std::max(size, 0)), ' ');
}

std::string Prefix(const std::string& buffer, LRESULT length) {
    return buffer.substr(0, static_cast<std::size_t>(std::clamp<LRESULT>(
                                length, 0, static_cast<LRESULT>(buffer.size()))));
}

struct EnumContext {
    const EnumChildProc* proc;
    std::intptr_t param;
    std::exception_ptr failure;
};

BOOL CALLBACK EnumThunk(HWND window, LPARAM context) {
    auto* ctx = reinterpret_cast<EnumContext*>(context);
    // Nothing may unwind through user32's frames: a failure stops the walk and is
    // raised again once EnumChildWindows has returned.
    try {
        return (*ctx->proc)(reinterpret_cast<Hwnd>(window), ctx->param) ? TRUE : FALSE;
    } catch (...) {
        ctx->failure = std::current_exception();
        return FALSE;
    }
}

}  // namespace

Hwnd Win32WindowSystem::DesktopWindow() {
    return reinterpret_cast<Hwnd>(GetDesktopWindow());
}

void Win32WindowSystem::EnumChildWindows(Hwnd parent, const EnumChildProc& proc,
                                         std::intptr_t param) {
    EnumContext context{&proc, param, nullptr};
    ::EnumChildWindows(ToHwnd(parent), EnumThunk, reinterpret_cast<LPARAM>(&context));
    if (context.failure) std::rethrow_exception(context.failure);
}

std::string Win32WindowSystem::WindowText(Hwnd window, int maxCount) {
    if (maxCount <= 0) return {};
    std::string buffer = Buffer(maxCount + 1);
    return Prefix(buffer, GetWindowTextA(ToHwnd(window), buffer.data(), maxCount));
}

std::string Win32WindowSystem::ClassName(Hwnd window, int maxCount) {
    if (maxCount <= 0) return {};
    std::string buffer = Buffer(maxCount);
    return Prefix(buffer, GetClassNameA(ToHwnd(window), buffer.data(), maxCount));
}

int Win32WindowSystem::TextLength(Hwnd window) {
    return static_cast<int>(SendMessageA(ToHwnd(window), WM_GETTEXTLENGTH, 0, 0));
}

std::string Win32WindowSystem::GetText(Hwnd window, int bufferSize) {
    if (bufferSize <= 0) return {};
    std::string buffer = Buffer(bufferSize);
    const LRESULT copied = SendMessageA(ToHwnd(window), WM_GETTEXT, static_cast<WPARAM>(bufferSize),
                                        reinterpret_cast<LPARAM>(buffer.data()));
    return Prefix(buffer, std::min<LRESULT>(copied, bufferSize - 1));
}

void Win32WindowSystem::SetText(Hwnd window, const std::string& text) {
    SendMessageA(ToHwnd(window), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Win32WindowSystem::PressEnter() {
    // A key-down only, to whatever window has the keyboard focus.
    keybd_event(VK_RETURN, 1, 0, 0);
}

}  // namespace quorvel::platform
