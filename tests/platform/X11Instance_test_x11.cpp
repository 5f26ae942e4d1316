// The X11 single-instance backend on a real X server (an Xvfb of its own).
#include <gtest/gtest.h>
// After GoogleTest: Xlib's macros (None, Bool ...) would rename its names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/x11/X11Instance.h"
#include "support/Poll.h"
#include "support/TempDir.h"
#include "support/Xvfb_x11.h"

namespace quorvel::test {
namespace {

using platform::Hwnd;
using platform::X11Instance;

class X11InstanceTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { server_ = new Xvfb(); }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }

    void SetUp() override {
        ASSERT_FALSE(server_->name().empty()) << "Xvfb did not start";
        owned_ = platform::x11::OpenDisplay(server_->name());
        display_ = owned_.get();
        ASSERT_TRUE(display_);
    }
    void TearDown() override {
        for (Window w : made_) XDestroyWindow(display_, w);
    }

    std::unique_ptr<X11Instance> Instance() {
        auto instance = std::make_unique<X11Instance>(dir_.file("quorvel.lock"), server_->name());
        EXPECT_TRUE(instance->connected());
        return instance;
    }

    // An ordinary top-level window of another program, shown.
    Window Shown() {
        Window w =
            XCreateSimpleWindow(display_, DefaultRootWindow(display_), 10, 10, 50, 50, 0, 0, 0);
        XMapWindow(display_, w);
        XSync(display_, False);
        made_.push_back(w);
        return w;
    }

    std::vector<Window> RootChildren() {
        return platform::x11::Children(display_, DefaultRootWindow(display_));
    }

    int MapState(Hwnd w) {
        XWindowAttributes attributes{};
        XGetWindowAttributes(display_, static_cast<Window>(w), &attributes);
        return attributes.map_state;
    }

    static Xvfb* server_;
    TempDir dir_;
    platform::x11::UniqueDisplay owned_;
    Display* display_ = nullptr;
    std::vector<Window> made_;
};

Xvfb* X11InstanceTest::server_ = nullptr;

TEST_F(X11InstanceTest, ThePerUserLockTellsARunningInstance) {
    auto first = Instance();
    EXPECT_FALSE(first->PreviousInstanceRunning());
    {
        auto second = Instance();
        EXPECT_TRUE(second->PreviousInstanceRunning());
    }
    // In another process too: the lock is the kernel's, not this process's.
    const pid_t child = fork();
    if (child == 0) {
        X11Instance other(dir_.file("quorvel.lock"));
        _exit(other.PreviousInstanceRunning() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    first.reset();  // the first ends: the next start is the only one
    EXPECT_FALSE(Instance()->PreviousInstanceRunning());
}

TEST_F(X11InstanceTest, TheHiddenMainWindowIsFoundByClassAndTitleAndNeverShown) {
    auto running = Instance();
    running->SetMainWindowTitle("Quorvel (DE)");
    const Hwnd main = running->mainWindow();
    ASSERT_NE(main, 0u);
    EXPECT_EQ(MapState(main), IsUnmapped);
    XClassHint hint{};
    ASSERT_TRUE(XGetClassHint(display_, static_cast<Window>(main), &hint));
    const platform::x11::XPtr<char> name(hint.res_name), windowClass(hint.res_class);
    EXPECT_STREQ(windowClass.get(), "ThunderRT6Main");

    auto later = Instance();
    later->SetMainWindowTitle("Quorvel (DE)");
    // Before the swap the later instance would find a window titled like its own.
    later->SetMainWindowTitle("unwanted instance");
    EXPECT_EQ(later->FindWindow("ThunderRT6Main", "Quorvel (DE)"), main);
    EXPECT_EQ(later->FindWindow("thunderrt6main", "QUORVEL (de)"), main);
    EXPECT_EQ(later->FindWindow("ThunderRT5Main", "Quorvel (DE)"), 0u);
    EXPECT_EQ(later->FindWindow("ThunderRTMain", "Quorvel (DE)"), 0u);
    EXPECT_EQ(later->FindWindow("ThunderRT6Main", "unwanted instance"), later->mainWindow());

    running->SetMainWindowTitle("Something else");
    EXPECT_EQ(later->FindWindow("ThunderRT6Main", "Quorvel (DE)"), 0u);
    EXPECT_EQ(MapState(main), IsUnmapped);
}

TEST_F(X11InstanceTest, FirstInZOrderIsTheTopMostShownSibling) {
    auto running = Instance();
    running->SetMainWindowTitle("Quorvel (DE)");
    const Window a = Shown();
    const Window b = Shown();
    auto later = Instance();
    // The hidden main window is newer than both but never shown: passed over.
    later->SetMainWindowTitle("unwanted instance");
    EXPECT_EQ(RootChildren().back(), static_cast<Window>(later->mainWindow()));
    EXPECT_EQ(later->FirstInZOrder(running->mainWindow()), b);
    XRaiseWindow(display_, a);
    XSync(display_, False);
    EXPECT_EQ(later->FirstInZOrder(running->mainWindow()), a);

    // Bringing b forward raises it above a.
    later->BringToFront(b);
    XSync(display_, False);
    EXPECT_EQ(later->FirstInZOrder(running->mainWindow()), b);
    // A window that was never shown is not shown by being brought forward.
    later->Restore(running->mainWindow());
    later->BringToFront(running->mainWindow());
    XSync(display_, False);
    EXPECT_EQ(MapState(running->mainWindow()), IsUnmapped);
}

TEST_F(X11InstanceTest, RestoreMapsAnIconicClientWindow) {
    const Window iconic =
        XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 40, 40, 0, 0, 0);
    made_.push_back(iconic);
    const Atom wmState = XInternAtom(display_, "WM_STATE", False);
    long state[2] = {IconicState, 0};
    XChangeProperty(display_, iconic, wmState, wmState, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(state), 2);
    XSync(display_, False);
    EXPECT_EQ(MapState(iconic), IsUnmapped);

    auto instance = Instance();
    instance->Restore(iconic);
    // Poll: the request travels on the instance's own connection.
    EXPECT_TRUE(PollUntil([&] { return MapState(iconic) == IsViewable; }));
}

TEST(X11InstanceWithoutDisplay, TheLockStillWorksAndNothingIsFound) {
    TempDir dir;
    X11Instance first(dir.file("quorvel.lock"), ":4242");
    X11Instance second(dir.file("quorvel.lock"), ":4242");
    EXPECT_FALSE(first.connected());
    EXPECT_FALSE(first.PreviousInstanceRunning());
    EXPECT_TRUE(second.PreviousInstanceRunning());
    second.SetMainWindowTitle("unwanted instance");
    EXPECT_EQ(second.FindWindow("ThunderRT6Main", "Quorvel (DE)"), 0u);
}

}  // namespace
}  // namespace quorvel::test
