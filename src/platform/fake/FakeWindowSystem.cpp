#include "platform/fake/FakeWindowSystem.h"

#include <algorithm>

namespace quorvel::platform {

FakeWindowSystem::FakeWindowSystem() {
    windows_[kDesktop] = Window{0, "#32769", "", {}};
}

Hwnd FakeWindowSystem::Add(Hwnd parent, std::string className, std::string text) {
    while (windows_.count(next_) != 0) next_ += 4;
    const Hwnd handle = next_;
    next_ += 4;
    return AddWithHandle(handle, parent, std::move(className), std::move(text));
}

Hwnd FakeWindowSystem::AddWithHandle(Hwnd handle, Hwnd parent, std::string className,
                                     std::string text) {
    windows_.at(parent).children.push_back(handle);
    windows_[handle] = Window{parent, std::move(className), std::move(text), {}};
    return handle;
}

void FakeWindowSystem::Remove(Hwnd window) {
    const auto it = windows_.find(window);
    if (it == windows_.end() || window == kDesktop) return;
    const std::vector<Hwnd> children = it->second.children;
    for (Hwnd child : children) Remove(child);
    auto& siblings = windows_.at(it->second.parent).children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), window), siblings.end());
    windows_.erase(window);
}

void FakeWindowSystem::Notify(std::string_view call, Hwnd window) {
    if (onCall) onCall(call, window);
}

bool FakeWindowSystem::Enumerate(Hwnd parent, const EnumChildProc& proc, std::intptr_t param) {
    const auto it = windows_.find(parent);
    if (it == windows_.end()) return true;
    // A copy: the callback may close windows while the walk goes on.
    const std::vector<Hwnd> children = it->second.children;
    for (Hwnd child : children) {
        if (!Exists(child)) continue;
        if (!proc(child, param)) return false;
        if (!Enumerate(child, proc, param)) return false;
    }
    return true;
}

void FakeWindowSystem::PrepareWatching() {
    Notify("PrepareWatching", 0);
    ++preparations;
}

void FakeWindowSystem::StartWatching() {
    Notify("StartWatching", 0);
    watching = true;
}

void FakeWindowSystem::StopWatching() {
    Notify("StopWatching", 0);
    watching = false;
}

void FakeWindowSystem::EnumChildWindows(Hwnd parent, const EnumChildProc& proc,
                                        std::intptr_t param) {
    Notify("EnumChildWindows", parent);
    Enumerate(parent, proc, param);
}

std::string FakeWindowSystem::WindowText(Hwnd window, int maxCount) {
    Notify("WindowText", window);
    const auto it = windows_.find(window);
    return it == windows_.end() ? std::string() : FitText(it->second.text, maxCount);
}

std::string FakeWindowSystem::ClassName(Hwnd window, int maxCount) {
    Notify("ClassName", window);
    const auto it = windows_.find(window);
    return it == windows_.end() ? std::string() : FitText(it->second.className, maxCount);
}

int FakeWindowSystem::TextLength(Hwnd window) {
    Notify("TextLength", window);
    const auto it = windows_.find(window);
    return it == windows_.end() ? 0 : static_cast<int>(it->second.text.size());
}

std::string FakeWindowSystem::GetText(Hwnd window, int bufferSize) {
    Notify("GetText", window);
    const auto it = windows_.find(window);
    return it == windows_.end() ? std::string() : FitText(it->second.text, bufferSize);
}

void FakeWindowSystem::SetText(Hwnd window, const std::string& text) {
    Notify("SetText", window);
    rewrites.push_back({window, text});
    events.push_back("SetText " + std::to_string(window));
    const auto it = windows_.find(window);
    if (it != windows_.end()) it->second.text = text;
}

void FakeWindowSystem::PressEnter() {
    Notify("PressEnter", 0);
    ++enterPresses;
    events.push_back("Enter");
}

}  // namespace quorvel::platform
