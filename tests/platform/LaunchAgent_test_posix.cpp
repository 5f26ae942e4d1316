// Quick launch for real: the stored program started as this account's child (a
// developer's desktop), and through the launch agent of the guest's session (a cafe
// PC), which serves only the program's account and is trusted only when it runs as
// the desktop's account.
#include <pwd.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "platform/posix/LaunchAgent.h"
#include "platform/posix/PosixShell.h"
#include "session/TimerControls.h"
#include "support/Poll.h"
#include "support/TempDir.h"
#include "support/TestPlatform.h"

namespace quorvel::test {
namespace {

using platform::kHkeyCurrentUser;

// A program that leaves a mark when it runs.
struct MarkingProgram {
    explicit MarkingProgram(const TempDir& dir)
        : path(dir.path() / "launched.sh"), mark(dir.path() / "launched") {
        WriteFileBytes(path, "#!/bin/sh\nid -u > '" + mark.string() + "'\n");
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    }
    // Waits for the mark.
    bool Ran() const {
        return PollUntil([&] { return std::filesystem::exists(mark); });
    }
    std::filesystem::path path, mark;
};

std::string ThisAccount() {
    const passwd* me = getpwuid(getuid());
    return me ? me->pw_name : "";
}

TEST(QuickLaunchTest, TheStoredProgramStartsAsAChildAndAMissingOneDoesNot) {
    TempDir dir;
    MarkingProgram program(dir);
    TestPlatform t;
    platform::PosixShell shell;
    store::Platform os = t.pv.os;
    store::publicVar pv({os.registry, os.windows, os.desktop, os.instance, shell, os.systemInfo,
                         os.locale, os.clock, os.guestDesktop});
    pv.settings.WriteSetting(kHkeyCurrentUser, store::kProgramsKey, "Marker", program.path.string(),
                             platform::kRegSz);
    pv.settings.WriteSetting(kHkeyCurrentUser, store::kProgramsKey, "Gone",
                             (dir.path() / "no-such-program").string(), platform::kRegSz);
    EXPECT_FALSE(session::LaunchProgram(pv, "Gone"));
    EXPECT_FALSE(session::LaunchProgram(pv, "Unlisted"));
    ASSERT_TRUE(session::LaunchProgram(pv, "Marker"));
    EXPECT_TRUE(program.Ran());
}

// Who the agent serves and whom the program trusts as the agent.
struct Pairing {
    const char* what;
    bool agentServesUs;  // else it serves another account
    bool shellTrustsUs;  // else it expects the agent to run as another account
    bool programExists;
    bool started;
};

class AgentPairingTest : public ::testing::TestWithParam<Pairing> {};

TEST_P(AgentPairingTest, StartsOnlyBetweenTheTwoAccountsItIsMeantFor) {
    const Pairing& c = GetParam();
    TempDir dir;
    MarkingProgram program(dir);
    // A display name of this test's own, so that no other agent is in the way.
    const std::string display = ":quorvel-test-" + std::to_string(getpid());
    const uid_t other = getuid() == 0 ? 65534 : 0;
    platform::LaunchAgent agent(platform::LaunchAgentName(display),
                                c.agentServesUs ? getuid() : other);
    ASSERT_TRUE(agent.listening()) << agent.error();
    std::thread serving([&] { agent.ServeOne(); });

    const std::string trusted =
        c.shellTrustsUs ? ThisAccount() : (getuid() == 0 ? "nobody" : "root");
    platform::AgentShell shell(trusted, display);
    const std::string path =
        c.programExists ? program.path.string() : (dir.path() / "no-such-program").string();
    const bool started = shell.StartProgram(path, session::kShowMinimized);
    serving.join();
    EXPECT_EQ(started, c.started);
    // A refused request is refused before anything starts: the agent answers only
    // after it has started the program.
    if (c.started) {
        EXPECT_TRUE(program.Ran());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pairings, AgentPairingTest,
    ::testing::Values(Pairing{"ProgramAsksItsAgent", true, true, true, true},
                      Pairing{"AMissingProgramIsSaid", true, true, false, false},
                      Pairing{"AnotherAccountIsHungUpOn", false, true, true, false},
                      Pairing{"AnAgentOfAnotherAccountIsNotTrusted", true, false, true, false}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(LaunchAgentTest, WithNoAgentNothingStarts) {
    platform::AgentShell shell(ThisAccount(), ":quorvel-test-none-" + std::to_string(getpid()));
    EXPECT_FALSE(shell.StartProgram("/bin/true", session::kShowMinimized));
    EXPECT_FALSE(shell.OpenAddress(session::kProductPage));
}

TEST(LaunchAgentTest, ASecondAgentForTheSameDisplayIsRefused) {
    const std::string name =
        platform::LaunchAgentName(":quorvel-test-twice-" + std::to_string(getpid()));
    platform::LaunchAgent first(name, getuid());
    ASSERT_TRUE(first.listening());
    platform::LaunchAgent second(name, getuid());
    EXPECT_FALSE(second.listening());
    EXPECT_FALSE(second.error().empty());
}

}  // namespace
}  // namespace quorvel::test
