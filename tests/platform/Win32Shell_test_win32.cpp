// Programs started through the shell run on their own; one that cannot start is
// reported.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/win32/Win32Shell.h"
#include "support/Poll.h"
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
    EXPECT_TRUE(PollUntil([&] { return std::filesystem::exists(marker); }));

    EXPECT_FALSE(shell.StartProgram((dir.path() / "no-such-program.exe").string(), 1));
    EXPECT_FALSE(shell.StartProgram("", 1));
}

}  // namespace
}  // namespace quorvel::test
