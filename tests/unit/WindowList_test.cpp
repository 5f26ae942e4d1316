// The window lists the blocker fills: entry format, reading a handle back, and the
// enumeration behind them.
#include <gtest/gtest.h>

#include "platform/fake/FakeWindowSystem.h"
#include "store/ienann.h"

namespace quorvel::test {
namespace {

using namespace store;

using platform::FakeWindowSystem;
using platform::Hwnd;

TEST(WindowEntry, HandleReadsBackFromEveryEntryTheListerWritesAndOnlyFromThose) {
    // A hyphen in the text, a positive and a negative 32-bit handle, and the extremes.
    const Hwnd negative = static_cast<Hwnd>(static_cast<std::intptr_t>(-16));
    for (const Hwnd handle : {Hwnd{0x20004}, negative, Hwnd{0x7FFFFFFF},
                              static_cast<Hwnd>(static_cast<std::intptr_t>(INT32_MIN))}) {
        const std::string entry = WindowEntry(handle, "Example - Microsoft Internet Explorer");
        EXPECT_EQ(HandleFromEntry(entry), handle) << entry;
    }
    EXPECT_EQ(WindowEntry(0x20004, "Example"), "131076 - Example");
    EXPECT_EQ(WindowEntry(negative, ""), "-16 - ");
    // An entry without a number gives no handle.
    for (const char* entry :
         {" - Example", "- 12 - Example", "12x - Example", "99999999999 - Example", ""})
        EXPECT_EQ(HandleFromEntry(entry), std::nullopt) << entry;
    EXPECT_EQ(HandleFromEntry("  12  "), Hwnd{12});
}

struct ListerTest : ::testing::Test {
    FakeWindowSystem desktop;
    WindowLister lister{desktop};
    NameList list{"stale entry"};
};

TEST_F(ListerTest, ListsEveryDescendantEachBeforeItsChildren) {
    const Hwnd frame =
        desktop.Add(desktop.DesktopWindow(), "IEFrame", "A - Microsoft Internet Explorer");
    const Hwnd bar = desktop.Add(frame, "ReBarWindow32", "");
    const Hwnd edit = desktop.Add(bar, "Edit", "http://a/");
    const Hwnd other = desktop.Add(desktop.DesktopWindow(), "Notepad", "Untitled - Notepad");

    lister.ListChildWindows(list, desktop.DesktopWindow());
    EXPECT_EQ(list,
              (NameList{WindowEntry(frame, "A - Microsoft Internet Explorer"), WindowEntry(bar, ""),
                        WindowEntry(edit, "http://a/"), WindowEntry(other, "Untitled - Notepad")}));

    // The list is emptied first, and only the given window's descendants are listed.
    lister.ListChildWindows(list, bar);
    EXPECT_EQ(list, NameList{WindowEntry(edit, "http://a/")});
    lister.ListChildWindows(list, edit);
    EXPECT_TRUE(list.empty());
}

TEST_F(ListerTest, TextIsCutAt253CharactersAndAtTheFirstNul) {
    const std::string longText(300, 'x');
    const Hwnd longWindow = desktop.Add(desktop.DesktopWindow(), "A", longText);
    const Hwnd nulWindow =
        desktop.Add(desktop.DesktopWindow(), "B", std::string("before\0after", 12));
    lister.ListChildWindows(list, desktop.DesktopWindow());
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0], WindowEntry(longWindow, std::string(253, 'x')));
    EXPECT_EQ(list[1], WindowEntry(nulWindow, "before"));
}

TEST_F(ListerTest, TheCallbackAppendsOnlyWhileAnEnumerationRuns) {
    const Hwnd window = desktop.Add(desktop.DesktopWindow(), "A", "text");
    EXPECT_TRUE(lister.AddWindowToList(window, 0));
    lister.ListChildWindows(list, desktop.DesktopWindow());
    EXPECT_TRUE(lister.AddWindowToList(window, 0));
    EXPECT_EQ(list, NameList{WindowEntry(window, "text")});
}

TEST_F(ListerTest, AWindowClosedDuringTheWalkIsNotListed) {
    const Hwnd first = desktop.Add(desktop.DesktopWindow(), "A", "first");
    const Hwnd second = desktop.Add(desktop.DesktopWindow(), "B", "second");
    desktop.Add(second, "Edit", "inside second");
    desktop.onCall = [&](std::string_view call, Hwnd window) {
        if (call == "WindowText" && window == first) desktop.Remove(second);
    };
    lister.ListChildWindows(list, desktop.DesktopWindow());
    EXPECT_EQ(list, NameList{WindowEntry(first, "first")});
}

}  // namespace
}  // namespace quorvel::test
