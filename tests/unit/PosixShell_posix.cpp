#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/posix/PosixShell.h"
#include "support/TempDir.h"

namespace quorvel::test {
namespace {

TEST(PosixShellTest, StartsAProgramDetachedAndReportsOneThatCannotStart) {
    TempDir dir;
    const auto script = dir.path() / "launch.sh";
    const auto marker = dir.path() / "started";
    WriteFileBytes(script, "#!/bin/sh\necho $PPID > '" + marker.string() + "'\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);

    platform::PosixShell shell;
    ASSERT_TRUE(shell.StartProgram(script.string(), 1));
    // The program runs on its own: wait for the mark it leaves.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!std::filesystem::exists(marker) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(std::filesystem::exists(marker));

    EXPECT_FALSE(shell.StartProgram((dir.path() / "no-such-program").string(), 1));
    EXPECT_FALSE(shell.StartProgram("", 1));
}

}  // namespace
}  // namespace quorvel::test
