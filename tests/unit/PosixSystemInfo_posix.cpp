// Linux stands in for a Windows version that never takes the Windows 9x paths.
#include "platform/posix/PosixSystemInfo.h"

#include <gtest/gtest.h>

namespace quorvel::test {
namespace {

std::pair<int, int> Version(const char* release) {
    int major = -1, minor = -1;
    platform::ParseKernelRelease(release, major, minor);
    platform::KeepOutOfWindows9x(major, minor);
    return {major, minor};
}

TEST(PosixSystemInfo, KernelVersionStandsForTheWindowsVersionButNeverA9xOne) {
    EXPECT_EQ(Version("6.1.0-18-amd64"), std::make_pair(6, 1));
    EXPECT_EQ(Version("5.10.0"), std::make_pair(5, 10));
    EXPECT_EQ(Version("4.19.0-25-amd64"), std::make_pair(5, 0));
    EXPECT_EQ(Version("4.9.0"), std::make_pair(5, 0));
    EXPECT_EQ(Version("3.10"), std::make_pair(5, 0));
    EXPECT_EQ(Version("unknown"), std::make_pair(5, 0));

    int major = -1, minor = -1;
    platform::PosixSystemInfo().OsVersion(major, minor);
    EXPECT_GE(major, 5);
}

}  // namespace
}  // namespace quorvel::test
