#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/posix/PosixSystemInfo.h"
#include "startup/StartupLogic.h"
#include "support/TempDir.h"

namespace quorvel::test {
namespace {

std::pair<int, int> Version(const char* release) {
    int major = -1, minor = -1;
    platform::VersionOfKernelRelease(release, major, minor);
    return {major, minor};
}

// Linux stands for a Windows of the NT family: never a version that takes the paths
// of Windows 9x (4.9 and below).
TEST(PosixSystemInfo, KernelReleaseGivesAVersionOfFiveOrMore) {
    EXPECT_EQ(Version("6.1.0-18-amd64"), std::make_pair(6, 1));
    EXPECT_EQ(Version("5.10.0"), std::make_pair(5, 10));
    EXPECT_EQ(Version("4.19.0-26-amd64"), std::make_pair(5, 0));
    EXPECT_EQ(Version("3.2"), std::make_pair(5, 0));
    EXPECT_EQ(Version(""), std::make_pair(5, 0));
    EXPECT_EQ(Version("6"), std::make_pair(6, 0));
    EXPECT_GT(*startup::OsVersionNumber(Version("4.9.0").first, Version("4.9.0").second), 4.9);
}

TEST(PosixSystemInfo, FoldersFollowTheXdgBaseDirectories) {
    TempDir dir;
    const std::string state = (dir.path() / "state").string();
    ::setenv("XDG_STATE_HOME", state.c_str(), 1);
    ::setenv("XDG_DATA_HOME", (dir.path() / "data").c_str(), 1);
    platform::PosixSystemInfo info;
    EXPECT_EQ(info.SystemDirectory(), state + "/Quorvel");
    EXPECT_TRUE(std::filesystem::is_directory(state + "/Quorvel"));  // made on first use
    EXPECT_EQ(info.ProgramFolder(), (dir.path() / "data" / "Quorvel").string());
    ::unsetenv("XDG_STATE_HOME");
    ::unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace quorvel::test
