// One tick of the website blocker on a simulated desktop.
#include "blocker/Blocker.h"

#include <gtest/gtest.h>

#include "platform/fake/FakeWindowSystem.h"
#include "support/TestPlatform.h"

namespace quorvel::test {
namespace {

using namespace blocker;

using platform::FakeWindowSystem;
using platform::Hwnd;

struct BlockerTest : ::testing::Test {
    FakeWindowSystem desktop;
    Blocker blocker{desktop};

    // A browser frame as Internet Explorer builds it, the address edit nested in the
    // address bar's combo box. Returns the edit; `frameOut` receives the frame.
    Hwnd Browser(const std::string& title, const std::string& address, Hwnd* frameOut = nullptr) {
        const Hwnd frame = desktop.Add(desktop.DesktopWindow(), "IEFrame",
                                       title + " - Microsoft Internet Explorer");
        const Hwnd rebar = desktop.Add(desktop.Add(frame, "WorkerW", ""), "ReBarWindow32", "");
        const Hwnd combo = desktop.Add(desktop.Add(rebar, "ComboBoxEx32", ""), "ComboBox", "");
        desktop.Add(frame, "Shell DocObject View", "");
        if (frameOut != nullptr) *frameOut = frame;
        return desktop.Add(combo, "Edit", address);
    }
    std::string Text(Hwnd window) { return desktop.At(window).text; }
};

// The keywords against one browser's address, over some ticks: each match rewrites the
// address and presses Enter once; the blocked page, once shown, is left alone unless a
// keyword is in its own address; an empty keyword ends the tick where it stands.
struct TickCase {
    const char* name;
    store::NameList keywords;
    const char* address;
    int ticks;
    int presses;  // every one after a rewrite of the edit
};

class BlockerTickTest : public BlockerTest, public ::testing::WithParamInterface<TickCase> {};

TEST_P(BlockerTickTest, RewritesAndPressesEnterOncePerMatch) {
    const TickCase& c = GetParam();
    const Hwnd edit = Browser("Example", c.address);
    blocker.AddKeywords(c.keywords);
    for (int tick = 0; tick < c.ticks; ++tick) blocker.Tick();
    std::vector<std::string> expected;
    for (int i = 0; i < c.presses; ++i) {
        expected.push_back("SetText " + std::to_string(edit));
        expected.push_back("Enter");
    }
    EXPECT_EQ(desktop.events, expected);
    EXPECT_EQ(Text(edit), c.presses ? kBlockedPage : c.address);
}

INSTANTIATE_TEST_SUITE_P(
    Keywords, BlockerTickTest,
    ::testing::Values(
        TickCase{"CaseSensitive", {"example", "EXAMPLE", "org/x"}, "http://www.Example.org/", 1, 0},
        TickCase{"Word", {"nothing", "Example"}, "http://www.Example.org/", 1, 1},
        TickCase{"Substring", {"nothing", "ample"}, "http://www.Example.org/", 1, 1},
        TickCase{
            "EveryMatch", {"poker", "casino", "games"}, "http://games.example.com/poker", 1, 2},
        TickCase{"InTheBlockedPage", {"casino", "blocked"}, "http://casino.example/", 3, 3},
        TickCase{"BlockedPageLeftAlone", {"casino"}, "http://casino.example/", 2, 1},
        TickCase{"EmptyKeywordFirst", {"", "example"}, "http://example.org/", 1, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BlockerTest, AnEmptyKeywordEndsTheTickWhenReached) {
    const Hwnd first = Browser("One", "http://poker.example/casino");
    const Hwnd second = Browser("Two", "http://poker.example/");
    blocker.AddKeywords({"casino", "", "poker"});
    blocker.Tick();
    // "casino" applies; "poker" after the empty keyword never does, in this window or
    // in any window examined after it.
    EXPECT_EQ(desktop.events,
              (std::vector<std::string>{"SetText " + std::to_string(first), "Enter"}));
    EXPECT_EQ(Text(second), "http://poker.example/");
}

// An empty list ends the tick at the first edit without reading others.
TEST_F(BlockerTest, AnEmptyListReadsOneAddress) {
    Browser("One", "http://example.org/");
    Browser("Two", "http://b/");
    int addressReads = 0;
    desktop.onCall = [&](std::string_view call, Hwnd) { addressReads += call == "GetText"; };
    blocker.Tick();
    EXPECT_EQ(addressReads, 1);
    // The blocker's end (StopWatching) calls in too, after this test's counter is gone.
    desktop.onCall = nullptr;
}

TEST_F(BlockerTest, EveryWindowNamingTheBrowserIsSearchedWhateverItIs) {
    // A text editor showing a file whose name holds the phrase, a browser frame nested
    // in another window, and edits of any class holding "Edit" at any depth.
    const Hwnd notepad = desktop.Add(desktop.DesktopWindow(), "Notepad",
                                     "Microsoft Internet Explorer notes.txt - Notepad");
    const Hwnd notes = desktop.Add(notepad, "Edit", "visit casino.example tonight");
    const Hwnd host = desktop.Add(desktop.DesktopWindow(), "Host", "Container");
    const Hwnd inner = desktop.Add(host, "Pane", "Microsoft Internet Explorer");
    const Hwnd rich = desktop.Add(desktop.Add(inner, "Pane", ""), "RichEdit20A", "casino");
    const Hwnd lower = desktop.Add(inner, "edit", "casino");
    const Hwnd label = desktop.Add(inner, "Static", "casino");
    blocker.AddKeywords({"casino"});
    blocker.Tick();
    EXPECT_EQ(Text(notes), kBlockedPage);
    EXPECT_EQ(Text(rich), kBlockedPage);
    EXPECT_EQ(Text(lower), "casino");
    EXPECT_EQ(Text(label), "casino");
    EXPECT_EQ(desktop.enterPresses, 2);
}

TEST_F(BlockerTest, TheBrowserTestIsCaseSensitiveAndSeesOnlyThe253CharactersListed) {
    const Hwnd lowerFrame =
        desktop.Add(desktop.DesktopWindow(), "IEFrame", "Example - microsoft internet explorer");
    const Hwnd lowerEdit = desktop.Add(lowerFrame, "Edit", "casino");
    // The phrase starts at character 240 and so is cut off in the list.
    const Hwnd longFrame = desktop.Add(desktop.DesktopWindow(), "IEFrame",
                                       std::string(237, 'T') + " - Microsoft Internet Explorer");
    const Hwnd longEdit = desktop.Add(longFrame, "Edit", "casino");
    blocker.AddKeywords({"casino"});
    blocker.Tick();
    EXPECT_EQ(Text(lowerEdit), "casino");
    EXPECT_EQ(Text(longEdit), "casino");
    EXPECT_TRUE(desktop.events.empty());
}

TEST_F(BlockerTest, ANegativeHandleIsExaminedLikeAnyOther) {
    const Hwnd frame = desktop.AddWithHandle(static_cast<Hwnd>(static_cast<std::intptr_t>(-1000)),
                                             desktop.DesktopWindow(), "IEFrame",
                                             "Example - Microsoft Internet Explorer");
    const Hwnd edit = desktop.AddWithHandle(static_cast<Hwnd>(static_cast<std::intptr_t>(-996)),
                                            frame, "Edit", "casino");
    blocker.AddKeywords({"casino"});
    blocker.Tick();
    EXPECT_EQ(Text(edit), kBlockedPage);
}

TEST_F(BlockerTest, TheAddressIsTheFirstTextLengthCharacters) {
    // The page grows the address between the length and the text being read: only
    // the first n characters are the address.
    const Hwnd edit = Browser("Example", "http://example.org/");
    desktop.onCall = [&](std::string_view call, Hwnd window) {
        if (call == "GetText" && window == edit) desktop.At(edit).text += "casino";
    };
    blocker.AddKeywords({"casino"});
    blocker.Tick();
    EXPECT_TRUE(desktop.events.empty());
}

TEST_F(BlockerTest, AWindowThatVanishesMidTickIsPassedOver) {
    Hwnd goneFrame = 0;
    Browser("Gone", "http://casino.example/", &goneFrame);
    const Hwnd stays = Browser("Stays", "http://casino.example/");
    bool closed = false;
    desktop.onCall = [&](std::string_view call, Hwnd window) {
        // The first browser closes after the desktop was listed, before it is searched.
        if (call == "EnumChildWindows" && window == goneFrame && !closed) {
            closed = true;
            desktop.Remove(goneFrame);
        }
    };
    blocker.AddKeywords({"casino"});
    blocker.Tick();
    EXPECT_TRUE(closed);
    EXPECT_EQ(desktop.events,
              (std::vector<std::string>{"SetText " + std::to_string(stays), "Enter"}));
}

TEST_F(BlockerTest, AWindowSystemListingBrowsersOnlyHasEveryWindowSearched) {
    // As on the accessibility bus: no caption marks the browsers, every window listed
    // is one, whatever its title.
    desktop.browserCaption = "";
    const Hwnd frame = desktop.Add(desktop.DesktopWindow(), "BrowserFrame", "Casino night");
    const Hwnd bar = desktop.Add(frame, "Edit", "http://casino.example/");
    const Hwnd other = desktop.Add(desktop.Add(desktop.DesktopWindow(), "BrowserFrame", "News"),
                                   "Edit", "http://news.example/");
    blocker.SetBlockedPage("file:///usr/share/quorvel/blocked.html");
    blocker.AddKeywords({"casino"});
    blocker.Tick();
    EXPECT_EQ(Text(bar), "file:///usr/share/quorvel/blocked.html");
    EXPECT_EQ(Text(other), "http://news.example/");
    EXPECT_EQ(desktop.events,
              (std::vector<std::string>{"SetText " + std::to_string(bar), "Enter"}));
}

TEST_F(BlockerTest, TheWindowSystemWatchesForAsLongAsABlockerLives) {
    FakeWindowSystem fresh;
    std::vector<std::string> calls;
    fresh.onCall = [&](std::string_view call, Hwnd) { calls.emplace_back(call); };
    {
        Blocker watching(fresh);
        EXPECT_TRUE(fresh.watching);
        watching.Tick();
    }
    EXPECT_FALSE(fresh.watching);
    EXPECT_EQ(calls.front(), "StartWatching");
    EXPECT_EQ(calls.back(), "StopWatching");
}

TEST_F(BlockerTest, KeywordsAreAppendedNotReplaced) {
    blocker.AddKeywords({"a", "b"});
    blocker.AddKeywords({"", "c"});
    EXPECT_EQ(blocker.lstwindows4(), (store::NameList{"a", "b", "", "c"}));
    const Hwnd edit = Browser("X", "c");
    blocker.Tick();
    EXPECT_EQ(Text(edit), "c");
}

// Where blocked addresses go: the cafe's own page, the page shipped with the program,
// or (where none ships, as on Windows) the product's address.
struct BlockedPageCase {
    const char* setting;  // nullptr: no such setting
    const char* sharedFolder;
    const char* address;
};
class BlockedPageTest : public ::testing::TestWithParam<BlockedPageCase> {};

TEST_P(BlockedPageTest, IsChosenInThatOrder) {
    const BlockedPageCase& c = GetParam();
    test::TestPlatform t;
    if (c.setting != nullptr)
        t.Set(store::kSettingsKey, kBlockedPageSetting, store::Variant(c.setting),
              platform::kRegSz);
    t.systemInfo.sharedDataFolder = c.sharedFolder;
    EXPECT_EQ(BlockedPageAddress(t.pv), c.address);
}

INSTANTIATE_TEST_SUITE_P(
    Blocker, BlockedPageTest,
    ::testing::Values(BlockedPageCase{"http://intranet.cafe/blocked", "/usr/share/quorvel",
                                      "http://intranet.cafe/blocked"},
                      BlockedPageCase{"", "/usr/share/quorvel",
                                      "file:///usr/share/quorvel/blocked.html"},
                      BlockedPageCase{nullptr, "/opt/caf\xc3\xa9 #1/data",
                                      "file:///opt/caf%C3%A9%20%231/data/blocked.html"},
                      BlockedPageCase{nullptr, "", kBlockedPage}));

}  // namespace
}  // namespace quorvel::test
