// A session tick writes two values a second; the program can be killed (or the PC
// switched off) at any moment. Whatever the moment, the store must open afterwards
// and each value must hold either its old or its new data.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <string>

#include "PosixProcess.h"
#include "platform/posix/HiveRegistry.h"
#include "store/mdlRegistry.h"
#include "support/TempDir.h"

namespace quorvel::test {
namespace {

using platform::HiveRegistry;
using platform::kHkeyCurrentUser;
using store::kTimersKey;

// A text spread over several database pages, so a half-done write would show as a
// mix of two counters or a short text.
std::string Payload(long counter) {
    std::string text;
    const std::string part = std::to_string(counter) + ";";
    while (text.size() < 6000) text += part;
    return text;
}

// The counter a stored payload was written with, or -1 when it is not one whole payload.
long Decode(const store::Variant& value) {
    std::string text = value.ToText();
    if (text.empty() || text.back() != '\0') return -1;
    text.pop_back();
    const long counter = std::strtol(text.c_str(), nullptr, 10);
    return text == Payload(counter) ? counter : -1;
}

// The child: counts up from what the store holds, writing both values each round,
// until it is killed. It never returns.
[[noreturn]] void WriteUntilKilled(const std::string& path, int ready) {
    HiveRegistry hive(path);
    store::mdlRegistry settings(hive);
    long counter = Decode(settings.ReadSetting(kHkeyCurrentUser, kTimersKey, "Elapsed"));
    const char ok = hive.ok() && counter >= 0 ? '1' : '0';
    if (write(ready, &ok, 1) != 1 || ok != '1') _exit(3);
    close(ready);
    while (true) {
        ++counter;
        settings.WriteSetting(kHkeyCurrentUser, kTimersKey, "Elapsed", Payload(counter), 1);
        settings.WriteSetting(kHkeyCurrentUser, kTimersKey, "Amount", Payload(counter), 1);
    }
}

TEST(HiveDurability, KilledAtRandomMomentsEachValueHoldsItsOldOrNewData) {
    TempDir dir;
    const std::string path = dir.file("Quorvel/registry.db");
    {
        HiveRegistry hive(path);
        store::mdlRegistry settings(hive);
        settings.CreateSettingsKey(kHkeyCurrentUser, kTimersKey);
        settings.WriteSetting(kHkeyCurrentUser, kTimersKey, "Elapsed", Payload(0), 1);
        settings.WriteSetting(kHkeyCurrentUser, kTimersKey, "Amount", Payload(0), 1);
    }
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delayUs(0, 15000);

    long lastElapsed = 0, lastAmount = 0;
    // Fifty kills at least, and more while too few writes have finished between them: on
    // a busy machine the writer may be killed before its first write again and again.
    for (int kill = 0; kill < 50 || (lastAmount <= 10 && kill < 1000); ++kill) {
        const KilledChild child =
            KillWhileWorking([&](int ready) { WriteUntilKilled(path, ready); },
                             std::chrono::microseconds(delayUs(random)));
        ASSERT_TRUE(child.started) << "the writer could not open the store (round " << kill << ")";
        ASSERT_TRUE(child.killed);

        HiveRegistry hive(path);
        ASSERT_TRUE(hive.ok()) << hive.error() << " (round " << kill << ")";
        store::mdlRegistry settings(hive);
        const long elapsed = Decode(settings.ReadSetting(kHkeyCurrentUser, kTimersKey, "Elapsed"));
        const long amount = Decode(settings.ReadSetting(kHkeyCurrentUser, kTimersKey, "Amount"));
        ASSERT_GE(elapsed, 0) << "Elapsed is not a whole write (round " << kill << ")";
        ASSERT_GE(amount, 0) << "Amount is not a whole write (round " << kill << ")";
        // Elapsed is written first in every round, so Amount is never ahead of it;
        // and a write that finished is never lost.
        EXPECT_LE(amount, elapsed) << "round " << kill;
        EXPECT_GE(elapsed, lastElapsed) << "round " << kill;
        EXPECT_GE(amount, lastAmount) << "round " << kill;
        lastElapsed = elapsed;
        lastAmount = amount;
    }
    // The kills did land among writes, not only before the first one.
    EXPECT_GT(lastAmount, 10);
}

}  // namespace
}  // namespace quorvel::test
