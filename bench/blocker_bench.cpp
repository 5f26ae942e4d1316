// The cost of one blocker tick. The timer fires every 10 ms, so a tick must stay well
// under 1 ms to keep the blocker below a tenth of a core at worst.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include "blocker/Blocker.h"
#include "platform/fake/FakeWindowSystem.h"
#include "platform/x11/X11WindowSystem.h"

// Xlib's macros clash with ordinary names: included last.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

using quorvel::blocker::Blocker;
using quorvel::platform::FakeWindowSystem;
using quorvel::platform::Hwnd;

// 500 top-level windows, 20 of them browsers with 10 address edits each (no address
// blocked, so every keyword is tested against every address), and `keywords` keywords.
void BuildDesktop(FakeWindowSystem& desktop, Blocker& blocker, int keywords) {
    const Hwnd root = desktop.DesktopWindow();
    for (int i = 0; i < 500; ++i) {
        if (i % 25 == 0) {
            const Hwnd frame = desktop.Add(
                root, "IEFrame", "Page " + std::to_string(i) + " - Microsoft Internet Explorer");
            for (int e = 0; e < 10; ++e)
                desktop.Add(frame, "Edit",
                            "http://www.news" + std::to_string(i * 10 + e) +
                                ".example.org/world/2024/article.html?id=" + std::to_string(e));
        } else {
            desktop.Add(root, "Notepad", "Document " + std::to_string(i) + ".txt - Notepad");
        }
    }
    quorvel::store::NameList list;
    for (int k = 0; k < keywords; ++k) list.push_back("blockedsite" + std::to_string(k) + ".com");
    blocker.AddKeywords(list);
}

void BM_Tick(benchmark::State& state) {
    FakeWindowSystem desktop;
    Blocker blocker(desktop);
    BuildDesktop(desktop, blocker, static_cast<int>(state.range(0)));
    for (auto _ : state) blocker.Tick();
    if (!desktop.events.empty()) state.SkipWithError("an address was rewritten");
}
BENCHMARK(BM_Tick)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// Listing the 700 windows alone, the part that does not depend on the keywords.
void BM_ListDesktop(benchmark::State& state) {
    FakeWindowSystem desktop;
    Blocker blocker(desktop);
    BuildDesktop(desktop, blocker, 0);
    quorvel::store::WindowLister lister(desktop);
    quorvel::store::NameList list;
    for (auto _ : state) {
        lister.ListChildWindows(list, desktop.DesktopWindow());
        benchmark::DoNotOptimize(list.data());
    }
}
BENCHMARK(BM_ListDesktop)->Unit(benchmark::kMicrosecond);

// Listing every window of a real X server ($DISPLAY), to which this adds 50 ordinary
// windows with two children each and one browser window. This is what a tick would
// cost on X11 if it did not stop at once for want of edit controls (see Blocker::Tick).
void BM_ListDesktopX11(benchmark::State& state) {
    const auto client = quorvel::platform::x11::OpenDisplay();
    if (!client) {
        state.SkipWithError("no X server");
        return;
    }
    const Window root = DefaultRootWindow(client.get());
    for (int i = 0; i < 50; ++i) {
        const Window w = XCreateSimpleWindow(client.get(), root, 0, 0, 50, 50, 0, 0, 0);
        XStoreName(client.get(), w, ("Document " + std::to_string(i) + " - Editor").c_str());
        XClassHint hint{const_cast<char*>("editor"), const_cast<char*>("Editor")};
        XSetClassHint(client.get(), w, &hint);
        XCreateSimpleWindow(client.get(), w, 0, 0, 10, 10, 0, 0, 0);
        XCreateSimpleWindow(client.get(), w, 0, 0, 10, 10, 0, 0, 0);
    }
    const Window browser = XCreateSimpleWindow(client.get(), root, 0, 0, 50, 50, 0, 0, 0);
    XStoreName(client.get(), browser, "Example - Microsoft Internet Explorer");
    const Window edit = XCreateSimpleWindow(client.get(), browser, 0, 0, 10, 10, 0, 0, 0);
    XClassHint hint{const_cast<char*>("address"), const_cast<char*>("Edit")};
    XSetClassHint(client.get(), edit, &hint);
    XSync(client.get(), False);

    quorvel::platform::X11WindowSystem windows;
    quorvel::store::WindowLister lister(windows);
    quorvel::store::NameList list;
    for (auto _ : state) lister.ListChildWindows(list, windows.DesktopWindow());
    state.counters["windows"] = static_cast<double>(list.size());
}
BENCHMARK(BM_ListDesktopX11)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
