// What a running guest session costs the PC: CPU per tick of the timer window, CPU and
// resident memory of a session left running (Arg 1: on a PC that has joined a cafe's
// server, its sender reporting the state to a server that answers at once), and how
// far its elapsed time drifts from the wall clock, idle and with every core busy.
//
// The window runs with the real settings store file, locale and clock. Set
// QT_QPA_PLATFORM=xcb and DISPLAY to measure on an X server (Xvfb); the default is
// Qt's offscreen platform. QUORVEL_BENCH_SECONDS (default 60) and
// QUORVEL_DRIFT_SECONDS (default 600) set how long the running measurements last.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "BenchSeams.h"
#include "cafe/Sender.h"
#include "db/Database.h"
#include "platform/fake/FakeServices.h"
#include "platform/fake/FakeWindowSystem.h"
#include "platform/posix/HiveRegistry.h"
#include "platform/posix/PosixLocale.h"
#include "platform/posix/SystemClock.h"
#include "session/frmtimer2.h"

namespace {

using namespace quorvel;

int EnvSeconds(const char* name, int fallback) {
    const char* text = std::getenv(name);
    return text && std::atoi(text) > 0 ? std::atoi(text) : fallback;
}

// User plus system CPU time of this process, in seconds.
double CpuSeconds() {
    std::ifstream in("/proc/self/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) utime = std::stoull(field);
        if (i == 15) stime = std::stoull(field);
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

double ResidentMegabytes() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

// A server on the same machine that takes everything at once: what remains is the
// PC's own share.
struct InstantServer final : cafe::ServerLink {
    cafe::LinkResult Deliver(const std::vector<cafe::ClosedSession>&) override {
        return {true, {}};
    }
    cafe::LinkResult ReportState(const cafe::PcState&) override { return {true, {}}; }
};

// A guest session's window with the real store, locale and clock, its data file
// absent (the tick never touches it); when joined, a data file for the sender.
struct Rig {
    Rig()
        : folder(MakeFolder()),
          registry((folder / "registry.db").string()),
          pv(store::Platform{registry, windows, desktop, instance, shell, systemInfo, locale,
                             clock, guestDesktop}) {
        for (const char* key : {store::kSettingsKey, store::kTimersKey})
            pv.settings.CreateSettingsKey(platform::kHkeyCurrentUser, key);
        pv.SysDir = folder.string();
        pv.CurrentUser = "guest";
        pv.CurrencySymbol = "Rs";
        pv.OsVersion = 10.0;
    }
    ~Rig() {
        gui.forms.reset();
        pv.Cafe.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    static std::filesystem::path MakeFolder() {
        auto folder =
            std::filesystem::temp_directory_path() / ("quorvel-bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        return folder;
    }
    // The PC joins: its sender runs, with its data file open, before anything is measured.
    void Join() {
        const std::string path = (folder / "QuorvelData.mdb").string();
        std::string error;
        if (!db::Database::Create(path, db::kDataFilePassword, error)) std::abort();
        cafe::SenderOptions options;
        options.dataFile = path;
        options.password = db::kDataFilePassword;
        pv.Cafe = std::make_shared<cafe::Sender>(std::make_unique<InstantServer>(), clock, options);
        while (pv.Cafe->rounds() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ui::frmtimer2& SignIn() {
        auto& window = gui.forms->Get<ui::frmtimer2>();
        window.show();
        return window;
    }
    static std::int64_t Elapsed(const ui::frmtimer2& w) {
        const auto& s = w.session();
        return std::int64_t{s.hours()} * 3600 + s.minutes() * 60 + s.seconds();
    }

    std::filesystem::path folder;
    platform::HiveRegistry registry;
    platform::FakeWindowSystem windows;
    platform::RecordingDesktop desktop;
    platform::FakeInstance instance;
    platform::RecordingShell shell;
    platform::FakeSystemInfo systemInfo;
    platform::PosixLocale locale;
    platform::SystemClock clock;
    platform::SharedGuestDesktop guestDesktop;
    store::publicVar pv;
    bench::UnattendedWindows gui{pv};
};

// Runs the event loop for `seconds` while the window's own timer ticks.
void RunFor(int seconds) {
    // exit, not quit: quit asks every window to close, and the timer window refuses.
    QTimer::singleShot(std::chrono::seconds(seconds), Qt::PreciseTimer, qApp,
                       [] { QCoreApplication::exit(0); });
    QApplication::exec();
}

// Processes that keep `count` cores busy until they are ended.
struct BusyCores {
    explicit BusyCores(int count) {
        for (int i = 0; i < count; ++i) {
            const pid_t pid = fork();
            if (pid == 0) {
                volatile unsigned long long spin = 0;
                for (;;) spin = spin + 1;
            }
            if (pid > 0) children.push_back(pid);
        }
    }
    ~BusyCores() {
        for (const pid_t pid : children) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    std::vector<pid_t> children;
};

// Arg: 1 on a joined PC.
void BM_Tick(benchmark::State& state) {
    Rig rig;
    if (state.range(0)) rig.Join();
    auto& window = rig.gui.forms->Get<ui::frmtimer2>();
    for (auto _ : state) window.Timer1_Timer();
    state.counters["elapsed_s"] = double(Rig::Elapsed(window));
}
BENCHMARK(BM_Tick)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Arg: 1 on a joined PC.
void BM_RunningSession(benchmark::State& state) {
    const int seconds = EnvSeconds("QUORVEL_BENCH_SECONDS", 60);
    for (auto _ : state) {
        Rig rig;
        if (state.range(0)) rig.Join();
        rig.SignIn();
        QApplication::processEvents();
        const double cpuBefore = CpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        RunFor(seconds);
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(wall);
        state.counters["cpu_pct_of_core"] = 100.0 * (CpuSeconds() - cpuBefore) / wall;
        state.counters["rss_MB"] = ResidentMegabytes();
    }
}
BENCHMARK(BM_RunningSession)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

// Arg: how many cores are kept busy meanwhile.
void BM_Drift(benchmark::State& state) {
    const int seconds = EnvSeconds("QUORVEL_DRIFT_SECONDS", 600);
    for (auto _ : state) {
        Rig rig;
        BusyCores busy(static_cast<int>(state.range(0)));
        auto& window = rig.SignIn();
        const auto start = std::chrono::steady_clock::now();
        RunFor(seconds);
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(wall);
        const auto ticks = Rig::Elapsed(window);
        state.counters["wall_s"] = wall;
        state.counters["elapsed_s"] = double(ticks);
        state.counters["behind_s"] = wall - double(ticks);
    }
}
BENCHMARK(BM_Drift)->Arg(0)->Arg(2)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    return quorvel::bench::RunWindowBenchmarks(argc, argv);
}
