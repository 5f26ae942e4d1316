// Programs started through the shell run on their own; one that cannot start is
// reported.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/win32/Win32Shell.h"
#include "support/TempDir.h"

namespace quorvel::test {
namespace {

TEST(Win32Shell, StartsAProgramAndReportsOneThatCannotStart) {
    TempDir dir;
    const auto script = dir.path() / "launch.bat";
    const auto marker = dir.path() / "started";
    WriteFileBytes(script, "@echo started> \"" + marker.string() + "\"\r\n");

    platform::Win32Shell shell;
    ASSERT_TRUE(shell.StartProgram(script.string(), 0));
    // The program runs on its own: wait for the mark it leaves.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!std::filesystem::exists(marker) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(std::filesystem::exists(marker));

    EXPECT_FALSE(shell.StartProgram((dir.path() / "no-such-program.exe").string(), 1));
    EXPECT_FALSE(shell.StartProgram("", 1));
}

}  // namespace
}  // namespace quorvel::test
