// The blocker's window operations on a real X server (a private Xvfb per test).
#include "platform/x11/X11WindowSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>

#include "blocker/Blocker.h"
#include "store/ienann.h"
#include "support/Xvfb_x11.h"

// Xlib's macros (None, Status ...) clash with names in GoogleTest: included last.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>

namespace quorvel::platform {
namespace {

using test::Xvfb;

struct X11WindowSystemTest : ::testing::Test {
    Xvfb xvfb;
    x11::UniqueDisplay client;
    std::unique_ptr<X11WindowSystem> windows;

    void SetUp() override {
        ASSERT_FALSE(xvfb.name().empty()) << "Xvfb did not start";
        client = x11::OpenDisplay(xvfb.name());
        ASSERT_TRUE(client);
        windows = std::make_unique<X11WindowSystem>(xvfb.name());
        ASSERT_TRUE(windows->Connected());
    }
    Window Create(Window parent) {
        return XCreateSimpleWindow(client.get(), parent, 0, 0, 100, 100, 0, 0, 0);
    }
    Window Root() { return DefaultRootWindow(client.get()); }
    void SetUtf8Name(Window window, const std::string& name) {
        XChangeProperty(client.get(), window, XInternAtom(client.get(), "_NET_WM_NAME", False),
                        XInternAtom(client.get(), "UTF8_STRING", False), 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(name.data()),
                        static_cast<int>(name.size()));
    }
    void SetClass(Window window, const char* instance, const char* cls) {
        XClassHint hint{const_cast<char*>(instance), const_cast<char*>(cls)};
        XSetClassHint(client.get(), window, &hint);
    }
};

TEST_F(X11WindowSystemTest, ListsEveryWindowWithItsNameAndClass) {
    const Window browser = Create(Root());
    SetUtf8Name(browser, "Caf\xc3\xa9 - Microsoft Internet Explorer");
    XStoreName(client.get(), browser, "not this one");
    const Window bar = Create(browser);
    SetClass(bar, "address", "Edit");
    const Window edit = Create(bar);
    XStoreName(client.get(), edit, "http://casino.example/");
    const Window legacy = Create(Root());
    XStoreName(client.get(), legacy, "Only WM_NAME");
    const Window longName = Create(Root());
    SetUtf8Name(longName, std::string(300, 'n'));
    XSync(client.get(), False);

    store::NameList list;
    store::WindowLister(*windows).ListChildWindows(list, windows->DesktopWindow());
    auto at = [&](Window w, const std::string& text) {
        const auto it = std::find(list.begin(), list.end(), store::WindowEntry(w, text));
        return it == list.end() ? -1 : static_cast<int>(it - list.begin());
    };
    const int b = at(browser, "Caf\xc3\xa9 - Microsoft Internet Explorer");
    ASSERT_GE(b, 0);
    EXPECT_EQ(at(bar, ""), b + 1);
    EXPECT_EQ(at(edit, "http://casino.example/"), b + 2);
    EXPECT_GT(at(legacy, "Only WM_NAME"), b + 2);
    EXPECT_GE(at(longName, std::string(253, 'n')), 0);

    // A name longer than the enumeration reads ahead is read in full when asked for.
    EXPECT_EQ(windows->WindowText(longName, 1000), std::string(300, 'n'));
    std::string inside;
    windows->EnumChildWindows(
        windows->DesktopWindow(),
        [&](Hwnd w, std::intptr_t) {
            if (w == longName) inside = windows->WindowText(w, 1000);
            return true;
        },
        0);
    EXPECT_EQ(inside, std::string(300, 'n'));

    EXPECT_EQ(windows->ClassName(bar, 100), "Edit");
    EXPECT_EQ(windows->ClassName(bar, 3), "Ed");
    EXPECT_EQ(windows->ClassName(browser, 100), "");

    // No edit control on X11 gives its text away, so the blocker never acts here.
    EXPECT_EQ(windows->TextLength(bar), 0);
    EXPECT_EQ(windows->GetText(bar, 100), "");
    EXPECT_FALSE(windows->HasEditControls());
    blocker::Blocker blocker(*windows);
    blocker.AddKeywords({"casino"});
    blocker.Tick();
    EXPECT_TRUE(blocker.lstWindows().empty());
}

TEST_F(X11WindowSystemTest, AWindowThatIsGoneFailsQuietly) {
    const Window gone = Create(Root());
    SetClass(gone, "x", "Edit");
    XStoreName(client.get(), gone, "gone");
    XDestroyWindow(client.get(), gone);
    XSync(client.get(), False);
    EXPECT_EQ(windows->WindowText(gone, 254), "");
    EXPECT_EQ(windows->ClassName(gone, 100), "");
    int seen = 0;
    windows->EnumChildWindows(
        gone, [&](Hwnd, std::intptr_t) { return ++seen > 0; }, 0);
    EXPECT_EQ(seen, 0);
    // The connection is still usable afterwards.
    const Window alive = Create(Root());
    XStoreName(client.get(), alive, "alive");
    XSync(client.get(), False);
    EXPECT_EQ(windows->WindowText(alive, 254), "alive");
}

TEST_F(X11WindowSystemTest, EnumerationStopsWhenTheCallbackSaysSo) {
    const Window first = Create(Root());
    Create(first);
    Create(Root());
    XSync(client.get(), False);
    std::vector<Hwnd> seen;
    windows->EnumChildWindows(
        static_cast<Hwnd>(Root()),
        [&](Hwnd w, std::intptr_t param) {
            EXPECT_EQ(param, 42);
            seen.push_back(w);
            return seen.size() < 2;
        },
        42);
    EXPECT_EQ(seen.size(), 2u);
}

TEST_F(X11WindowSystemTest, EnterGoesToTheFocusedWindow) {
    const Window target = Create(Root());
    XSelectInput(client.get(), target, KeyPressMask | KeyReleaseMask | StructureNotifyMask);
    XMapWindow(client.get(), target);
    XEvent event;
    do XWindowEvent(client.get(), target, StructureNotifyMask, &event);
    while (event.type != MapNotify);
    XSetInputFocus(client.get(), target, RevertToParent, CurrentTime);
    XSync(client.get(), False);

    windows->PressEnter();

    const KeyCode enter = XKeysymToKeycode(client.get(), XK_Return);
    bool pressed = false;
    bool released = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!(pressed && released) && std::chrono::steady_clock::now() < deadline) {
        if (XCheckWindowEvent(client.get(), target, KeyPressMask | KeyReleaseMask, &event)) {
            EXPECT_EQ(event.xkey.keycode, enter);
            pressed |= event.type == KeyPress;
            released |= event.type == KeyRelease;
            continue;
        }
        pollfd pfd{ConnectionNumber(client.get()), POLLIN, 0};
        poll(&pfd, 1, 50);
    }
    EXPECT_TRUE(pressed);
    EXPECT_TRUE(released);
}

}  // namespace
}  // namespace quorvel::platform
