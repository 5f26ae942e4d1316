// The cost of one blocker tick. The timer fires every 10 ms, so a tick must stay well
// under 1 ms to keep the blocker below a tenth of a core at worst.
#include <benchmark/benchmark.h>

#include "blocker/Blocker.h"
#include "platform/fake/FakeWindowSystem.h"

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

}  // namespace

BENCHMARK_MAIN();
