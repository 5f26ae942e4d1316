#pragma once
// The control panel's own rules, without its window: the eight tabs and the frame
// each shows, what the window does when it goes away, and how its pages are loaded.
#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string_view>

namespace quorvel::panel {

struct Tab {
    const char* caption;
    const char* key;    // the tab's key in the tab strip
    const char* frame;  // the page (frame) the tab shows
};

// The tabs in display order.
inline constexpr std::array<Tab, 8> kTabs{{
    {"Security", "kSo", "fSo"},
    {"Timer Programs", "kTp", "fTp"},
    {"Block Websites", "kBw", "fBw"},
    {"Configuration", "kDr", "fDr"},
    {"Passwords", "kMp", "fMp"},
    {"Notes", "kNt", "fNt"},
    {"Session Logs", "kSl", "fSl"},
    {"Report", "kRd", "fRd"},
}};

// A tab click sets the frames' visibility in this order, whichever tab it was.
inline constexpr std::array<const char*, 8> kFrameVisibilityOrder{"fSo", "fBw", "fDr", "fNt",
                                                                  "fRd", "fSl", "fTp", "fMp"};

// The frame a tab key shows; nullopt for a key that is none of the eight (such a
// click changes nothing).
std::optional<std::string_view> FrameForKey(std::string_view key);

// What the window does as it goes away: show the login screen again, or end the
// program. None until the window has loaded.
enum class ExitMode : std::uint8_t { None = 0, ShowLoginScreen = 1, EndProgram = 2 };

// The status bar's panels, numbered from 1 as the bar counts them.
enum class StatusPanel { Spacer = 1, ClosePanel = 2, Quit = 3 };
inline constexpr const char* kClosePanelText = "Close Control Panel";
inline constexpr const char* kQuitText = "Quit Quorvel (DE)";
inline constexpr const char* kQuitQuestion = "Do you realy want to quit Quorvel (DE)";

// Runs the page loaders in order. A loader that fails leaves its page with what it
// had filled; the next loader runs all the same, and nothing is reported: an owner
// opening the panel gets every page that could be read.
void RunLoadSteps(std::initializer_list<std::function<void()>> steps);

}  // namespace quorvel::panel
