#include <gtest/gtest.h>

#include <filesystem>

#include "platform/win32/Win32SystemInfo.h"

namespace quorvel::test {
namespace {

namespace fs = std::filesystem;

// The Wine prefix made by scripts/wine-tests reports Windows 7, Wine's default.
TEST(Win32SystemInfo, VersionIsTheOnesWineReports) {
    platform::Win32SystemInfo info;
    int major = -1, minor = -1;
    info.OsVersion(major, minor);
    EXPECT_EQ(major, 6);
    EXPECT_EQ(minor, 1);
}

// The session log is the system directory followed by "\ScanregLog.log": the
// directory must exist and must not end in a separator.
TEST(Win32SystemInfo, SystemDirectoryExistsAndHasNoTrailingSeparator) {
    platform::Win32SystemInfo info;
    const std::string dir = info.SystemDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_NE(dir.back(), '\\');
    EXPECT_NE(dir.back(), '/');
    EXPECT_TRUE(fs::is_directory(dir)) << dir;
    EXPECT_TRUE(fs::exists(dir + "\\kernel32.dll")) << dir;
}

TEST(Win32SystemInfo, ProgramFolderHoldsTheRunningExecutable) {
    platform::Win32SystemInfo info;
    const std::string folder = info.ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '\\');
    EXPECT_TRUE(fs::exists(folder + "\\platform_tests.exe")) << folder;
}

}  // namespace
}  // namespace quorvel::test
