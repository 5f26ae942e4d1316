// The X11 lockdown backend against a real X server of its own (Xvfb), with a second
// client playing "another program": a panel, a screen locker, a key logger.
#include "platform/x11/X11Desktop.h"
#include "platform/x11/X11Util.h"

#include <gtest/gtest.h>

#include "support/Poll.h"
#include "support/Xvfb_x11.h"

// Xlib's macros (None, Bool, Status) must come after GoogleTest's templates.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <xcb/xtest.h>

#include <poll.h>

#include <cstdint>
#include <memory>
#include <string>

namespace quorvel::test {
namespace {

class X11DesktopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(server_.name().empty()) << "Xvfb did not start";
        ours_ = platform::x11::OpenDisplay(server_.name());
        other_ = platform::x11::OpenDisplay(server_.name());
        ASSERT_TRUE(ours_ && other_);
        desktop_ = std::make_unique<platform::X11Desktop>(ours_.get());
    }

    // A mapped top-level window of the other client, a dock if asked.
    Window MakeWindow(bool dock) {
        Display* d = other_.get();
        const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 100, 20, 0, 0, 0);
        if (dock) {
            const Atom type = XInternAtom(d, "_NET_WM_WINDOW_TYPE", False);
            const Atom value = XInternAtom(d, "_NET_WM_WINDOW_TYPE_DOCK", False);
            XChangeProperty(d, w, type, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&value), 1);
        }
        XMapWindow(d, w);
        XSync(d, False);
        return w;
    }
    bool Mapped(Window w) {
        XWindowAttributes a{};
        XSync(other_.get(), False);
        return XGetWindowAttributes(other_.get(), w, &a) && a.map_state != IsUnmapped;
    }
    // What another program gets when it tries to take the keyboard and the pointer.
    std::pair<int, int> OtherClientGrabs() {
        Display* d = other_.get();
        const Window root = DefaultRootWindow(d);
        const int keyboard =
            XGrabKeyboard(d, root, False, GrabModeAsync, GrabModeAsync, CurrentTime);
        const int pointer =
            XGrabPointer(d, root, False, 0, GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
        if (keyboard == GrabSuccess) XUngrabKeyboard(d, CurrentTime);
        if (pointer == GrabSuccess) XUngrabPointer(d, CurrentTime);
        XSync(d, False);
        return {keyboard, pointer};
    }

    Xvfb server_;
    platform::x11::UniqueDisplay ours_;
    platform::x11::UniqueDisplay other_;
    std::unique_ptr<platform::X11Desktop> desktop_;
};

TEST_F(X11DesktopTest, HidesAndShowsEveryDockButNoOtherWindow) {
    const Window panel = MakeWindow(true);
    const Window secondPanel = MakeWindow(true);
    const Window browser = MakeWindow(false);

    desktop_->ShowTaskbar(0);
    EXPECT_FALSE(Mapped(panel));
    EXPECT_FALSE(Mapped(secondPanel));
    EXPECT_TRUE(Mapped(browser));

    desktop_->ShowTaskbar(0);  // locking twice is harmless
    EXPECT_FALSE(Mapped(panel));

    desktop_->ShowTaskbar(1);
    EXPECT_TRUE(Mapped(panel));
    EXPECT_TRUE(Mapped(secondPanel));
    EXPECT_TRUE(Mapped(browser));
}

TEST_F(X11DesktopTest, LockHoldsKeyboardAndPointerUntilClearedRetryingAGrabThatDidNotHold) {
    const auto available = std::make_pair(GrabSuccess, GrabSuccess);
    const auto held = std::make_pair(AlreadyGrabbed, AlreadyGrabbed);
    EXPECT_EQ(OtherClientGrabs(), available);
    desktop_->SetScreenSaverRunning(true, true);
    EXPECT_TRUE(desktop_->InputGrabbed());
    EXPECT_EQ(OtherClientGrabs(), held);
    desktop_->SetScreenSaverRunning(true, true);  // locking twice is harmless
    EXPECT_EQ(OtherClientGrabs(), held);

    desktop_->SetScreenSaverRunning(false, false);
    EXPECT_FALSE(desktop_->InputGrabbed());
    EXPECT_EQ(OtherClientGrabs(), available);
    // Once released, keeping the state does not take the input again.
    desktop_->KeepScreenSaverRunning();
    EXPECT_EQ(OtherClientGrabs(), available);

    // Locked while another client holds the keyboard: each tick tries again. (A grab of
    // ours ended by one of our own popups and taken back by the next tick:
    // TheLockRestsUntilSomethingCouldUndoIt.)
    Display* d = other_.get();
    ASSERT_EQ(
        XGrabKeyboard(d, DefaultRootWindow(d), False, GrabModeAsync, GrabModeAsync, CurrentTime),
        GrabSuccess);
    XSync(d, False);
    desktop_->SetScreenSaverRunning(true, true);
    EXPECT_FALSE(desktop_->InputGrabbed()) << "another client held the keyboard";
    desktop_->KeepScreenSaverRunning();
    EXPECT_FALSE(desktop_->InputGrabbed());
    XUngrabKeyboard(d, CurrentTime);
    XSync(d, False);
    desktop_->KeepScreenSaverRunning();
    EXPECT_TRUE(desktop_->InputGrabbed());
    EXPECT_EQ(OtherClientGrabs(), held);

    // Held, the input is let go with the desktop service.
    desktop_.reset();
    XSync(ours_.get(), False);
    EXPECT_EQ(OtherClientGrabs(), available);
}

// The lock rests (the login screen's timer stops) only while nothing could have undone
// it, and each thing that could wakes it through the lock event descriptor.
TEST_F(X11DesktopTest, TheLockRestsUntilSomethingCouldUndoIt) {
    Display* d = ours_.get();
    // Full-screen, as the login screen is: the pointer is over it.
    const Window lock = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 640, 480, 0, 0, 0);
    XMapWindow(d, lock);
    XSync(d, False);
    const int events = desktop_->LockEventDescriptor();
    ASSERT_GE(events, 0);
    // Limits are generous: on a loaded machine the server answers late, never wrongly.
    auto wakes = [&] {  // the descriptor turns readable
        XSync(d, False);
        pollfd ready{events, POLLIN, 0};
        return poll(&ready, 1, 30000) == 1;
    };
    // The login screen's ticks, until the lock is at rest.
    auto settles = [&] {
        bool topMost = true;
        const bool settled = PollUntil([&] {
            topMost = desktop_->SetTopMost(lock, true);
            desktop_->KeepScreenSaverRunning();
            XSync(d, False);
            return !topMost || desktop_->LockSettled();
        });
        return topMost && settled;
    };
    EXPECT_FALSE(desktop_->LockSettled()) << "nothing is locked yet";
    desktop_->SetScreenSaverRunning(true, true);
    ASSERT_TRUE(settles());

    // One of our own popups ends the grab of the keyboard, the pointer or both.
    const struct {
        const char* ends;
        bool keyboard, pointer;
    } grabEnds[] = {{"keyboard", true, false}, {"pointer", false, true}, {"both", true, true}};
    for (const auto& end : grabEnds) {
        SCOPED_TRACE(end.ends);
        if (end.keyboard) XUngrabKeyboard(d, CurrentTime);
        if (end.pointer) XUngrabPointer(d, CurrentTime);
        EXPECT_TRUE(wakes());
        EXPECT_FALSE(desktop_->LockSettled());
        ASSERT_TRUE(settles());
        EXPECT_EQ(OtherClientGrabs(), std::make_pair(AlreadyGrabbed, AlreadyGrabbed));
    }

    // Another program's window covers part of it.
    Display* o = other_.get();
    XSetWindowAttributes above{};
    above.override_redirect = True;
    const Window popup = XCreateWindow(o, DefaultRootWindow(o), 50, 50, 50, 50, 0, CopyFromParent,
                                       InputOutput, CopyFromParent, CWOverrideRedirect, &above);
    XMapRaised(o, popup);
    XSync(o, False);
    EXPECT_TRUE(wakes());
    EXPECT_FALSE(desktop_->LockSettled());
    ASSERT_TRUE(settles()) << "raised above it again";

    // Another program's window, beside it, takes the keyboard focus (as a window
    // manager gives it to a window that maps): the lock takes it back, or what is typed
    // at the lock would go nowhere.
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(d, &focus, &revert);
    ASSERT_EQ(focus, lock) << "the lock has the focus at rest";
    const Window beside = XCreateSimpleWindow(o, DefaultRootWindow(o), 700, 500, 10, 10, 0, 0, 0);
    XMapWindow(o, beside);
    XSync(o, False);
    XSetInputFocus(o, beside, RevertToParent, CurrentTime);
    XSync(o, False);
    // A key typed before the lock has the focus back reaches the lock, not the root.
    const platform::x11::UniqueConnection typist(xcb_connect(server_.name().c_str(), nullptr));
    const KeyCode a = XKeysymToKeycode(o, XK_a);
    for (const std::uint8_t type : {XCB_KEY_PRESS, XCB_KEY_RELEASE})
        xcb_test_fake_input(typist.get(), type, a, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_flush(typist.get());
    XEvent typed{};
    ASSERT_TRUE(PollUntil([&] { return XCheckTypedEvent(d, KeyPress, &typed) == True; }));
    EXPECT_EQ(typed.xkey.window, lock) << "the key was reported on the root";
    EXPECT_TRUE(wakes());
    EXPECT_FALSE(desktop_->LockSettled());
    ASSERT_TRUE(settles());
    XGetInputFocus(d, &focus, &revert);
    EXPECT_EQ(focus, lock);

    // Another program destroys it: said, and the error caught, the connection still works.
    XDestroyWindow(o, lock);
    XSync(o, False);
    EXPECT_TRUE(wakes());
    EXPECT_FALSE(desktop_->LockSettled());
    EXPECT_FALSE(desktop_->SetTopMost(lock, true));
    const Window next = MakeWindow(false);
    EXPECT_TRUE(desktop_->SetTopMost(next, true));
    EXPECT_TRUE(desktop_->SetTopMost(next, false));
}

}  // namespace
}  // namespace quorvel::test
