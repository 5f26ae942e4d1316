// A cafe's server, on a throwaway PostgreSQL cluster of this machine (the tests' own,
// tests/support/PgCluster: local socket, no disk flushes, so the figures are the
// program's and the server's work, not the disk's):
//   - a PC delivering a backlog of 10 000 sessions (after days without its server),
//     in one delivery and in deliveries of 100;
//   - `report --cafe` (its reading and building, without the process start) over 50
//     PCs x 365 days x 40 sessions a day = 730 000 sessions, for the whole cafe and by
//     PC. Target: under 1 s.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <iostream>
#include <sstream>

#include "cafe/CafeServer.h"
#include "cafe/Pg.h"
#include "panel/Report.h"
#include "support/PgCluster_posix.h"

namespace {

using namespace quorvel;

struct Cafe {
    test::PgCluster cluster;
    std::string database = cluster.NewDatabase();
    std::unique_ptr<cafe::OwnerConnection> owner = Open();

    std::unique_ptr<cafe::OwnerConnection> Open() {
        std::string error;
        auto connection = cafe::OwnerConnection::Open(cluster.SocketConninfo(database), error);
        if (!connection || !connection->InitServer(error)) {
            std::cerr << cluster.error() << error << "\n";
            std::abort();
        }
        return connection;
    }
    cafe::Membership Join(const std::string& name) {
        std::string error;
        bool added = false;
        const auto secret = owner->AddPc(name, added, error);
        const auto membership =
            secret ? cafe::JoinServer(cluster.SocketConninfo(database, ""), name, *secret, error)
                   : std::nullopt;
        if (!membership) {
            std::cerr << error << "\n";
            std::abort();
        }
        return *membership;
    }
};

Cafe& TheCafe() {
    static Cafe cafe;
    return cafe;
}

void DeliverBacklog(benchmark::State& state) {
    const std::size_t perDelivery = static_cast<std::size_t>(state.range(0));
    const auto link = cafe::OpenServerLink(TheCafe().Join("backlog" + std::to_string(perDelivery)));
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<cafe::ClosedSession> backlog;
        for (int n = 0; n < 10000; ++n)
            backlog.push_back({"r" + std::to_string(round) + "-" + std::to_string(n), "2026-03-01",
                               1772352000 + n, 1772352900 + n, 900, 250, "Rs"});
        ++round;
        state.ResumeTiming();
        for (std::size_t first = 0; first < backlog.size(); first += perDelivery) {
            const std::vector<cafe::ClosedSession> part(
                backlog.begin() + first,
                backlog.begin() + std::min(backlog.size(), first + perDelivery));
            if (!link->Deliver(part).ok) state.SkipWithError("a delivery failed");
        }
    }
}
BENCHMARK(DeliverBacklog)->Arg(10000)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(5);

// 730 000 sessions, written by the owner straight into the table (delivering them one
// PC at a time would only take longer to set up).
void FillAYear(Cafe& cafe) {
    std::string error;
    const auto sql = cafe::pg::Connect(cafe.cluster.SocketConninfo(cafe.database), error);
    for (int pc = 1; pc <= 50; ++pc) {
        bool added = false;
        cafe.owner->AddPc("pc" + std::to_string(pc), added, error);
    }
    const cafe::pg::Result filled = cafe::pg::Exec(
        sql.get(),
        "INSERT INTO quorvel.sessions (pc, session_id, day, started_at, ended_at, "
        "elapsed_seconds, amount_cents, currency) "
        "SELECT p.id, d || '-' || n, date '2025-01-01' + d, now(), now(), 900, "
        "100 + (d * 7 + n * 13) % 900, 'Rs' FROM quorvel.pcs p, generate_series(0, 364) d, "
        "generate_series(1, 40) n WHERE p.name LIKE 'pc%'");
    if (!filled.ok() || filled.Affected() != 730000) {
        std::cerr << filled.Error() << "\n";
        std::abort();
    }
    cafe::pg::Exec(sql.get(), "VACUUM ANALYZE quorvel.sessions");
}

void ReportCafe(benchmark::State& state) {
    Cafe& cafe = TheCafe();
    static const bool filled = (FillAYear(cafe), true);
    (void)filled;
    const bool byPc = state.range(0) != 0;
    for (auto _ : state) {
        std::string error;
        // As the command does it: connect, read, build every report.
        const auto owner =
            cafe::OwnerConnection::Open(cafe.cluster.SocketConninfo(cafe.database), error);
        const auto takings = owner->Takings("2025-01-01", "2025-12-31", error);
        if (!takings || !cafe::OneCurrency(*takings, error)) state.SkipWithError(error.c_str());
        std::size_t lines = 0;
        auto parts = byPc ? cafe::SplitByPc(*takings)
                          : std::vector<std::pair<std::string, std::vector<cafe::DayTakings>>>{};
        parts.emplace_back("", cafe::WholeCafe(*takings));
        for (const auto& [pc, days] : parts) {
            const auto rows = cafe::AsDayRows(days, error);
            const auto report = panel::BuildReport("01/01/2025", "12/31/2025", *rows, "", error);
            if (!report) state.SkipWithError(error.c_str());
            lines += report->lines.size();
        }
        benchmark::DoNotOptimize(lines);
    }
}
BENCHMARK(ReportCafe)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
