// Start-up's own cost apart from the fixed 3000 ms timer: the compaction of the data
// file (through the copy in the system directory, replaced atomically) and the
// opening of the shared connection, on a data file holding ten years of daily rows.
// Target: under 150 ms. The key derivation of SQLCipher (PBKDF2, 64000 rounds) is
// paid twice, once by each open; the cases below show the parts.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "db/Compaction.h"
#include "db/Database.h"

namespace {

using namespace quorvel;
namespace fs = std::filesystem;

class ScratchDir {
  public:
    ScratchDir() {
        std::random_device random;
        path_ = fs::temp_directory_path() / ("quorvel-bench-" + std::to_string(random()));
        if (!fs::create_directory(path_)) std::abort();
    }
    ~ScratchDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

// Program folder with a data file as a cafe has it after ten years: one row per day,
// the two logins, the rates and the tail of booked session identities.
struct TenYears {
    ScratchDir dir;
    std::string program = (dir.path() / "Quorvel").string();
    std::string sysDir = (dir.path() / "state").string();

    TenYears() {
        fs::create_directories(fs::path(program) / "Data");
        fs::create_directories(sysDir);
        std::string error;
        auto file = db::Database::Create(db::DataFilePath(program), db::kDataFilePassword, error);
        if (!file) std::abort();
        db::AddLogin(*file, "admin", "admin-password");
        db::AddLogin(*file, "guest", "guest-password");
        db::WriteRates(*file, {"10", "15", "20", "25"});
        file->connection().Exec("PRAGMA synchronous=OFF");
        int booked = 0;
        for (int year = 2016; year < 2026; ++year)
            for (int month = 1; month <= 12; ++month)
                for (int day = 1; day <= 30; ++day) {
                    if (month == 2 && day > 28) continue;
                    const std::string text = db::DayText(year, month, day);
                    db::AddSessionToDailyTotals(*file, text, 25.5, "s" + std::to_string(++booked));
                }
    }
};

TenYears& Data() {
    static TenYears data;
    return data;
}

void BM_CompactAndOpen(benchmark::State& state) {
    TenYears& data = Data();
    for (auto _ : state) {
        const auto errors = db::CompactDataFile(data.program, data.sysDir, db::kDataFilePassword);
        std::string error;
        auto conn =
            db::Database::Open(db::DataFilePath(data.program), db::kDataFilePassword, error);
        if (!errors.empty() || !conn) state.SkipWithError("start-up failed");
        benchmark::DoNotOptimize(conn);
    }
    state.counters["data_file_kB"] =
        static_cast<double>(fs::file_size(db::DataFilePath(data.program))) / 1024.0;
}
BENCHMARK(BM_CompactAndOpen)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_CompactOnly(benchmark::State& state) {
    TenYears& data = Data();
    for (auto _ : state) {
        const auto errors = db::CompactDataFile(data.program, data.sysDir, db::kDataFilePassword);
        if (!errors.empty()) state.SkipWithError("compaction failed");
    }
}
BENCHMARK(BM_CompactOnly)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_OpenOnly(benchmark::State& state) {
    TenYears& data = Data();
    for (auto _ : state) {
        std::string error;
        auto conn =
            db::Database::Open(db::DataFilePath(data.program), db::kDataFilePassword, error);
        if (!conn) state.SkipWithError("open failed");
        benchmark::DoNotOptimize(conn);
    }
}
BENCHMARK(BM_OpenOnly)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
