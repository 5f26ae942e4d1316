#include "panel/ControlPanel.h"

namespace quorvel::panel {

std::optional<std::string_view> FrameForKey(std::string_view key) {
    for (const Tab& tab : kTabs)
        if (key == tab.key) return tab.frame;
    return std::nullopt;
}

void RunLoadSteps(std::initializer_list<std::function<void()>> steps) {
    for (const auto& step : steps) {
        try {
            step();
        } catch (...) {
            // A page that could not be filled stays as far as it got; the panel still
            // opens with every other page.
        }
    }
}

}  // namespace quorvel::panel
