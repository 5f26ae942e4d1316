// The agent's side of the browser watch against a bus that never comes up, comes up
// late, or goes away once up, with the program's own side (RemoteBrowserBus) asking:
// the agent serves only while its bus lives, and once it gives the bus up the program
// takes the watch for lost. The bus the agent has is the guest's, so its look for the
// bus must not set the limit the program's calls wait.
#include "platform/atspi/WatchServer.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

#include "platform/atspi/RemoteBrowserBus.h"
#include "support/Poll.h"

namespace quorvel::test {
namespace {

using namespace platform;
using namespace platform::atspi;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// How long the agent waits for its bus here; the program's own call limit, unlike any
// the agent would choose.
constexpr auto kBusLimit = 1500ms;
constexpr auto kProgramsLimit = 123ms;

// A bus that can be reached from `up` after it was made on (never when empty), and is
// lost from `gone` on. It shows no application; it notes the call limit last set.
class TimedBus final : public BrowserBus {
  public:
    TimedBus(std::optional<std::chrono::milliseconds> up,
             std::optional<std::chrono::milliseconds> gone)
        : made_(Clock::now()), up_(up), gone_(gone) {}

    bool Reachable(std::chrono::milliseconds callLimit) override {
        if (!Since(up_) || Lost()) return false;
        limit = callLimit;
        return true;
    }
    bool Lost() const override { return Since(gone_); }
    std::optional<std::vector<ObjectId>> Applications() override {
        if (!Since(up_) || Lost()) return std::nullopt;
        return std::vector<ObjectId>{};
    }
    std::optional<int> ChildCount(ObjectId) override { return std::nullopt; }
    std::optional<ObjectId> ChildAt(ObjectId, int) override { return std::nullopt; }
    std::optional<std::string> Name(ObjectId) override { return std::nullopt; }
    std::optional<std::uint32_t> ProcessId(ObjectId) override { return std::nullopt; }
    std::optional<bool> IsFrame(ObjectId) override { return std::nullopt; }
    std::optional<bool> HasAttribute(ObjectId, const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::optional<ObjectId> FindDescendant(ObjectId, const std::string&,
                                           const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> Text(ObjectId) override { return std::nullopt; }
    std::optional<std::string> PageAddress(ObjectId, const std::string&) override {
        return std::nullopt;
    }
    std::optional<ScreenRect> Extents(ObjectId) override { return std::nullopt; }
    bool GrabFocus(ObjectId) override { return false; }
    std::optional<bool> HasState(ObjectId, ObjectState) override { return std::nullopt; }
    void Release(ObjectId) override {}
    void Dispatch() override {}
    bool SwitchOn(std::chrono::milliseconds) override { return true; }

    // The call limit the bus was last reached with.
    std::optional<std::chrono::milliseconds> limit;

  private:
    bool Since(std::optional<std::chrono::milliseconds> after) const {
        return after && Clock::now() - made_ >= *after;
    }
    const Clock::time_point made_;
    const std::optional<std::chrono::milliseconds> up_, gone_;
};

struct BusFate {
    const char* what;
    std::optional<std::chrono::milliseconds> up, gone;
    bool lost;
};

class WatchServerTest : public ::testing::TestWithParam<BusFate> {};

TEST_P(WatchServerTest, ServesOnlyWhileItsBusLives) {
    const BusFate& fate = GetParam();
    const std::string name = "quorvel-test-watchserver-" + std::to_string(getpid());
    WatchServer server(name, getuid());
    ASSERT_TRUE(server.listening()) << server.error();
    TimedBus bus(fate.up, fate.gone);
    std::atomic<bool> stop = false;
    std::thread serving([&] { server.Run(bus, stop, 20ms, kBusLimit); });

    // The program's watch, asking as it does: until the bus is reached, then about it.
    RemoteBrowserBus program(name, getuid(), 1s, 1s);
    const bool lost = PollUntil(
        [&] {
            if (program.Reachable(kProgramsLimit)) program.Applications();
            return program.Lost();
        },
        kBusLimit + 1s);
    stop = true;
    serving.join();

    EXPECT_EQ(lost, fate.lost);
    EXPECT_EQ(server.listening(), !fate.lost);
    EXPECT_EQ(server.error().empty(), !fate.lost) << server.error();
    EXPECT_EQ(static_cast<bool>(ConnectAbstract(name)), !fate.lost)
        << "a bus given up is given up for good: no new connection is taken";
    if (!fate.lost) {
        EXPECT_EQ(bus.limit, kProgramsLimit) << "the agent's own look set the limit";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fates, WatchServerTest,
    ::testing::Values(BusFate{"NeverComesUp", std::nullopt, std::nullopt, true},
                      BusFate{"GoesAwayOnceUp", 0ms, 300ms, true},
                      BusFate{"ComesUpLateButInTime", 300ms, std::nullopt, false}),
    [](const auto& info) { return std::string(info.param.what); });

}  // namespace
}  // namespace quorvel::test
