#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "platform/posix/PosixShell.h"
#include "support/Poll.h"
#include "support/TempDir.h"

namespace quorvel::test {
namespace {

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
    ASSERT_TRUE(PollUntil([&] { return std::filesystem::exists(marker); }));
    std::istringstream ids(ReadFileBytes(marker));
    pid_t pid = 0, session = 0;
    ASSERT_TRUE(ids >> pid >> session);
    EXPECT_NE(session, ::getsid(0));
    // Once it ends it is reaped: no zombie is left under its number.
    const auto entry = "/proc/" + std::to_string(pid);
    EXPECT_TRUE(PollUntil([&] { return !std::filesystem::exists(entry); }))
        << ReadFileBytes(entry + "/stat");

    EXPECT_FALSE(shell.StartProgram((dir.path() / "no-such-program").string(), 1));
    EXPECT_FALSE(shell.StartProgram("", 1));
}

}  // namespace
}  // namespace quorvel::test
