// The session tick writes the displayed elapsed time and the amount owed once a
// second. This measures that pair of writes as the program makes them (WriteSetting
// into an on-disk store, each write one durable transaction), and, for comparison,
// the same pair through QSettings' INI backend with sync() after each pair.
// Reported per pair: median and 99th percentile latency. Target: p99 under 5 ms.
// A third case measures the disk alone (two fdatasync'd appends), the floor any
// durable store pays for two separate writes.
#include <fcntl.h>
#include <unistd.h>

#include <benchmark/benchmark.h>
#include <QSettings>
#include <QString>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/posix/HiveRegistry.h"
#include "store/mdlRegistry.h"

namespace {

using namespace quorvel;

constexpr int kTicks = 1000;

// A scratch folder in /tmp, on the same disk a cafe PC's home folder would be.
class ScratchDir {
  public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quorvel-bench-XXXXXX");
        if (!mkdtemp(pattern.data())) std::abort();
        path_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

// The texts a running session writes: "h : m : s" and a whole amount.
std::string ElapsedText(long tick) {
    return std::to_string(tick / 3600) + " : " + std::to_string(tick / 60 % 60) + " : " +
           std::to_string(tick % 60);
}

// Times each pair on its own and reports the median and the 99th percentile.
template <class WritePair>
void MeasureTicks(benchmark::State& state, WritePair writePair) {
    std::vector<double> micros;
    micros.reserve(kTicks);
    long tick = 0;
    for (auto _ : state) {
        ++tick;
        const auto start = std::chrono::steady_clock::now();
        writePair(tick);
        const auto end = std::chrono::steady_clock::now();
        micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    std::sort(micros.begin(), micros.end());
    const auto at = [&](double q) {
        return micros[std::min(micros.size() - 1, static_cast<std::size_t>(q * micros.size()))];
    };
    state.counters["median_ms"] = at(0.50) / 1000;
    state.counters["p99_ms"] = at(0.99) / 1000;
    state.counters["max_ms"] = micros.back() / 1000;
}

void WriteSettingPair(benchmark::State& state) {
    ScratchDir dir;
    platform::HiveRegistry hive(dir.file("Quorvel/registry.db"));
    if (!hive.ok()) {
        state.SkipWithError(hive.error().c_str());
        return;
    }
    const store::mdlRegistry settings(hive);
    settings.CreateSettingsKey(platform::kHkeyCurrentUser, store::kTimersKey);
    MeasureTicks(state, [&](long tick) {
        settings.WriteSetting(platform::kHkeyCurrentUser, store::kTimersKey, "Elapsed",
                              ElapsedText(tick), 1);
        settings.WriteSetting(platform::kHkeyCurrentUser, store::kTimersKey, "Amount",
                              std::to_string(tick / 900 * 10 + 10), 1);
    });
}

void QSettingsIniPair(benchmark::State& state) {
    ScratchDir dir;
    QSettings ini(QString::fromStdString(dir.file("Quorvel.ini")), QSettings::IniFormat);
    MeasureTicks(state, [&](long tick) {
        ini.setValue("Timers/Elapsed", QString::fromStdString(ElapsedText(tick)));
        ini.setValue("Timers/Amount", QString::number(tick / 900 * 10 + 10));
        ini.sync();
    });
    if (ini.status() != QSettings::NoError) state.SkipWithError("QSettings could not write");
}

// The floor the disk sets: two appends, each made durable with fdatasync, as two
// durable commits need at least. Shows how much of the store's time is the disk's.
void TwoDurableAppends(benchmark::State& state) {
    ScratchDir dir;
    const int fd = open(dir.file("probe").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (fd < 0) {
        state.SkipWithError("cannot create the probe file");
        return;
    }
    MeasureTicks(state, [&](long tick) {
        const std::string line = ElapsedText(tick) + "\n";
        for (int i = 0; i < 2; ++i)
            if (write(fd, line.data(), line.size()) < 0 || fdatasync(fd) != 0) std::abort();
    });
    close(fd);
}

BENCHMARK(TwoDurableAppends)->Iterations(kTicks)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(WriteSettingPair)->Iterations(kTicks)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(QSettingsIniPair)->Iterations(kTicks)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
