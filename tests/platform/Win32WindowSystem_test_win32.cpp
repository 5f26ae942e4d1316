// The blocker's window operations on a real Win32 implementation: windows this test
// makes, and Wine's own Notepad, a program nobody here wrote.
#include "platform/win32/Win32WindowSystem.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "blocker/Blocker.h"
#include "store/ienann.h"

// After the platform headers: its macros would rename their members.
#include <windows.h>

namespace quorvel::test {
namespace {

using namespace platform;

// A window of this test, destroyed with its children at the end of the scope.
class OwnWindow {
  public:
    OwnWindow(const char* className, const std::string& text, HWND parent = nullptr,
              DWORD style = WS_OVERLAPPEDWINDOW)
        : window_(CreateWindowExA(0, className, text.c_str(), style | (parent ? WS_CHILD : 0), 0, 0,
                                  300, 200, parent, nullptr, GetModuleHandleA(nullptr), nullptr)) {}
    ~OwnWindow() { Destroy(); }
    OwnWindow(const OwnWindow&) = delete;
    OwnWindow& operator=(const OwnWindow&) = delete;
    void Destroy() {
        if (window_ != nullptr) DestroyWindow(window_);
        window_ = nullptr;
    }
    HWND get() const { return window_; }
    Hwnd handle() const { return reinterpret_cast<Hwnd>(window_); }

  private:
    HWND window_;
};

// The frame class the test's browser look-alikes use.
const char* FrameClass() {
    static const ATOM atom = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "QuorvelTestFrame";
        return RegisterClassA(&wc);
    }();
    return atom != 0 ? "QuorvelTestFrame" : nullptr;
}

std::string Text(HWND window) {
    char buffer[1024] = {};
    SendMessageA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

// Handles messages of this thread until `done` holds or ten seconds have passed.
bool WaitFor(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return true;
}

// Lets Enter go again after a test pressed it without a release, as the blocker does.
struct ReleaseEnter {
    ~ReleaseEnter() { keybd_event(VK_RETURN, 1, KEYEVENTF_KEYUP, 0); }
};

TEST(Win32WindowSystem, ReadsTheWindowTreeAsTheBlockerNeedsIt) {
    Win32WindowSystem windows;
    ASSERT_NE(FrameClass(), nullptr);
    OwnWindow frame(FrameClass(), std::string(300, 'T'));
    OwnWindow pane("Static", "pane", frame.get());
    OwnWindow edit("Edit", "http://example.org/", pane.get());
    ASSERT_NE(edit.get(), nullptr);

    EXPECT_EQ(windows.DesktopWindow(), reinterpret_cast<Hwnd>(GetDesktopWindow()));
    std::vector<Hwnd> seen;
    windows.EnumChildWindows(
        windows.DesktopWindow(),
        [&](Hwnd w, std::intptr_t param) {
            EXPECT_EQ(param, 7);
            seen.push_back(w);
            return true;
        },
        7);
    const auto at = [&](Hwnd w) { return std::find(seen.begin(), seen.end(), w) - seen.begin(); };
    ASSERT_LT(at(frame.handle()), static_cast<long>(seen.size()));
    EXPECT_EQ(at(pane.handle()), at(frame.handle()) + 1);
    EXPECT_EQ(at(edit.handle()), at(frame.handle()) + 2);

    EXPECT_EQ(windows.WindowText(frame.handle(), 254), std::string(253, 'T'));
    EXPECT_EQ(windows.ClassName(edit.handle(), 100), "Edit");
    EXPECT_EQ(windows.ClassName(edit.handle(), 3), "Ed");
    EXPECT_EQ(windows.TextLength(edit.handle()), 19);
    EXPECT_EQ(windows.GetText(edit.handle(), 20), "http://example.org/");
    EXPECT_EQ(windows.GetText(edit.handle(), 8), "http://");
    windows.SetText(edit.handle(), "replaced");
    EXPECT_EQ(Text(edit.get()), "replaced");

    // A window that is gone answers with nothing.
    const Hwnd gone = edit.handle();
    edit.Destroy();
    EXPECT_EQ(windows.WindowText(gone, 254), "");
    EXPECT_EQ(windows.ClassName(gone, 100), "");
    EXPECT_EQ(windows.TextLength(gone), 0);
}

TEST(Win32WindowSystem, TheBlockerSendsABrowserWithABlockedAddressToTheBlockedPage) {
    Win32WindowSystem windows;
    ReleaseEnter release;
    OwnWindow frame(FrameClass(), "Example - Microsoft Internet Explorer");
    OwnWindow bar("ComboBox", "", frame.get(), WS_VISIBLE);
    OwnWindow address("Edit", "http://www.casino.example/", bar.get(), WS_VISIBLE);
    OwnWindow search("Edit", "poker", frame.get(), WS_VISIBLE);
    OwnWindow label("Static", "http://www.casino.example/", frame.get(), WS_VISIBLE);
    // The same address in a window that does not name the browser is left alone.
    OwnWindow other(FrameClass(), "Example - microsoft internet explorer");
    OwnWindow otherEdit("Edit", "http://www.casino.example/", other.get(), WS_VISIBLE);

    keybd_event(VK_RETURN, 1, KEYEVENTF_KEYUP, 0);
    ASSERT_TRUE(WaitFor([] { return (GetAsyncKeyState(VK_RETURN) & 0x8000) == 0; }));

    blocker::Blocker blocker(windows);
    blocker.AddKeywords({"casino"});
    blocker.Tick();
    EXPECT_EQ(Text(address.get()), blocker::kBlockedPage);
    EXPECT_EQ(Text(search.get()), "poker");
    EXPECT_EQ(Text(label.get()), "http://www.casino.example/");
    EXPECT_EQ(Text(otherEdit.get()), "http://www.casino.example/");
    // The Enter key went down and, as the blocker sends no release, is still down.
    EXPECT_TRUE(WaitFor([] { return (GetAsyncKeyState(VK_RETURN) & 0x8000) != 0; }));
}

// Wine's Notepad showing a file, ended with the test.
class Notepad {
  public:
    Notepad(const std::string& fileName, const std::string& contents) {
        char folder[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, folder);
        path_ = std::string(folder) + fileName;
        if (FILE* f = std::fopen(path_.c_str(), "wb")) {
            std::fwrite(contents.data(), 1, contents.size(), f);
            std::fclose(f);
        }
        std::string command = "notepad.exe \"" + path_ + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                           &startup, &process_)) {
            CloseHandle(process_.hThread);
            started_ = true;
        }
    }
    ~Notepad() {
        if (started_) {
            TerminateProcess(process_.hProcess, 0);
            WaitForSingleObject(process_.hProcess, 5000);
            CloseHandle(process_.hProcess);
        }
        DeleteFileA(path_.c_str());
    }
    Notepad(const Notepad&) = delete;
    Notepad& operator=(const Notepad&) = delete;

    // Notepad's text box, once its main window is up (null if it never came).
    HWND Edit() const {
        HWND found = nullptr;
        WaitFor([&] {
            EnumData data{process_.dwProcessId, nullptr};
            EnumWindows(
                [](HWND w, LPARAM p) -> BOOL {
                    auto* d = reinterpret_cast<EnumData*>(p);
                    DWORD pid = 0;
                    GetWindowThreadProcessId(w, &pid);
                    if (pid != d->pid) return TRUE;
                    const HWND edit = FindWindowExA(w, nullptr, "Edit", nullptr);
                    if (edit == nullptr) return TRUE;
                    d->edit = edit;
                    return FALSE;
                },
                reinterpret_cast<LPARAM>(&data));
            found = data.edit;
            return found != nullptr && !Text(found).empty();
        });
        return found;
    }

  private:
    struct EnumData {
        DWORD pid;
        HWND edit;
    };
    std::string path_;
    PROCESS_INFORMATION process_{};
    bool started_ = false;
};

TEST(Win32WindowSystem, NotepadShowingAFileNamedLikeTheBrowserIsWatchedToo) {
    Win32WindowSystem windows;
    ReleaseEnter release;
    Notepad blockedNotes("Microsoft Internet Explorer casino.txt", "visit www.casino.example");
    Notepad harmlessNotes("Microsoft Internet Explorer notes.txt", "nothing to see here");
    const HWND blocked = blockedNotes.Edit();
    const HWND harmless = harmlessNotes.Edit();
    ASSERT_NE(blocked, nullptr) << "Notepad did not come up";
    ASSERT_NE(harmless, nullptr) << "Notepad did not come up";
    char title[256] = {};
    GetWindowTextA(GetParent(blocked), title, sizeof title);
    ASSERT_NE(std::string(title).find("Microsoft Internet Explorer"), std::string::npos) << title;

    blocker::Blocker blocker(windows);
    blocker.AddKeywords({"casino"});
    blocker.Tick();
    // The Enter that follows goes to whichever window has the focus; in a Notepad it
    // would add a line break, so only the rewritten text is looked for.
    EXPECT_NE(Text(blocked).find(blocker::kBlockedPage), std::string::npos) << Text(blocked);
    EXPECT_EQ(Text(blocked).find("casino"), std::string::npos) << Text(blocked);
    EXPECT_EQ(Text(harmless).find(blocker::kBlockedPage), std::string::npos) << Text(harmless);
    EXPECT_NE(Text(harmless).find("nothing to see here"), std::string::npos) << Text(harmless);
}

}  // namespace
}  // namespace quorvel::test
