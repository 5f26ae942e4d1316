#pragma once
// Loads the value names of one settings key into a list: the quick-launch
// programs and the blocked-site keywords live as value names. Also fills the
// website blocker's lists of windows.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Registry.h"
#include "platform/WindowSystem.h"

namespace quorvel::store {

using NameList = std::vector<std::string>;

// The loader's name buffer: a value name of 255 bytes or more does not fit (with its
// NUL) and is not listed.
inline constexpr std::size_t kNameBufferSize = 255;

// A value the loader passed over because its name does not fit the name buffer: its
// place in the store's order and its name's length in bytes, as far as the store
// tells it (never less than kNameBufferSize).
struct SkippedName {
    std::uint32_t index = 0;
    std::size_t length = 0;
    friend bool operator==(const SkippedName&, const SkippedName&) = default;
};
using SkippedNames = std::vector<SkippedName>;

// Empties `list`, then appends the name of every value of the key whose data is
// not empty, in the store's enumeration order. A missing key leaves it empty.
// Returns the values left out for their names' length, for the caller to say.
SkippedNames LoadNameList(platform::Registry& registry, platform::RegKey root,
                          const std::string& path, NameList& list);

}  // namespace quorvel::store

// ---- Window lists -------------------------------------------------------------------
// The blocker's window lists hold one entry per window: the handle as a signed 32-bit
// decimal number, " - ", then the window's text (at most 253 characters, cut at the
// first NUL).

namespace quorvel::store {

// The entry for a window with the given text.
std::string WindowEntry(platform::Hwnd window, std::string_view text);

// The handle an entry stands for: the number before the separating hyphen, blanks
// ignored. A negative handle keeps its minus sign (the separator is the first hyphen
// after the number). Nothing when there is no number there.
std::optional<platform::Hwnd> HandleFromEntry(std::string_view entry);

// Fills a window list through EnumChildWindows. `TargetList` is the list the running
// enumeration appends to; it is set by ListChildWindows and cleared again when the
// enumeration returns, so a stray callback outside it appends nowhere.
class WindowLister {
  public:
    explicit WindowLister(platform::WindowSystem& windows) : windows_(windows) {}
    WindowLister(const WindowLister&) = delete;
    WindowLister& operator=(const WindowLister&) = delete;

    // Empties `list` and lists every descendant of `parent` in it, in the window
    // system's order.
    void ListChildWindows(NameList& list, platform::Hwnd parent);
    // The enumeration callback: appends the window's entry to TargetList and always
    // asks for the next window. The parameter is not used.
    bool AddWindowToList(platform::Hwnd window, std::intptr_t param);

  private:
    platform::WindowSystem& windows_;
    NameList* TargetList = nullptr;
};

}  // namespace quorvel::store
