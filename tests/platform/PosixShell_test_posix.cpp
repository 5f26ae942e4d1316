#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <sstream>
#include <thread>

#include "platform/posix/PosixShell.h"
#include "support/TempDir.h"

namespace quorvel::test {
namespace {

bool WaitFor(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return condition();
}

TEST(PosixShellTest, StartsAProgramInASessionOfItsOwnReapsItAndReportsOneThatCannotStart) {
    TempDir dir;
    const auto script = dir.path() / "launch.sh";
    const auto marker = dir.path() / "started";
    // The program's process and session ids (first and sixth fields of its stat line).
    WriteFileBytes(script, "#!/bin/sh\nset -- $(cat /proc/$$/stat)\necho $1 $6 > '" +
                               marker.string() + ".tmp'\nmv '" + marker.string() + ".tmp' '" +
                               marker.string() + "'\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);

    platform::PosixShell shell;
    ASSERT_TRUE(shell.StartProgram(script.string(), 1));
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(marker); }));
    std::istringstream ids(ReadFileBytes(marker));
    pid_t pid = 0, session = 0;
    ASSERT_TRUE(ids >> pid >> session);
    EXPECT_NE(session, ::getsid(0));
    // Once it ends it is reaped: no zombie is left under its number.
    const auto entry = "/proc/" + std::to_string(pid);
    EXPECT_TRUE(WaitFor([&] { return !std::filesystem::exists(entry); }))
        << ReadFileBytes(entry + "/stat");

    EXPECT_FALSE(shell.StartProgram((dir.path() / "no-such-program").string(), 1));
    EXPECT_FALSE(shell.StartProgram("", 1));
}

}  // namespace
}  // namespace quorvel::test
