// The blocker's Linux window system against stand-in browsers on a real accessibility
// bus: what it finds, what it reads, how it rewrites, and how it copes with a window
// that closes and a browser that hangs.
#include "platform/atspi/AtspiWindowSystem.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "blocker/Blocker.h"
#include "platform/atspi/AccessibilitySwitch.h"
#include "store/ienann.h"
#include "support/DesktopSession_x11.h"
#include "support/Poll.h"

namespace quorvel::test {
namespace {

using namespace platform;
using namespace platform::atspi;

using namespace std::chrono_literals;

constexpr const char* kPage = "file:///usr/share/quorvel/blocked.html";

// A stand-in browser (tests/platform/browserpeer): its windows, given as frame marker,
// title and address each, and the lines it prints.
class Peer {
  public:
    struct Window {
        std::string frameMarker, title, address;
    };
    Peer(const std::string& application, const std::string& barMarker, const std::string& role,
         const std::vector<Window>& windows) {
        std::vector<std::string> args{BROWSER_PEER, application, barMarker, role};
        for (const Window& w : windows)
            args.insert(args.end(), {w.frameMarker, w.title, w.address});
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            close(in[1]);
            close(out[0]);
            std::vector<char*> argv;
            for (std::string& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        commands_ = in[1];
        output_ = out[0];
        fcntl(output_, F_SETFL, O_NONBLOCK);
        ready_ = WaitForLine("ready");
    }
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;
    ~Peer() {
        Resume();
        if (commands_ >= 0) close(commands_);  // end of its input ends it
        if (pid_ > 0 && !PollUntil([&] { return waitpid(pid_, nullptr, WNOHANG) == pid_; }, 10s)) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (output_ >= 0) close(output_);
    }

    bool ready() const { return ready_; }
    void Send(const std::string& command) {
        const std::string line = command + "\n";
        ASSERT_EQ(write(commands_, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    }
    // Every line printed so far.
    const std::vector<std::string>& Lines() {
        char buffer[512];
        ssize_t n;
        while ((n = read(output_, buffer, sizeof buffer)) > 0) pending_.append(buffer, n);
        for (std::size_t end; (end = pending_.find('\n')) != std::string::npos;) {
            lines_.push_back(pending_.substr(0, end));
            pending_.erase(0, end + 1);
        }
        return lines_;
    }
    bool HasLine(const std::string& line) {
        const auto& all = Lines();
        return std::find(all.begin(), all.end(), line) != all.end();
    }
    bool WaitForLine(const std::string& line) {
        return PollUntil([&] { return HasLine(line); });
    }
    // The lines starting with `prefix`.
    std::vector<std::string> LinesStarting(const std::string& prefix) {
        std::vector<std::string> found;
        for (const std::string& line : Lines())
            if (line.rfind(prefix, 0) == 0) found.push_back(line);
        return found;
    }
    // A browser that stops answering, and comes back.
    void Pause() { kill(pid_, SIGSTOP); }
    void Resume() {
        if (pid_ > 0) kill(pid_, SIGCONT);
    }

  private:
    pid_t pid_ = -1;
    int commands_ = -1;
    int output_ = -1;
    bool ready_ = false;
    std::string pending_;
    std::vector<std::string> lines_;
};

class AtspiWindowSystemTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { desktop_ = new test::DesktopSession(); }
    static void TearDownTestSuite() {
        delete desktop_;
        desktop_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(desktop_->ready()) << desktop_->error();
        windows = std::make_unique<AtspiWindowSystem>(desktop_->display());
    }

    // The desktop as a tick lists it: "class text" for every window.
    std::vector<std::string> Listed() {
        store::WindowLister lister(*windows);
        store::NameList entries;
        lister.ListChildWindows(entries, windows->DesktopWindow());
        std::vector<std::string> listed;
        for (const std::string& entry : entries) {
            const Hwnd window = *store::HandleFromEntry(entry);
            listed.push_back(windows->ClassName(window, 100) + " " +
                             windows->WindowText(window, 254));
        }
        std::sort(listed.begin(), listed.end());
        return listed;
    }
    // The handle of the bar that shows `text` in the picture the last listing took.
    Hwnd BarShowing(const std::string& text) {
        for (const Frame& frame : windows->Picture().frames)
            for (const Bar& bar : frame.bars)
                if (bar.text == text) return bar.handle;
        return 0;
    }
    // Ticks the blocker (as its 10 ms timer would, only faster) until `condition`.
    bool TickUntil(blocker::Blocker& blocker, const std::function<bool()>& condition,
                   std::chrono::seconds limit = 30s) {
        return PollUntil(
            [&] {
                blocker.Tick();
                return condition();
            },
            limit);
    }

    static test::DesktopSession* desktop_;
    std::unique_ptr<AtspiWindowSystem> windows;
};

test::DesktopSession* AtspiWindowSystemTest::desktop_ = nullptr;

TEST_F(AtspiWindowSystemTest, FindsTheBrowsersWindowsByTheirMarkersAndReadsTheirBars) {
    windows->StartWatching();
    EXPECT_EQ(AccessibilitySwitch().Enabled(5000ms), true)
        << "switched on before any browser starts";

    Peer firefox("Firefox", "id=urlbar-input", "combo box",
                 {{"-", "Casino night — Mozilla Firefox", "http://casino.example/"},
                  {"-", "News — Mozilla Firefox", "https://news.example/today"}});
    // A pop-up frame of Chromium carries another class than its browser windows.
    Peer chromium("Chromium", "class=OmniboxViewViews", "entry",
                  {{"class=BrowserRootView", "Mail - Chromium", "mail.example/inbox"},
                   {"class=RootView", "", "popup.example"}});
    // Not a browser, whatever its entries carry.
    Peer notes("Notes", "id=urlbar-input", "entry", {{"-", "Notes", "casino.example"}});
    ASSERT_TRUE(firefox.ready() && chromium.ready() && notes.ready());

    const std::vector<std::string> expected{
        "BrowserFrame Casino night — Mozilla Firefox",
        "BrowserFrame Mail - Chromium",
        "BrowserFrame News — Mozilla Firefox",
        "Edit http://casino.example/",
        "Edit https://news.example/today",
        "Edit mail.example/inbox",
    };
    ASSERT_TRUE(PollUntil([&] { return Listed() == expected; }))
        << ::testing::PrintToString(Listed());

    // Under a browser window: its bar alone.
    store::WindowLister lister(*windows);
    store::NameList bars;
    for (const Frame& frame : windows->Picture().frames) {
        lister.ListChildWindows(bars, frame.handle);
        ASSERT_EQ(bars.size(), 1u);
        EXPECT_EQ(*store::HandleFromEntry(bars[0]), frame.bars.at(0).handle);
    }

    // A bar's text is read again as it changes.
    chromium.Send("set 0 mail.example/sent");
    EXPECT_TRUE(PollUntil([&] { return BarShowing((Listed(), "mail.example/sent")) != 0; }));

    // Accessibility stays on: switched off behind the blocker's back, it comes on again.
    ASSERT_EQ(std::system("dbus-send --session --dest=org.a11y.Bus /org/a11y/bus "
                          "org.freedesktop.DBus.Properties.Set string:org.a11y.Status "
                          "string:IsEnabled variant:boolean:false"),
              0);
    EXPECT_TRUE(PollUntil([] { return AccessibilitySwitch().Enabled(1000ms) == true; }));
}

TEST_F(AtspiWindowSystemTest, ABlockedAddressIsTypedOverOnceAndEnteredAndAgainWhenItReturns) {
    Peer chromium("Chromium", "class=OmniboxViewViews", "entry",
                  {{"class=BrowserRootView", "Casino - Chromium", "casino.example/roulette"},
                   {"class=BrowserRootView", "News - Chromium", "news.example"}});
    ASSERT_TRUE(chromium.ready());
    blocker::Blocker blocker(*windows);
    blocker.SetBlockedPage(kPage);
    // The address holds both keywords: the tick asks twice, and again at every tick
    // while the rewrite is under way. One rewrite is done.
    blocker.AddKeywords({"casino", "roulette"});

    const std::string entered = "activate 0 " + std::string(kPage);
    ASSERT_TRUE(TickUntil(blocker, [&] { return chromium.HasLine(entered); }));
    // Once the tick sees the blocked page it asks no more; what it asked meanwhile is
    // all dealt with.
    ASSERT_TRUE(TickUntil(blocker, [&] { return BarShowing(kPage) != 0; }));
    ASSERT_TRUE(PollUntil([&] { return windows->Settled(); }));
    EXPECT_EQ(chromium.LinesStarting("activate").size(), 1u);
    EXPECT_EQ(windows->Latest()->rewrites, 1u);
    EXPECT_EQ(windows->Latest()->failedRewrites, 0u);

    // The guest types the blocked address again: it is sent away again.
    chromium.Send("set 0 casino.example/roulette");
    ASSERT_TRUE(TickUntil(blocker, [&] { return chromium.LinesStarting("activate").size() == 2; }));
    EXPECT_EQ(chromium.LinesStarting("activate").back(), entered);
    EXPECT_TRUE(TickUntil(blocker, [&] { return windows->Picture().rewrites == 2; }));
    EXPECT_NE(BarShowing("news.example"), 0u) << "the other window is left alone";
}

TEST_F(AtspiWindowSystemTest, ABrowserSlowToTakeTheKeysIsTypedOverOnceNotTakenForAMix) {
    // A busy machine: the bar shows its old address well after the keys were typed. That
    // is a browser yet to get to them, not the guest's keys mixed in: typing it all again
    // would pile up keys and give the rewrite up while the page stays open.
    Peer chromium("Chromium", "class=OmniboxViewViews", "entry",
                  {{"class=BrowserRootView", "Casino - Chromium", "casino.example"}});
    ASSERT_TRUE(chromium.ready());
    chromium.Send("lag 0 1500");
    blocker::Blocker blocker(*windows);
    blocker.SetBlockedPage(kPage);
    blocker.AddKeywords({"casino"});

    ASSERT_TRUE(TickUntil(blocker, [&] { return windows->Latest()->rewrites == 1; }))
        << "failed rewrites: " << windows->Latest()->failedRewrites;
    EXPECT_EQ(windows->Latest()->failedRewrites, 0u);
    EXPECT_EQ(chromium.LinesStarting("activate"),
              std::vector<std::string>{"activate 0 " + std::string(kPage)});
}

TEST_F(AtspiWindowSystemTest, AnAddressTheGuestIsStillTypingIsBlockedOnceOpenedNotTypedInto) {
    // The keyword shows in the bar long before the guest has finished typing: keys of
    // the blocker's typed then would mix with the guest's, and the guest's own Enter
    // would open the mix. The guest's address is opened as typed, and then blocked.
    Peer chromium("Chromium", "class=OmniboxViewViews", "entry",
                  {{"class=BrowserRootView", "News - Chromium", "news.example"}});
    ASSERT_TRUE(chromium.ready());
    blocker::Blocker blocker(*windows);
    blocker.SetBlockedPage(kPage);
    blocker.AddKeywords({"casino"});
    ASSERT_TRUE(TickUntil(blocker, [&] { return BarShowing("news.example") != 0; }));

    const std::string typed = "casino.example/tables/roulette";
    chromium.Send("type 0 " + typed);
    ASSERT_TRUE(TickUntil(blocker, [&] { return chromium.LinesStarting("activate").size() >= 2; }))
        << ::testing::PrintToString(chromium.LinesStarting("activate"));
    EXPECT_EQ(chromium.LinesStarting("activate"),
              (std::vector<std::string>{"activate 0 " + typed, "activate 0 " + std::string(kPage)}));
}

TEST_F(AtspiWindowSystemTest, AnAddressThatWillNotBeTypedOverIsTriedAFewTimesAndThenLeftAlone) {
    // A bar that puts its address back whatever is typed: each try pulls its window to
    // the front, so the blocker gives up after a few instead of fighting the guest for
    // the screen for as long as the window stays open.
    Peer chromium("Chromium", "class=OmniboxViewViews", "entry",
                  {{"class=BrowserRootView", "Casino - Chromium", "casino.example"}});
    ASSERT_TRUE(chromium.ready());
    chromium.Send("stubborn 0");
    blocker::Blocker blocker(*windows);
    blocker.SetBlockedPage(kPage);
    blocker.AddKeywords({"casino"});

    ASSERT_TRUE(TickUntil(blocker, [&] { return windows->Latest()->failedRewrites == 3; }));
    EXPECT_FALSE(TickUntil(
        blocker, [&] { return windows->Latest()->failedRewrites > 3; }, 5s));
    EXPECT_TRUE(chromium.LinesStarting("activate").empty());

    // Once the bar shows another address and then the blocked one again, it is tried
    // afresh.
    chromium.Send("set 0 news.example");
    ASSERT_TRUE(TickUntil(blocker, [&] { return BarShowing("news.example") != 0; }));
    chromium.Send("set 0 casino.example/again");
    EXPECT_TRUE(TickUntil(blocker, [&] { return windows->Latest()->failedRewrites > 3; }));
}

TEST_F(AtspiWindowSystemTest, ARewriteCutShortByAnotherWindowIsFinishedWithoutBeingAskedAgain) {
    // The guest brings another window up as the first key lands: the blocker stops
    // typing, and the bar is left with part of the blocked page's address and no
    // keyword, so no tick asks for it again. The page is still the blocked one: the
    // rewrite is finished anyway, and no key of it went to the other window.
    Peer chromium("Chromium", "class=OmniboxViewViews", "entry",
                  {{"class=BrowserRootView", "Casino - Chromium", "casino.example"},
                   {"class=BrowserRootView", "News - Chromium", "news.example"}});
    ASSERT_TRUE(chromium.ready());
    chromium.Send("distract 0 1");
    blocker::Blocker blocker(*windows);
    blocker.SetBlockedPage(kPage);
    blocker.AddKeywords({"casino"});

    ASSERT_TRUE(TickUntil(blocker, [&] { return windows->Latest()->failedRewrites >= 1; }));
    ASSERT_TRUE(
        TickUntil(blocker, [&] { return chromium.HasLine("activate 0 " + std::string(kPage)); }));
    EXPECT_TRUE(chromium.LinesStarting("activate 1").empty());
    EXPECT_NE(BarShowing("news.example"), 0u) << ::testing::PrintToString(Listed());
}

TEST_F(AtspiWindowSystemTest, AWindowClosedMidTickGetsNoKeysAndNoneGoAstray) {
    Peer firefox("Firefox", "id=urlbar-input", "combo box",
                 {{"-", "One — Mozilla Firefox", "http://casino.example/one"},
                  {"-", "Two — Mozilla Firefox", "http://casino.example/two"}});
    ASSERT_TRUE(firefox.ready());
    windows->StartWatching();
    ASSERT_TRUE(PollUntil([&] { return Listed().size() == 4; }));
    const Hwnd one = BarShowing("http://casino.example/one");
    const Hwnd two = BarShowing("http://casino.example/two");

    // A tick has listed the desktop; the first window closes before its rewrite.
    firefox.Send("close 0");
    ASSERT_TRUE(firefox.WaitForLine("closed 0"));
    windows->SetText(one, kPage);
    windows->PressEnter();
    // The second window's rewrite is handled after it, in order.
    windows->SetText(two, kPage);
    windows->PressEnter();

    ASSERT_TRUE(firefox.WaitForLine("activate 1 " + std::string(kPage)));
    EXPECT_EQ(firefox.LinesStarting("activate").size(), 1u);
    EXPECT_TRUE(PollUntil([&] { return windows->Latest()->rewrites == 1; }));
}

TEST_F(AtspiWindowSystemTest, AHungBrowserHoldsUpNeitherTheTickNorTheEndOfTheWatch) {
    Peer chromium("Chromium", "class=OmniboxViewViews", "entry",
                  {{"class=BrowserRootView", "Casino - Chromium", "casino.example"}});
    ASSERT_TRUE(chromium.ready());
    auto blocker = std::make_unique<blocker::Blocker>(*windows);
    blocker->SetBlockedPage(kPage);
    blocker->AddKeywords({"zzz"});
    ASSERT_TRUE(TickUntil(*blocker, [&] { return BarShowing("casino.example") != 0; }));

    chromium.Pause();
    blocker->AddKeywords({"casino"});
    // The ticks go on while the browser does not answer; the worker's calls run out
    // after a short time (not the library's 15 s for a new application) and the
    // rewrite is given up.
    EXPECT_TRUE(TickUntil(
        *blocker, [&] { return windows->Latest()->failedRewrites > 0; }, 10s));
    blocker.reset();  // the watch ends with the browser still hung
    chromium.Resume();
    EXPECT_TRUE(chromium.LinesStarting("activate").empty());
}

}  // namespace
}  // namespace quorvel::test
