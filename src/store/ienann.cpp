#include "store/ienann.h"

#include <algorithm>
#include <array>

namespace quorvel::store {

using namespace platform;

SkippedNames LoadNameList(Registry& registry, RegKey root, const std::string& path,
                          NameList& list) {
    list.clear();
    SkippedNames skipped;
    ScopedKey key(registry);
    if (registry.OpenKey(root, path, key.out()) != kErrorSuccess) return skipped;
    for (std::uint32_t index = 0;; ++index) {
        // A fresh name buffer for every value. Only the data's size matters, so the
        // size is asked for without a buffer: data of any length reports its size.
        std::array<char, kNameBufferSize> name;
        name.fill(' ');
        std::uint32_t nameLen = name.size();
        std::uint32_t dataSize = 0;
        const std::int32_t status = registry.EnumValue(key.get(), index, name.data(), &nameLen,
                                                       nullptr, nullptr, &dataSize);
        if (status == kErrorNoMoreItems) break;
        if (status == kErrorSuccess) {
            if (dataSize > 0) list.emplace_back(name.data(), nameLen);
            continue;
        }
        // A name too long for the buffer is not delivered and cannot be listed. Windows
        // may not report the length it needed; the buffer's size is then the floor.
        if (status == kErrorMoreData) {
            skipped.push_back({index, std::max<std::size_t>(nameLen, kNameBufferSize)});
            continue;
        }
        // Any other failure (a store that became unreadable, a handle gone bad)
        // answers every later index the same way: reading on would never end.
        break;
    }
    return skipped;
}

}  // namespace quorvel::store

namespace quorvel::store {

namespace {
// GetWindowTextA's maximum count: 253 characters and the NUL.
constexpr int kWindowTextMax = 254;
}  // namespace

std::string WindowEntry(platform::Hwnd window, std::string_view text) {
    // Win32 handles are 32-bit values; the list shows them as signed numbers.
    const auto number = static_cast<std::int32_t>(static_cast<std::uint32_t>(window));
    std::string entry = std::to_string(number);
    entry += " - ";
    entry += text;
    return entry;
}

std::optional<platform::Hwnd> HandleFromEntry(std::string_view entry) {
    std::size_t pos = 0;
    while (pos < entry.size() && entry[pos] == ' ') ++pos;
    bool negative = false;
    if (pos < entry.size() && entry[pos] == '-') {
        negative = true;
        ++pos;
    }
    const std::size_t digits = pos;
    std::int64_t value = 0;
    while (pos < entry.size() && entry[pos] >= '0' && entry[pos] <= '9') {
        value = value * 10 + (entry[pos] - '0');
        if (value > 0x80000000LL) return std::nullopt;
        ++pos;
    }
    if (pos == digits) return std::nullopt;
    while (pos < entry.size() && entry[pos] == ' ') ++pos;
    // The number must run up to the separating hyphen (or the end of the entry).
    if (pos < entry.size() && entry[pos] != '-') return std::nullopt;
    if (negative) value = -value;
    if (value > 0x7FFFFFFFLL) return std::nullopt;
    // Back to a handle as the window system gives it: sign-extended, as 64-bit
    // Windows widens a 32-bit handle.
    return static_cast<platform::Hwnd>(static_cast<std::intptr_t>(value));
}

void WindowLister::ListChildWindows(NameList& list, platform::Hwnd parent) {
    // TargetList means something only while the enumeration runs, whichever way it ends.
    struct Target {
        NameList*& slot;
        ~Target() { slot = nullptr; }
    } target{TargetList = &list};
    list.clear();
    windows_.EnumChildWindows(
        parent,
        [this](platform::Hwnd window, std::intptr_t param) {
            return AddWindowToList(window, param);
        },
        0);
}

bool WindowLister::AddWindowToList(platform::Hwnd window, std::intptr_t /*param*/) {
    if (TargetList == nullptr) return true;
    std::string text = windows_.WindowText(window, kWindowTextMax);
    if (const auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    // The buffer holds 253 characters whatever a backend delivers.
    if (text.size() > kWindowTextMax - 1) text.resize(kWindowTextMax - 1);
    TargetList->push_back(WindowEntry(window, text));
    return true;
}

}  // namespace quorvel::store
