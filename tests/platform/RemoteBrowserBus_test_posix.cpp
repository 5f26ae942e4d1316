// The program's side of the guest's agent against scripted agents that misbehave: an
// agent that goes quiet, hangs up, talks nonsense, sends a line without end or answers
// another question is lost for good, at once and never past the deadline, and nothing
// more is asked of it.
#include "platform/atspi/RemoteBrowserBus.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>
#include <thread>

#include "support/Poll.h"

namespace quorvel::test {
namespace {

using namespace platform;
using namespace platform::atspi;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kDeadline = 300ms;
// Far more than any call may take past its deadline: a loaded machine is slow.
constexpr auto kSlack = 2s;

// What a scripted agent sends for a request line with sequence number `seq`; nullopt
// sends nothing, "" hangs up.
using Script = std::function<std::optional<std::string>(std::uint64_t seq)>;

// A listener on a name of its own that serves one connection with a script.
class ScriptedAgent {
  public:
    explicit ScriptedAgent(Script script)
        : name_("quorvel-test-watch-" + std::to_string(getpid()) + "-" +
                std::to_string(++counter_)) {
        std::string error;
        listener_ = ListenAbstract(name_, error);
        serving_ = std::thread([this, script = std::move(script)] { Serve(script); });
    }
    ~ScriptedAgent() {
        stop_ = true;
        serving_.join();
    }
    const std::string& name() const { return name_; }
    bool listening() const { return static_cast<bool>(listener_); }
    int requests() const { return requests_; }

  private:
    void Serve(const Script& script) {
        os::UniqueFd fd;
        while (!stop_ && !fd) {
            pollfd ready{listener_.get(), POLLIN, 0};
            if (::poll(&ready, 1, 10) == 1) fd.Reset(::accept4(listener_.get(), nullptr, nullptr, 0));
        }
        if (!fd) return;
        LineChannel channel(std::move(fd), 1 << 20);
        while (!stop_) {
            std::string line;
            const auto status = channel.Read(line, Clock::now() + 10ms);
            if (status == LineChannel::Status::TimedOut) continue;
            if (status != LineChannel::Status::Line) return;
            ++requests_;
            const auto answer = script(std::stoull(line));
            if (!answer) continue;
            if (answer->empty()) return;  // the channel goes, and the connection with it
            channel.Write(*answer, Clock::now() + 5s);
        }
    }

    static inline std::atomic<int> counter_ = 0;
    const std::string name_;
    os::UniqueFd listener_;
    std::atomic<bool> stop_ = false;
    std::atomic<int> requests_ = 0;
    std::thread serving_;
};

struct Misbehaviour {
    const char* what;
    Script script;
    bool lost;
};

class RemoteBrowserBusTest : public ::testing::TestWithParam<Misbehaviour> {};

TEST_P(RemoteBrowserBusTest, AnAgentThatAnswersWronglyIsLostForGoodWithinTheDeadline) {
    ScriptedAgent agent(GetParam().script);
    ASSERT_TRUE(agent.listening());
    RemoteBrowserBus bus(agent.name(), getuid(), kDeadline);

    const auto start = Clock::now();
    EXPECT_FALSE(bus.Reachable(250ms));
    EXPECT_LT(Clock::now() - start, kDeadline + kSlack);
    EXPECT_EQ(bus.Lost(), GetParam().lost);
    if (!GetParam().lost) return;

    // Lost stays lost: nothing more is asked, and every call fails at once.
    const auto after = Clock::now();
    EXPECT_FALSE(bus.Reachable(250ms));
    EXPECT_EQ(bus.ChildCount(1), std::nullopt);
    EXPECT_EQ(bus.Text(1), std::nullopt);
    EXPECT_FALSE(bus.SwitchOn(100ms));
    EXPECT_LT(Clock::now() - after, kDeadline);
    EXPECT_TRUE(bus.Lost());
    EXPECT_EQ(agent.requests(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Agents, RemoteBrowserBusTest,
    ::testing::Values(
        Misbehaviour{"GoesQuiet", [](std::uint64_t) { return std::nullopt; }, true},
        Misbehaviour{"HangsUp", [](std::uint64_t) { return std::string(); }, true},
        Misbehaviour{"TalksNonsense", [](std::uint64_t) { return std::string("hello there"); },
                     true},
        Misbehaviour{"SendsALineWithoutEnd",
                     [](std::uint64_t) { return std::string(3 << 20, 'a'); }, true},
        Misbehaviour{"AnswersAnotherQuestion",
                     [](std::uint64_t seq) { return std::to_string(seq + 1) + " ok"; }, true},
        Misbehaviour{"AnswersWithFieldsItWasNotAskedFor",
                     [](std::uint64_t seq) { return std::to_string(seq) + " ok 1"; }, true},
        // A call that failed on the agent's side is an answer: the agent is kept.
        Misbehaviour{"SaysTheCallFailed",
                     [](std::uint64_t seq) { return std::to_string(seq) + " fail"; }, false}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(RemoteBrowserBus, AnAgentRunningAsAnotherAccountIsToldNothing) {
    ScriptedAgent agent([](std::uint64_t seq) { return std::to_string(seq) + " ok"; });
    ASSERT_TRUE(agent.listening());
    RemoteBrowserBus bus(agent.name(), getuid() + 1, kDeadline);
    EXPECT_FALSE(bus.Reachable(250ms));
    EXPECT_TRUE(bus.Lost());
    EXPECT_EQ(agent.requests(), 0);
}

TEST(RemoteBrowserBus, AnAgentThatTakesNoConnectionHoldsNoCallPastTheDeadline) {
    // Its listener's backlog fills up: connecting must not wait for it to make room.
    std::string error;
    const std::string name = "quorvel-test-watch-full-" + std::to_string(getpid());
    const os::UniqueFd listener = ListenAbstract(name, error);
    ASSERT_TRUE(listener) << error;
    std::vector<std::unique_ptr<RemoteBrowserBus>> buses;
    for (int i = 0; i < 20; ++i) {
        buses.push_back(std::make_unique<RemoteBrowserBus>(name, getuid(), kDeadline));
        const auto start = Clock::now();
        EXPECT_FALSE(buses.back()->SwitchOn(100ms));
        EXPECT_LT(Clock::now() - start, kDeadline + kSlack) << "connection " << i;
    }
}

TEST(RemoteBrowserBus, AMissingAgentIsLookedForAWhileAndThenLost) {
    RemoteBrowserBus bus("quorvel-test-watch-none-" + std::to_string(getpid()), getuid(),
                         kDeadline, 500ms);
    EXPECT_FALSE(bus.Reachable(250ms));
    EXPECT_FALSE(bus.Lost()) << "an agent may still be starting";
    EXPECT_TRUE(PollUntil([&] { return !bus.Reachable(250ms) && bus.Lost(); }, 10s));
}

}  // namespace
}  // namespace quorvel::test
