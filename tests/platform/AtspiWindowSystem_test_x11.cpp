// The blocker's Linux window system against stand-in browsers on a real accessibility
// bus: what it finds, what it reads, how it rewrites, and how it copes with a window
// that closes and a browser that hangs. Every case runs both ways the program meets the
// browsers: on its own session's bus, and through the agent of the guest's session (the
// real quorvel-launch-agent, a process of its own); then the agent alone: the agent
// killed, the guest's accessibility bus ended under it or never coming up, and the
// agent and the browser under another account than the program's.
#include "platform/atspi/AtspiWindowSystem.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xinput.h>

#include <filesystem>
#include <fstream>
#include <map>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "blocker/Blocker.h"
#include "platform/atspi/AccessibilitySwitch.h"
#include "platform/atspi/RemoteBrowserBus.h"
#include "platform/atspi/WatchWire.h"
#include "platform/posix/LaunchAgent.h"
#include "platform/posix/LineChannel.h"
#include "platform/x11/InputHold.h"
#include "session/TimerControls.h"
#include "store/ienann.h"
#include "support/DesktopSession_x11.h"
#include "support/Poll.h"
#include "support/TempDir.h"
#include "support/Unprivileged_posix.h"

namespace quorvel::test {
namespace {

using namespace platform;
using namespace platform::atspi;

using namespace std::chrono_literals;

constexpr const char* kPage = "file:///usr/share/quorvel/blocked.html";

// Who a child process runs as: this process's account, or another with the
// environment of that account's own session (a variable given as empty is left out).
struct Account {
    uid_t uid = 0;
    gid_t gid = 0;
    std::map<std::string, std::string> environment;
};

// Starts `args` as `as` (null: as this process), with `in` and `out` as its standard
// input and output when given. Everything is made before the fork: this process has
// threads, and the child only execs.
pid_t Launch(std::vector<std::string> args, const Account* as, int in = -1, int out = -1) {
    std::vector<std::string> environment;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (as == nullptr || !as->environment.contains(entry.substr(0, entry.find('='))))
            environment.push_back(entry);
    }
    if (as != nullptr)
        for (const auto& [name, value] : as->environment)
            if (!value.empty()) environment.push_back(name + "=" + value);
    std::vector<char*> argv, envp;
    for (std::string& a : args) argv.push_back(a.data());
    for (std::string& e : environment) envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    const pid_t pid = fork();
    if (pid != 0) return pid;
    if (in >= 0) dup2(in, 0);
    if (out >= 0) dup2(out, 1);
    if (as != nullptr && as->uid != getuid() &&
        (setgroups(0, nullptr) != 0 || setgid(as->gid) != 0 || setuid(as->uid) != 0))
        _exit(126);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
}

void Stop(pid_t& pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    if (!PollUntil([&] { return waitpid(pid, nullptr, WNOHANG) == pid; }, 10s)) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    pid = -1;
}

// How many keyboards and pointers of the desktop float (reach no window); -1 without an
// answer.
int FloatingDevices(xcb_connection_t* c) {
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_input_id);
    if (extension == nullptr || extension->present == 0) return -1;
    x11::Take<xcb_input_xi_query_version_reply_t>(c, xcb_input_xi_query_version(c, 2, 0),
                                                  xcb_input_xi_query_version_reply);
    const auto reply = x11::Take<xcb_input_xi_query_device_reply_t>(
        c, xcb_input_xi_query_device(c, XCB_INPUT_DEVICE_ALL), xcb_input_xi_query_device_reply);
    if (!reply) return -1;
    int floating = 0;
    for (auto it = xcb_input_xi_query_device_infos_iterator(reply.get()); it.rem > 0;
         xcb_input_xi_device_info_next(&it))
        if (it.data->type == XCB_INPUT_DEVICE_TYPE_FLOATING_SLAVE) ++floating;
    return floating;
}

std::string AccountName(uid_t uid) {
    const passwd* entry = getpwuid(uid);
    return entry ? entry->pw_name : "";
}

// Starts a bus as `as` with `options` ("--session", or "--config-file=...", ...): its
// address, empty when it did not start; `pid` is set either way.
std::string StartBus(std::vector<std::string> options, const Account* as, pid_t& pid) {
    int fds[2];
    if (pipe2(fds, 0) != 0) return "";
    std::vector<std::string> args{"/usr/bin/dbus-daemon", "--nofork", "--nopidfile",
                                  "--print-address=" + std::to_string(fds[1])};
    args.insert(args.end(), options.begin(), options.end());
    pid = Launch(std::move(args), as);
    close(fds[1]);
    return ReadBusAddress(fds[0]);
}

// A process this test did not start (the session bus did), held by a descriptor so
// that it is told apart from any later process given its id. Killed when it goes.
class Process {
  public:
    explicit Process(pid_t pid) : fd_(static_cast<int>(syscall(SYS_pidfd_open, pid, 0))) {}
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process() { Kill(); }
    bool valid() const { return static_cast<bool>(fd_); }
    void Kill() {
        if (fd_) syscall(SYS_pidfd_send_signal, fd_.get(), SIGKILL, nullptr, 0);
    }
    // Whether it has ended.
    bool Ended() const {
        pollfd ended{fd_.get(), POLLIN, 0};
        return poll(&ended, 1, 0) == 1;
    }

  private:
    os::UniqueFd fd_;
};

// Takes the accessibility bus's address off the display's root window, where the
// launcher of a session announces it to the programs that start there.
void UnannounceBus(const std::string& display) {
    using namespace platform::x11;
    const UniqueConnection c(xcb_connect(display.c_str(), nullptr));
    if (xcb_connection_has_error(c.get()) != 0) return;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c.get())).data->root;
    xcb_delete_property(c.get(), root, InternAtom(c.get(), "AT_SPI_BUS"));
    // Done once the server has answered what came after it.
    Take<xcb_get_input_focus_reply_t>(c.get(), xcb_get_input_focus(c.get()),
                                      xcb_get_input_focus_reply);
}

// The first child of process `pid`; -1 when it has none.
pid_t FirstChild(pid_t pid) {
    const std::string task = std::to_string(pid);
    std::ifstream children("/proc/" + task + "/task/" + task + "/children");
    pid_t child = -1;
    children >> child;
    return child;
}

// The guest's agent, the real binary, serving the program's account on `display`;
// ready once it listens for the watch.
class Agent {
  public:
    Agent(const std::string& binary, const std::string& display, const Account* as = nullptr)
        : pid_(Launch({binary, "--client", AccountName(getuid())}, as)) {
        const std::string name = platform::atspi::wire::WatchAgentName(display);
        ready_ = PollUntil([&] {
            return static_cast<bool>(platform::ConnectAbstract(name)) ||
                   waitpid(pid_, nullptr, WNOHANG) == pid_;
        }) && static_cast<bool>(platform::ConnectAbstract(name));
    }
    Agent(const Agent&) = delete;
    Agent& operator=(const Agent&) = delete;
    ~Agent() { Stop(pid_); }
    bool ready() const { return ready_; }
    void Kill() {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

  private:
    pid_t pid_;
    bool ready_ = false;
};

// A stand-in browser (tests/platform/browserpeer): its windows, given as frame marker,
// title and address each, and the lines it prints.
class Peer {
  public:
    struct Window {
        std::string frameMarker, title, address;
    };
    Peer(const std::string& application, const std::string& barMarker, const std::string& role,
         const std::vector<Window>& windows, const Account* as = nullptr,
         const std::string& binary = BROWSER_PEER) {
        std::vector<std::string> args{binary, application, barMarker, role};
        for (const Window& w : windows)
            args.insert(args.end(), {w.frameMarker, w.title, w.address});
        int in[2], out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
        pid_ = Launch(std::move(args), as, in[0], out[1]);
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
    std::uint32_t pid() const { return static_cast<std::uint32_t>(pid_); }
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

// Chromium's stand-in with browser windows of these (title, address).
Peer Chromium(const std::vector<std::pair<std::string, std::string>>& shown,
              const Account* as = nullptr, const std::string& binary = BROWSER_PEER) {
    std::vector<Peer::Window> windows;
    for (const auto& [title, address] : shown)
        windows.push_back({"class=BrowserRootView", title, address});
    return Peer("Chromium", "class=OmniboxViewViews", "entry", windows, as, binary);
}

// How the program reaches the browsers' accessibility bus.
enum class Road { OwnBus, GuestAgent };

class AtspiWindowSystemRig : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { desktop_ = new test::DesktopSession(); }
    static void TearDownTestSuite() {
        delete desktop_;
        desktop_ = nullptr;
    }
    void TearDown() override {
        blocker.reset();
        windows.reset();
        agent.reset();
        // Whatever a case did, its rewrites gave the guest's keyboard and mouse back.
        if (desktop_->ready()) {
            EXPECT_EQ(FloatingDevices(Connection()), 0);
        }
    }
    xcb_connection_t* Connection() {
        if (!connection_) connection_.reset(xcb_connect(desktop_->display().c_str(), nullptr));
        return connection_.get();
    }
    // Watches the desktop's browsers the way `road` goes: with an agent, one of its
    // own, serving this account, running as `as` (null: this account too), which is
    // then the guest's.
    void Watch(Road road, const Account* as = nullptr, const std::string& binary = LAUNCH_AGENT) {
        ASSERT_TRUE(desktop_->ready()) << desktop_->error();
        // A stand-in page opens at once: a page still not open after a few seconds is
        // one that will not.
        BrowserWatch::Timing timing;
        timing.pageLimit = 3s;
        if (road == Road::OwnBus) {
            windows = std::make_unique<AtspiWindowSystem>(desktop_->display(), timing);
            return;
        }
        agent = std::make_unique<Agent>(binary, desktop_->display(), as);
        ASSERT_TRUE(agent->ready()) << "the agent did not start listening";
        windows = std::make_unique<AtspiWindowSystem>(desktop_->display(), timing,
                                                      AccountName(as ? as->uid : getuid()));
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
    // The case's blocker, sending addresses with any of `keywords` to the blocked page.
    void Block(const store::NameList& keywords = {"casino"}) {
        blocker = std::make_unique<blocker::Blocker>(*windows);
        blocker->SetBlockedPage(kPage);
        blocker->AddKeywords(keywords);
    }
    // Ticks the blocker (as its 10 ms timer would, only faster) until `condition`.
    bool TickUntil(const std::function<bool()>& condition, std::chrono::seconds limit = 30s) {
        return PollUntil(
            [&] {
                blocker->Tick();
                return condition();
            },
            limit);
    }

    static test::DesktopSession* desktop_;
    x11::UniqueConnection connection_;
    std::unique_ptr<Agent> agent;
    std::unique_ptr<AtspiWindowSystem> windows;
    std::unique_ptr<blocker::Blocker> blocker;
};

test::DesktopSession* AtspiWindowSystemRig::desktop_ = nullptr;

class AtspiWindowSystemTest : public AtspiWindowSystemRig,
                              public ::testing::WithParamInterface<Road> {
  protected:
    void SetUp() override { Watch(GetParam()); }
};

INSTANTIATE_TEST_SUITE_P(Roads, AtspiWindowSystemTest,
                         ::testing::Values(Road::OwnBus, Road::GuestAgent),
                         [](const auto& info) {
                             return info.param == Road::OwnBus ? "OwnBus" : "GuestAgent";
                         });

TEST_P(AtspiWindowSystemTest, FindsTheBrowsersWindowsByTheirMarkersAndReadsTheirBars) {
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

TEST_P(AtspiWindowSystemTest, ABlockedAddressIsTypedOverOnceAndEnteredAndAgainWhenItReturns) {
    Peer chromium = Chromium(
        {{"Casino - Chromium", "casino.example/roulette"}, {"News - Chromium", "news.example"}});
    ASSERT_TRUE(chromium.ready());
    // The address holds both keywords: the tick asks twice, and again at every tick
    // while the rewrite is under way. One rewrite is done.
    Block({"casino", "roulette"});

    const std::string entered = "activate 0 " + std::string(kPage);
    ASSERT_TRUE(TickUntil([&] { return chromium.HasLine(entered); }));
    // Once the tick sees the blocked page it asks no more; what it asked meanwhile is
    // all dealt with.
    ASSERT_TRUE(TickUntil([&] { return BarShowing(kPage) != 0; }));
    ASSERT_TRUE(PollUntil([&] { return windows->Settled(); }));
    EXPECT_EQ(chromium.LinesStarting("activate").size(), 1u);
    EXPECT_EQ(windows->Latest()->rewrites, 1u);
    EXPECT_EQ(windows->Latest()->failedRewrites, 0u);

    // The guest types the blocked address again: it is sent away again.
    chromium.Send("set 0 casino.example/roulette");
    ASSERT_TRUE(TickUntil([&] { return chromium.LinesStarting("activate").size() == 2; }));
    EXPECT_EQ(chromium.LinesStarting("activate").back(), entered);
    EXPECT_TRUE(TickUntil([&] { return windows->Picture().rewrites == 2; }));
    EXPECT_NE(BarShowing("news.example"), 0u) << "the other window is left alone";
}

TEST_P(AtspiWindowSystemTest, AWindowRetitledAsTheRewriteBeginsIsTypedIntoOnceItsTitlesAgree) {
    Peer chromium = Chromium({{"News - Chromium", "news.example"}});
    ASSERT_TRUE(chromium.ready());
    Block();
    ASSERT_TRUE(TickUntil([&] { return BarShowing("news.example") != 0; }));

    // The casino's page loads: its title reaches the window well before the bus.
    chromium.Send("retitle 0 1500 Casino - Chromium");
    chromium.Send("set 0 casino.example");
    const std::string entered = "activate 0 " + std::string(kPage);
    ASSERT_TRUE(TickUntil([&] { return chromium.HasLine(entered); }));
    EXPECT_EQ(windows->Latest()->failedRewrites, 0u);
}

TEST_P(AtspiWindowSystemTest, ABrowserSlowToTakeTheKeysIsTypedOverOnceNotTakenForAMix) {
    // A busy machine: the bar shows its old address seconds after the keys were typed.
    // That is a browser yet to get to them, not the guest's keys mixed in: typing it all
    // again would pile up keys, and giving up would leave the page open.
    Peer chromium = Chromium({{"Casino - Chromium", "casino.example"}});
    ASSERT_TRUE(chromium.ready());
    chromium.Send("lag 0 4000");
    Block();

    ASSERT_TRUE(TickUntil([&] { return windows->Latest()->rewrites == 1; }))
        << "failed rewrites: " << windows->Latest()->failedRewrites;
    EXPECT_EQ(windows->Latest()->failedRewrites, 0u);
    EXPECT_EQ(chromium.LinesStarting("activate"),
              std::vector<std::string>{"activate 0 " + std::string(kPage)});
}

TEST_P(AtspiWindowSystemTest, AnAddressTheGuestIsStillTypingIsBlockedOnceOpenedNotTypedInto) {
    // The keyword shows in the bar long before the guest has finished typing: keys of
    // the blocker's typed then would mix with the guest's, and the guest's own Enter
    // would open the mix. The guest's address is opened as typed, and then blocked.
    Peer chromium = Chromium({{"News - Chromium", "news.example"}});
    ASSERT_TRUE(chromium.ready());
    Block();
    ASSERT_TRUE(TickUntil([&] { return BarShowing("news.example") != 0; }));

    const std::string typed = "casino.example/tables/roulette";
    chromium.Send("type 0 " + typed);
    ASSERT_TRUE(TickUntil([&] { return chromium.LinesStarting("activate").size() >= 2; }))
        << ::testing::PrintToString(chromium.LinesStarting("activate"));
    EXPECT_EQ(chromium.LinesStarting("activate"),
              (std::vector<std::string>{"activate 0 " + typed, "activate 0 " + std::string(kPage)}));
}

TEST_P(AtspiWindowSystemTest, ABlockedAddressLeftInTheBarWithoutItsPageOpeningIsEnteredAgain) {
    // The browser takes Return and opens nothing: the bar shows the blocked page's
    // address, which holds no keyword, over the page the guest asked for. Only the page
    // tells; it is entered again.
    Peer firefox("Firefox", "id=urlbar-input", "combo box",
                 {{"-", "Casino — Mozilla Firefox", "http://casino.example/"}});
    ASSERT_TRUE(firefox.ready());
    firefox.Send("stall 0");
    Block();

    ASSERT_TRUE(TickUntil([&] { return windows->Latest()->rewrites == 2; }))
        << "failed rewrites: " << windows->Latest()->failedRewrites;
    EXPECT_EQ(firefox.LinesStarting("activate"),
              std::vector<std::string>(2, "activate 0 " + std::string(kPage)));
    // Once the page opened, the rewrite is done for good.
    EXPECT_FALSE(TickUntil([&] { return windows->Latest()->failedRewrites > 1; }, 5s));
    EXPECT_EQ(windows->Latest()->failedRewrites, 1u);
}

TEST_P(AtspiWindowSystemTest, AnAddressThatWillNotBeTypedOverIsTriedAFewTimesAndThenLeftAlone) {
    // A bar that puts its address back whatever is typed: each try pulls its window to
    // the front, so the blocker gives up after a few instead of fighting the guest for
    // the screen for as long as the window stays open.
    Peer chromium = Chromium({{"Casino - Chromium", "casino.example"}});
    ASSERT_TRUE(chromium.ready());
    chromium.Send("stubborn 0");
    Block();

    ASSERT_TRUE(TickUntil([&] { return windows->Latest()->failedRewrites == 3; }));
    EXPECT_FALSE(TickUntil([&] { return windows->Latest()->failedRewrites > 3; }, 5s));
    EXPECT_TRUE(chromium.LinesStarting("activate").empty());

    // Once the bar shows another address and then the blocked one again, it is tried
    // afresh.
    chromium.Send("set 0 news.example");
    ASSERT_TRUE(TickUntil([&] { return BarShowing("news.example") != 0; }));
    chromium.Send("set 0 casino.example/again");
    EXPECT_TRUE(TickUntil([&] { return windows->Latest()->failedRewrites > 3; }));
}

TEST_P(AtspiWindowSystemTest, ARewriteCutShortByAnotherWindowIsFinishedWithoutBeingAskedAgain) {
    // The guest brings another window up as the first key lands: the blocker stops
    // typing, and the bar is left with part of the blocked page's address and no
    // keyword, so no tick asks for it again. The page is still the blocked one: the
    // rewrite is finished anyway, and no key of it went to the other window.
    Peer chromium =
        Chromium({{"Casino - Chromium", "casino.example"}, {"News - Chromium", "news.example"}});
    ASSERT_TRUE(chromium.ready());
    chromium.Send("distract 0 1");
    Block();

    ASSERT_TRUE(TickUntil([&] { return windows->Latest()->failedRewrites >= 1; }));
    ASSERT_TRUE(TickUntil([&] { return chromium.HasLine("activate 0 " + std::string(kPage)); }));
    EXPECT_TRUE(chromium.LinesStarting("activate 1").empty());
    EXPECT_NE(BarShowing("news.example"), 0u) << ::testing::PrintToString(Listed());
}

TEST_P(AtspiWindowSystemTest, AWindowClosedMidTickGetsNoKeysAndNoneGoAstray) {
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

TEST_P(AtspiWindowSystemTest, AHungBrowserHoldsUpNeitherTheTickNorTheEndOfTheWatch) {
    Peer chromium = Chromium({{"Casino - Chromium", "casino.example"}});
    ASSERT_TRUE(chromium.ready());
    Block({"zzz"});
    ASSERT_TRUE(TickUntil([&] { return BarShowing("casino.example") != 0; }));

    chromium.Pause();
    blocker->AddKeywords({"casino"});
    // The ticks go on while the browser does not answer; the worker's calls run out
    // after a short time (not the library's 15 s for a new application) and the
    // rewrite is given up.
    ASSERT_TRUE(TickUntil([&] { return windows->Latest()->failedRewrites > 0; }, 10s));
    // While the browser is left alone, the tick asks again every 10 ms: those are
    // deferred, not failures of their own.
    const auto failed = std::chrono::steady_clock::now();
    TickUntil([&] { return std::chrono::steady_clock::now() - failed > 1s; });
    EXPECT_EQ(windows->Latest()->failedRewrites, 1u);
    blocker.reset();  // the watch ends with the browser still hung
    chromium.Resume();
    EXPECT_TRUE(chromium.LinesStarting("activate").empty());
}

class AtspiWindowSystemInputTest : public AtspiWindowSystemRig {};

TEST_F(AtspiWindowSystemInputTest, DevicesLeftHeldAreGivenBackAtTheStartAndAtTheWatchsStart) {
    ASSERT_TRUE(desktop_->ready()) << desktop_->error();
    // A hold nobody ends stands for a program killed in the middle of a rewrite; it
    // takes the desktop's keyboard and mouse.
    {
        const InputHold left(Connection(), 1h);
        ASSERT_EQ(left.Held(), 2u);
        ASSERT_EQ(FloatingDevices(Connection()), 2);
        windows = std::make_unique<AtspiWindowSystem>(desktop_->display());
        EXPECT_EQ(FloatingDevices(Connection()), 0) << "the program's start left them floating";
    }
    {
        const InputHold left(Connection(), 1h);
        ASSERT_EQ(FloatingDevices(Connection()), 2);
        windows->StartWatching();
        EXPECT_TRUE(PollUntil([&] { return FloatingDevices(Connection()) == 0; }))
            << "the watch's start left them floating";
    }
}

class AtspiWindowSystemAgentTest : public AtspiWindowSystemRig {};

TEST_F(AtspiWindowSystemAgentTest, AKilledAgentLosesTheWatchForGood) {
    Watch(Road::GuestAgent);
    Peer chromium = Chromium({{"Casino - Chromium", "casino.example"}});
    ASSERT_TRUE(chromium.ready());
    windows->StartWatching();
    ASSERT_TRUE(PollUntil([&] { return BarShowing((Listed(), "casino.example")) != 0; }));
    EXPECT_FALSE(windows->WatchLost());

    // The guest ends the agent (it is the guest's own process).
    agent->Kill();
    ASSERT_TRUE(PollUntil([&] { return windows->WatchLost(); }, 15s));
    EXPECT_TRUE(PollUntil([&] { return Listed().empty(); })) << "a lost bus shows no browser";
    // A new agent on the display does not bring the watch back: the session that lost
    // it is not trusted to be watched again.
    Agent another(LAUNCH_AGENT, desktop_->display());
    ASSERT_TRUE(another.ready());
    EXPECT_FALSE(PollUntil([&] { return !windows->WatchLost() || !Listed().empty(); }, 3s));
    windows->StopWatching();
    EXPECT_FALSE(windows->WatchLost()) << "the next watch starts afresh";
}

TEST_F(AtspiWindowSystemAgentTest, TheAgentAloneKeepsAccessibilityOn) {
    // No watch runs, so nothing else looks at the switch: each time the guest switches
    // it off, the agent switches it on again.
    ASSERT_TRUE(desktop_->ready()) << desktop_->error();
    Agent alone(LAUNCH_AGENT, desktop_->display());
    ASSERT_TRUE(alone.ready());
    ASSERT_TRUE(PollUntil([] { return AccessibilitySwitch().Enabled(1000ms) == true; }));
    for (int round = 1; round <= 2; ++round) {
        ASSERT_EQ(std::system("dbus-send --session --print-reply --dest=org.a11y.Bus "
                              "/org/a11y/bus org.freedesktop.DBus.Properties.Set "
                              "string:org.a11y.Status string:IsEnabled variant:boolean:false "
                              ">/dev/null"),
                  0);
        EXPECT_TRUE(PollUntil([] { return AccessibilitySwitch().Enabled(1000ms) == true; }))
            << "switched off, round " << round;
    }
}

// What of its accessibility bus the guest ends mid-watch.
struct BusEnd {
    const char* what;
    bool launcher;  // the launcher, which leaves the bus's daemon running; else the daemon
};

class AtspiWindowSystemAgentBusTest : public AtspiWindowSystemAgentTest,
                                      public ::testing::WithParamInterface<BusEnd> {
  protected:
    void TearDown() override {
        AtspiWindowSystemAgentTest::TearDown();
        // The session gets an accessibility bus again for whatever runs after.
        EXPECT_EQ(std::system("dbus-send --session --print-reply --dest=org.a11y.Bus "
                              "/org/a11y/bus org.a11y.Bus.GetAddress >/dev/null"),
                  0);
    }
};

TEST_P(AtspiWindowSystemAgentBusTest, TheGuestEndingTheAccessibilityBusLosesTheWatch) {
    ASSERT_NO_FATAL_FAILURE(Watch(Road::GuestAgent));
    Peer chromium = Chromium({{"Casino - Chromium", "casino.example"}});
    ASSERT_TRUE(chromium.ready());
    windows->StartWatching();
    ASSERT_TRUE(PollUntil([&] { return BarShowing((Listed(), "casino.example")) != 0; }));

    // The launcher and the bus it runs are the guest's own processes.
    const auto launcherPid = AccessibilitySwitch().Launcher(5000ms);
    ASSERT_TRUE(launcherPid.has_value());
    Process launcher(*launcherPid);
    Process daemon(FirstChild(*launcherPid));
    ASSERT_TRUE(launcher.valid() && daemon.valid());
    (GetParam().launcher ? launcher : daemon).Kill();

    ASSERT_TRUE(PollUntil([&] { return windows->WatchLost(); }, 15s));
    EXPECT_TRUE(PollUntil([&] { return Listed().empty(); })) << "a lost bus shows no browser";
    if (GetParam().launcher) {
        EXPECT_FALSE(daemon.Ended()) << "the bus outlived its launcher";
    }
    // The agent takes no watch any more, and still starts the guest's programs.
    const std::string display = desktop_->display();
    EXPECT_TRUE(PollUntil([&] { return !ConnectAbstract(wire::WatchAgentName(display)); }));
    EXPECT_TRUE(AgentShell(AccountName(getuid()), display)
                    .StartProgram("/bin/true", session::kShowMinimized));
}

INSTANTIATE_TEST_SUITE_P(Ends, AtspiWindowSystemAgentBusTest,
                         ::testing::Values(BusEnd{"TheBusDaemon", false},
                                           BusEnd{"ItsLauncher", true}),
                         [](const auto& info) { return std::string(info.param.what); });

TEST_F(AtspiWindowSystemAgentTest, AnIdleAgentNoticesItsBusEndingOnItsOwn) {
    // A bus the session names itself (no launcher runs it): only the agent's connection
    // can tell that it ended, and nothing is asked of it meanwhile, so the library must
    // notice the hang-up as the agent runs its main context.
    TempDir dir;
    Account session{getuid(), getgid(), {}};
    // Its registry, started by the bus on demand, finds the bus by the same name.
    session.environment["AT_SPI_BUS_ADDRESS"] = "unix:path=" + (dir.path() / "bus").string();
    pid_t bus = -1;
    ASSERT_FALSE(StartBus({"--config-file=/usr/share/defaults/at-spi2/accessibility.conf",
                           "--address=" + session.environment["AT_SPI_BUS_ADDRESS"]},
                          &session, bus)
                     .empty())
        << "the accessibility bus did not start";
    Agent named(LAUNCH_AGENT, desktop_->display(), &session);
    ASSERT_TRUE(named.ready());
    const std::string name = wire::WatchAgentName(desktop_->display());
    RemoteBrowserBus program(name, getuid());
    ASSERT_TRUE(program.Reachable(250ms));

    Stop(bus);
    EXPECT_TRUE(PollUntil([&] { return !ConnectAbstract(name); }, 10s));
    EXPECT_TRUE(AgentShell(AccountName(getuid()), desktop_->display())
                    .StartProgram("/bin/true", session::kShowMinimized))
        << "the agent itself goes on";
}

TEST_F(AtspiWindowSystemAgentTest, AnAgentWhoseAccessibilityBusNeverComesUpLosesTheWatch) {
    // The guest's session bus, on which the launcher of the accessibility bus fails as it
    // starts.
    TempDir dir;
    const auto services = dir.path() / "services";
    std::filesystem::create_directories(services);
    std::ofstream(services / "org.a11y.Bus.service")
        << "[D-BUS Service]\nName=org.a11y.Bus\nExec=/bin/false\n";
    const auto config = dir.path() / "session.conf";
    std::ofstream(config)
        << "<busconfig><type>session</type><listen>unix:tmpdir=" << dir.path().string()
        << "</listen><auth>EXTERNAL</auth><servicedir>" << services.string()
        << "</servicedir><policy context=\"default\"><allow send_destination=\"*\"/>"
           "<allow receive_sender=\"*\"/><allow own=\"*\"/></policy></busconfig>\n";
    pid_t bus = -1;
    Account guest{getuid(), getgid(), {}};
    guest.environment["DBUS_SESSION_BUS_ADDRESS"] =
        StartBus({"--config-file=" + config.string()}, nullptr, bus);
    ASSERT_FALSE(guest.environment["DBUS_SESSION_BUS_ADDRESS"].empty()) << "no session bus";
    // Nor is a bus announced on the display, as a session with no launcher leaves it.
    UnannounceBus(desktop_->display());

    ASSERT_NO_FATAL_FAILURE(Watch(Road::GuestAgent, &guest));
    windows->StartWatching();
    EXPECT_TRUE(PollUntil([&] { return windows->WatchLost(); }, 30s));
    EXPECT_TRUE(AgentShell(AccountName(getuid()), desktop_->display())
                    .StartProgram("/bin/true", session::kShowMinimized));
    windows.reset();
    agent.reset();
    Stop(bus);
}

// The installed cafe PC: the program as one account; the guest's session bus, its
// agent and its browser as another, whose accessibility bus the program cannot reach.
class AtspiWindowSystemCrossAccountTest : public AtspiWindowSystemRig {
  protected:
    void SetUp() override {
        ASSERT_EQ(geteuid(), 0u) << "the guest's account is made by root, as CI runs the tests";
        const passwd* nobody = getpwnam("nobody");
        ASSERT_NE(nobody, nullptr);
        guest.uid = nobody->pw_uid;
        guest.gid = nobody->pw_gid;
        // The binaries and the guest's home where the guest's account reaches them (the
        // build folder may be private).
        OpenToOthers(dir.path().string());
        const auto bin = dir.path() / "bin";
        const auto home = dir.path() / "home";
        std::filesystem::create_directories(bin);
        std::filesystem::create_directories(home / "run");
        std::filesystem::permissions(bin, std::filesystem::perms(0755));
        for (const char* binary : {LAUNCH_AGENT, BROWSER_PEER})
            std::filesystem::copy_file(binary, bin / std::filesystem::path(binary).filename());
        for (const auto& folder : {home, home / "run"}) {
            ASSERT_EQ(chown(folder.c_str(), guest.uid, guest.gid), 0);
            std::filesystem::permissions(folder, std::filesystem::perms(0700));
        }
        agentBinary = (bin / std::filesystem::path(LAUNCH_AGENT).filename()).string();
        peerBinary = (bin / std::filesystem::path(BROWSER_PEER).filename()).string();
        // Nothing of this account's own session bus: the guest's is its own.
        guest.environment = {{"HOME", home.string()},
                             {"XDG_RUNTIME_DIR", (home / "run").string()},
                             {"DBUS_SESSION_BUS_ADDRESS", ""}};

        // The guest's own session bus, on which its accessibility bus starts.
        const std::string address = StartBus({"--session"}, &guest, bus);
        ASSERT_FALSE(address.empty()) << "the guest's session bus did not start";
        guest.environment["DBUS_SESSION_BUS_ADDRESS"] = address;
    }
    void TearDown() override {
        AtspiWindowSystemRig::TearDown();
        Stop(bus);
    }

    TempDir dir;
    Account guest;
    std::string agentBinary, peerBinary;
    pid_t bus = -1;
};

TEST_F(AtspiWindowSystemCrossAccountTest, TheGuestsBrowserIsSentAwayThroughTheGuestsAgent) {
    Watch(Road::GuestAgent, &guest, agentBinary);
    Peer chromium =
        Chromium({{"Casino - Chromium", "casino.example/roulette"}}, &guest, peerBinary);
    ASSERT_TRUE(chromium.ready());
    Block();

    ASSERT_TRUE(TickUntil([&] { return chromium.HasLine("activate 0 " + std::string(kPage)); }));
    EXPECT_TRUE(TickUntil([&] { return BarShowing(kPage) != 0; }));
    EXPECT_FALSE(windows->WatchLost());
}

TEST_F(AtspiWindowSystemCrossAccountTest, KeysGoOnlyToTheGuestsProcessesNeverToTheProgram) {
    // The process ids come from the guest's agent: the kernel's word decides.
    Peer guests("Notes", "-", "entry", {{"-", "Notes", "notes"}}, &guest, peerBinary);
    Peer programs("Notes", "-", "entry", {{"-", "Notes", "notes"}});
    ASSERT_TRUE(guests.ready() && programs.ready());
    const std::uint32_t self = static_cast<std::uint32_t>(getpid());
    EXPECT_TRUE(IsGuestProcess(guests.pid(), guest.uid));
    EXPECT_FALSE(IsGuestProcess(programs.pid(), guest.uid)) << "another account's";
    EXPECT_FALSE(IsGuestProcess(self, guest.uid)) << "the program itself";
    EXPECT_FALSE(IsGuestProcess(self, getuid())) << "the program, were its account the guest's";
    EXPECT_FALSE(IsGuestProcess(guests.pid(), std::nullopt)) << "no guest's account";
    EXPECT_FALSE(IsGuestProcess(0, guest.uid));
    EXPECT_FALSE(IsGuestProcess(0x7ffffffe, guest.uid)) << "no such process";
}

}  // namespace
}  // namespace quorvel::test
