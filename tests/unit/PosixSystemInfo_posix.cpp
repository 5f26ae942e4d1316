// Linux stands in for a Windows version that never takes the Windows 9x paths.
#include "platform/posix/PosixSystemInfo.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"

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

TEST(PosixSystemInfo, SharedDataIsFoundWhereInstalledElseBesideTheBuiltProgram) {
    namespace fs = std::filesystem;
    TempDir dir;
    const fs::path installed = dir.path() / "usr";
    fs::create_directories(installed / "bin");
    fs::create_directories(installed / "share" / "quorvel");
    EXPECT_EQ(platform::SharedDataFolderFor((installed / "bin" / "quorvel").string()),
              (installed / "share" / "quorvel").string());

    const fs::path build = dir.path() / "src" / "build";
    fs::create_directories(build / "data");
    EXPECT_EQ(platform::SharedDataFolderFor((build / "quorvel").string()),
              (build / "data").string());

    EXPECT_EQ(platform::SharedDataFolderFor((dir.path() / "quorvel").string()), "");
}

}  // namespace
}  // namespace quorvel::test
