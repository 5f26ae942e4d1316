// Linux stands in for a Windows version that never takes the Windows 9x paths.
#include "platform/posix/PosixSystemInfo.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <optional>

#include "platform/posix/XdgPaths.h"

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

// Sets (or, with nullopt, unsets) environment variables until it goes.
class ScopedEnv {
  public:
    explicit ScopedEnv(const std::map<std::string, std::optional<std::string>>& values) {
        for (const auto& [name, value] : values) {
            const char* old = std::getenv(name.c_str());
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
            Set(name, value);
        }
    }
    ~ScopedEnv() {
        for (const auto& [name, value] : saved_) Set(name, value);
    }

  private:
    static void Set(const std::string& name, const std::optional<std::string>& value) {
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
    std::map<std::string, std::optional<std::string>> saved_;
};

// A relative XDG folder is ignored and an unset or relative HOME is looked up in the
// password database: the files never land in the current folder.
TEST(XdgPaths, OnlyAbsoluteFoldersAreUsed) {
    const std::string account = ::getpwuid(::getuid())->pw_dir;
    const struct {
        std::optional<std::string> xdg, home;
        std::string base;
    } cases[] = {
        {"/x", "/h", "/x"},
        {"rel", "/h", "/h/.config"},
        {"", "/h", "/h/.config"},
        {std::nullopt, std::nullopt, account + "/.config"},
        {"rel", "relative/home", account + "/.config"},
    };
    for (const auto& c : cases) {
        ScopedEnv env({{"XDG_CONFIG_HOME", c.xdg}, {"HOME", c.home}});
        EXPECT_EQ(platform::XdgSettingsStorePath(), c.base + "/Quorvel/registry.db")
            << c.xdg.value_or("(unset)") << " " << c.home.value_or("(unset)");
        std::string why;
        EXPECT_TRUE(platform::XdgPathsKnown(why)) << why;
    }
    ScopedEnv relative({{"XDG_DATA_HOME", "data"}, {"XDG_STATE_HOME", "state"}, {"HOME", "/h"}});
    EXPECT_EQ(platform::XdgProgramFolder(), "/h/.local/share/Quorvel");
    EXPECT_EQ(platform::XdgSystemDirectory(), "/h/.local/state/Quorvel");
}

}  // namespace
}  // namespace quorvel::test
