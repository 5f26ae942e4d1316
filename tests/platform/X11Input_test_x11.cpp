// Which X window the blocker types into for a browser window it found on the
// accessibility bus: never one it cannot be sure of.
#include "platform/x11/X11Input.h"

#include <gtest/gtest.h>

namespace quorvel::test {
namespace {

using platform::ChooseWindow;
using platform::ClientWindow;
using platform::ScreenRect;

constexpr ScreenRect kLeft{10, 10, 1050, 972};
constexpr ScreenRect kCascaded{20, 20, 1050, 972};

struct Choice {
    const char* what;
    std::vector<ClientWindow> windows;
    const char* title;  // as the accessibility bus gives it
    ScreenRect place;
    std::uint32_t chosen;
};

class ChooseWindowTest : public ::testing::TestWithParam<Choice> {};

TEST_P(ChooseWindowTest, PicksTheOneWindowThatCanBeMeant) {
    const Choice& c = GetParam();
    EXPECT_EQ(ChooseWindow(c.windows, c.title, c.place), c.chosen) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Windows, ChooseWindowTest,
    ::testing::Values(Choice{"the one window of that title, wherever it is",
                             {{1, "News - Chromium", kLeft}, {2, "Mail - Chromium", kCascaded}},
                             "News - Chromium",
                             kCascaded,
                             1},
                      Choice{"an incognito window: the bus adds to the title the window carries",
                             {{1, "New Tab - Chromium", kLeft},
                              {2, "New Incognito Tab - Chromium", kCascaded}},
                             "New Incognito Tab - Chromium (Incognito)",
                             kCascaded,
                             2},
                      Choice{"two windows start the title: the one at the same place",
                             {{1, "Casino - Chromium", kLeft}, {2, "Casino - Chromium", kCascaded}},
                             "Casino - Chromium (Incognito)",
                             kCascaded,
                             2},
                      Choice{"two windows of the title at the same place: neither",
                             {{1, "Casino - Chromium", kLeft}, {2, "Casino - Chromium", kLeft}},
                             "Casino - Chromium",
                             kLeft,
                             0},
                      Choice{"two windows of the title, neither at the place: neither",
                             {{1, "Casino - Chromium", kLeft}, {2, "Casino - Chromium", kLeft}},
                             "Casino - Chromium",
                             kCascaded,
                             0},
                      Choice{"a title that only starts like the window's does not make it",
                             {{1, "Casino night - Chromium", kLeft}},
                             "Casino - Chromium",
                             kLeft,
                             0},
                      Choice{"a window without a title is never taken",
                             {{1, "", kLeft}},
                             "Casino - Chromium",
                             kLeft,
                             0},
                      Choice{"no window of the process", {}, "Casino - Chromium", kLeft, 0}));

}  // namespace
}  // namespace quorvel::test
