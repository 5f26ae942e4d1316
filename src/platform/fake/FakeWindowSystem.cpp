#include "platform/fake/FakeWindowSystem.h"

namespace quorvel::platform {

namespace {
// What a Win32 text call delivers into a buffer of `size` characters: at most
// size - 1 characters, cut at the first NUL.
std::string Fit(const std::string& text, int size) {
    if (size <= 0) return {};
    std::string out = text.substr(0, static_cast<std::size_t>(size - 1));
    if (auto nul = out.find('\0'); nul != std::string::npos) out.resize(nul);
    return out;
}
}  // namespace

FakeWindowSystem::FakeWindowSystem() { windows_[kDesktop] = Window{0, "#32769", "", {}}; }

Hwnd FakeWindowSystem::Add(Hwnd parent, std::string className, std::string text) {
    const Hwnd handle = next_;
    next_ += 4;
    windows_[handle] = Window{parent, std::move(className), std::move(text), {}};
    windows_.at(parent).children.push_back(handle);
    return handle;
}

void FakeWindowSystem::Collect(Hwnd parent, std::vector<Hwnd>& out) const {
    const auto it = windows_.find(parent);
    if (it == windows_.end()) return;
    for (Hwnd child : it->second.children) {
        out.push_back(child);
        Collect(child, out);
    }
}

std::vector<Hwnd> FakeWindowSystem::ChildWindows(Hwnd parent) {
    std::vector<Hwnd> out;
    Collect(parent, out);
    return out;
}

std::string FakeWindowSystem::WindowText(Hwnd window, int bufferSize) {
    const auto it = windows_.find(window);
    return it == windows_.end() ? std::string() : Fit(it->second.text, bufferSize);
}

std::string FakeWindowSystem::ClassName(Hwnd window, int bufferSize) {
    const auto it = windows_.find(window);
    return it == windows_.end() ? std::string() : Fit(it->second.className, bufferSize);
}

int FakeWindowSystem::TextLength(Hwnd window) {
    const auto it = windows_.find(window);
    return it == windows_.end() ? 0 : static_cast<int>(it->second.text.size());
}

std::string FakeWindowSystem::GetText(Hwnd window, int bufferSize) {
    return WindowText(window, bufferSize);
}

void FakeWindowSystem::SetText(Hwnd window, const std::string& text) {
    rewrites.push_back({window, text});
    const auto it = windows_.find(window);
    if (it != windows_.end()) it->second.text = text;
}

}  // namespace quorvel::platform
