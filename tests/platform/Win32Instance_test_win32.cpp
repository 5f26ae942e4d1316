// The Windows single-instance backend on a real Win32 implementation, and the
// start-up rule over it.
#include <gtest/gtest.h>
#include <windows.h>
#undef FindWindow

#include <string>

#include "platform/win32/Win32Instance.h"
#include "startup/StartupLogic.h"

namespace quorvel::test {
namespace {

using platform::Hwnd;
using platform::Win32Instance;

std::string Unique(const std::string& prefix) {
    return prefix + " " + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(GetTickCount64());
}

HWND ToHwnd(Hwnd handle) {
    return reinterpret_cast<HWND>(handle);
}

std::string ClassOf(Hwnd handle) {
    char name[256] = {};
    GetClassNameA(ToHwnd(handle), name, sizeof name);
    return name;
}

// The real backend, except that ending the program is only recorded.
class NoExit final : public platform::Instance {
  public:
    explicit NoExit(Win32Instance& real) : real_(real) {}
    bool PreviousInstanceRunning() override { return real_.PreviousInstanceRunning(); }
    void SetMainWindowTitle(const std::string& title) override { real_.SetMainWindowTitle(title); }
    Hwnd FindWindow(const std::string& c, const std::string& t) override {
        const Hwnd found = real_.FindWindow(c, t);
        searched += c + (found ? "+ " : "- ");
        return found;
    }
    Hwnd FirstInZOrder(Hwnd w) override {
        first = real_.FirstInZOrder(w);
        return first;
    }
    void Restore(Hwnd w) override { real_.Restore(w); }
    void BringToFront(Hwnd w) override { real_.BringToFront(w); }
    void EndProgram() override { ended = true; }

    std::string searched;
    Hwnd first = 0;
    bool ended = false;

  private:
    Win32Instance& real_;
};

TEST(Win32Instance, TheMutexTellsARunningInstance) {
    const std::string name = Unique("Local\\QuorvelTest");
    {
        Win32Instance first(name);
        Win32Instance second(name);
        EXPECT_FALSE(first.PreviousInstanceRunning());
        EXPECT_TRUE(second.PreviousInstanceRunning());
        EXPECT_TRUE(second.PreviousInstanceRunning());  // asked once, answered the same
    }
    Win32Instance later(name);
    EXPECT_FALSE(later.PreviousInstanceRunning());
}

TEST(Win32Instance, TheHiddenMainWindowIsFoundByClassAndTitle) {
    const std::string title = Unique("Quorvel (DE) test");
    Win32Instance running;
    running.SetMainWindowTitle(title);
    const Hwnd main = running.mainWindow();
    ASSERT_NE(main, 0u);
    EXPECT_EQ(ClassOf(main), "ThunderRT6Main");
    EXPECT_FALSE(IsWindowVisible(ToHwnd(main)));

    Win32Instance other;
    EXPECT_EQ(other.FindWindow("ThunderRT6Main", title), main);
    EXPECT_EQ(other.FindWindow("ThunderRT5Main", title), 0u);
    EXPECT_EQ(other.FindWindow("ThunderRT6Main", title + " "), 0u);

    running.SetMainWindowTitle("retitled " + title);
    EXPECT_EQ(running.mainWindow(), main);
    EXPECT_EQ(other.FindWindow("ThunderRT6Main", title), 0u);
    EXPECT_EQ(other.FindWindow("ThunderRT6Main", "retitled " + title), main);
    // GetWindow relation 0: a top-level window, the first in Z order.
    const Hwnd first = other.FirstInZOrder(main);
    ASSERT_NE(first, 0u);
    EXPECT_EQ(GetParent(ToHwnd(first)), nullptr);
    EXPECT_EQ(GetWindow(ToHwnd(first), GW_HWNDPREV), nullptr);
}

TEST(Win32Instance, ASecondInstanceFindsTheFirstAndEnds) {
    const std::string title = Unique("Quorvel (DE) test");
    Win32Instance firstReal;
    firstReal.SetMainWindowTitle(title);

    // The second owns a window with the same title until it swaps to "unwanted
    // instance"; the search must find the first's window, not its own.
    Win32Instance secondReal;
    secondReal.SetMainWindowTitle(title);
    NoExit second(secondReal);
    std::string appTitle = title;
    EXPECT_TRUE(startup::ActivatePrevInstance(second, appTitle));
    EXPECT_EQ(appTitle, "unwanted instance");
    EXPECT_EQ(secondReal.FindWindow("ThunderRT6Main", "unwanted instance"),
              secondReal.mainWindow());
    EXPECT_EQ(second.searched, "ThunderRTMain- ThunderRT5Main- ThunderRT6Main+ ");
    EXPECT_NE(second.first, 0u);
    EXPECT_TRUE(second.ended);
}

TEST(Win32Instance, RestoreOpensAMinimisedWindow) {
    HWND shown = CreateWindowExA(0, "STATIC", "Quorvel restore test", WS_OVERLAPPEDWINDOW, 0, 0,
                                 200, 100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(shown, nullptr);
    ShowWindow(shown, SW_SHOWMINIMIZED);
    ASSERT_TRUE(IsIconic(shown));
    Win32Instance instance;
    instance.Restore(reinterpret_cast<Hwnd>(shown));
    EXPECT_FALSE(IsIconic(shown));
    instance.BringToFront(reinterpret_cast<Hwnd>(shown));
    DestroyWindow(shown);
}

}  // namespace
}  // namespace quorvel::test
