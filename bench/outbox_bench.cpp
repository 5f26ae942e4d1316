// A joined PC's own share of delivering a backlog: 10 000 sessions booked while the
// server was away, read from the outbox in batches, handed to a server that takes them
// at once, and removed. What a real server adds (its commits, the network) comes on
// top; this is what the PC spends, and how long the user-interface thread's booking
// waits for the data file meanwhile.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include "cafe/Sender.h"
#include "db/Database.h"
#include "platform/fake/FakeClock.h"

namespace {

using namespace quorvel;
namespace fs = std::filesystem;

struct InstantServer final : cafe::ServerLink {
    cafe::LinkResult Deliver(const std::vector<cafe::ClosedSession>&) override {
        return {true, {}};
    }
    cafe::LinkResult ReportState(const cafe::PcState&) override { return {true, {}}; }
};

struct Backlog {
    explicit Backlog(int sessions) {
        std::random_device random;
        folder = fs::temp_directory_path() / ("quorvel-bench-" + std::to_string(random()));
        fs::create_directories(folder);
        path = (folder / "QuorvelData.mdb").string();
        std::string error;
        file = db::Database::Create(path, db::kDataFilePassword, error);
        if (!file) std::abort();
        file->connection().Exec("PRAGMA synchronous=OFF");
        for (int i = 0; i < sessions; ++i) {
            db::OutboxWrite write;
            write.entry = {0, "s" + std::to_string(i), "2026-12-05", 0, 0, 900, 2500, "Rs"};
            if (db::AddSessionToDailyTotals(*file, "12/05/2026", 25.0, write.entry.sessionId,
                                            &write) != db::Booking::Booked)
                std::abort();
        }
        file->connection().Exec("PRAGMA synchronous=FULL");
    }
    ~Backlog() {
        file.reset();
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    fs::path folder;
    std::string path;
    std::unique_ptr<db::Database> file;
};

void BM_DeliverBacklog(benchmark::State& state) {
    for (auto _ : state) {
        Backlog backlog(static_cast<int>(state.range(0)));
        platform::FakeClock clock;
        cafe::SenderOptions options;
        options.dataFile = backlog.path;
        options.password = db::kDataFilePassword;
        // From the sender's start (its own opening of the data file included) to an
        // empty outbox.
        const auto start = std::chrono::steady_clock::now();
        cafe::Sender sender(std::make_unique<InstantServer>(), clock, options);
        while (sender.rounds() == 0 || sender.backlog().waiting > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["sessions"] = double(state.range(0));
}
BENCHMARK(BM_DeliverBacklog)
    ->Arg(10000)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

// How long one booking on the user-interface thread takes while the sender drains a
// backlog beside it (the two connections share the data file); Arg 0: with no sender.
void BM_BookWhileDelivering(benchmark::State& state) {
    Backlog backlog(10000);
    platform::FakeClock clock;
    cafe::SenderOptions options;
    options.dataFile = backlog.path;
    options.password = db::kDataFilePassword;
    std::unique_ptr<cafe::Sender> sender;
    if (state.range(0))
        sender = std::make_unique<cafe::Sender>(std::make_unique<InstantServer>(), clock, options);
    int i = 0;
    for (auto _ : state) {
        db::OutboxWrite write;
        write.entry = {0, "new" + std::to_string(++i), "2026-12-05", 0, 0, 900, 2500, "Rs"};
        if (db::AddSessionToDailyTotals(*backlog.file, "12/05/2026", 25.0, write.entry.sessionId,
                                        &write) == db::Booking::Failed)
            state.SkipWithError("a booking failed");
        if (sender) sender->Queued();
    }
}
BENCHMARK(BM_BookWhileDelivering)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(200)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
