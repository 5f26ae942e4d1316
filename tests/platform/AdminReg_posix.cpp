// quorvel-admin reg, run as the cafe owner runs it, against a store in a fresh
// XDG_CONFIG_HOME; what it writes is read back the way the program reads it.
#ifdef QUORVEL_ADMIN
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "PosixProcess.h"
#include "platform/posix/HiveRegistry.h"
#include "store/mdlRegistry.h"
#include "support/TempDir.h"

namespace quorvel::test {
namespace {

using namespace std::string_literals;

const std::string kSettings = "Software\\Quorvel\\Settings";

class AdminReg : public ::testing::Test {
  protected:
    TempDir home;
    std::string store = home.file("Quorvel/registry.db");

    CommandResult Reg(std::vector<std::string> args) {
        args.insert(args.begin(), "reg");
        return RunWithConfigHome(QUORVEL_ADMIN, args, home.path().string());
    }
    store::Variant ReadAsTheProgramDoes(const std::string& key, const std::string& name) {
        platform::HiveRegistry hive(store);
        return store::mdlRegistry(hive).ReadSetting(platform::kHkeyCurrentUser, key, name);
    }
};

// A failure is one line on stderr, nothing on stdout.
void ExpectOneLineError(const CommandResult& result, int status, const std::string& mentions) {
    EXPECT_EQ(result.status, status) << result.err;
    EXPECT_EQ(result.out, "");
    ASSERT_FALSE(result.err.empty());
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
    EXPECT_NE(result.err.find(mentions), std::string::npos) << result.err;
}

TEST_F(AdminReg, ValuesGoIntoExistingKeysOnlyAndReadBackAsTheProgramReadsThem) {
    // No store yet: nothing to show, nothing to add to, and no file made by looking.
    ExpectOneLineError(Reg({"query", kSettings}), 1, kSettings);
    ExpectOneLineError(Reg({"add", kSettings, "/v", "Currency", "/t", "REG_SZ", "/d", "Rs"}), 1,
                       kSettings);
    EXPECT_FALSE(std::filesystem::exists(store));

    ASSERT_EQ(Reg({"addkey", "HKCU\\" + kSettings}).status, 0);
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"/v", "Currency", "/t", "REG_SZ", "/d", "Rs"},
             {"/v", "Blocking", "/t", "REG_DWORD", "/d", "1"},
             {"/v", "MinimumT", "/d", "010"},
             {"/v", "Wide", "/t", "REG_DWORD", "/d", "0xFFFFFFFF"},
             {"/v", "Ten", "/t", "REG_DWORD", "/d", "010"},
             {"/ve", "/d", "default"}}) {
        std::vector<std::string> command = {"add", kSettings};
        command.insert(command.end(), args.begin(), args.end());
        const auto result = Reg(command);
        EXPECT_EQ(result.status, 0) << args[1] << ": " << result.err;
    }
    EXPECT_EQ(ReadAsTheProgramDoes(kSettings, "Currency").ToText(), "Rs\0"s);
    EXPECT_EQ(ReadAsTheProgramDoes(kSettings, "MinimumT").ToText(), "010\0"s);
    EXPECT_EQ(ReadAsTheProgramDoes(kSettings, "Blocking"), store::Variant(1));
    EXPECT_EQ(ReadAsTheProgramDoes(kSettings, "Wide"), store::Variant(-1));
    EXPECT_EQ(ReadAsTheProgramDoes(kSettings, "Ten"), store::Variant(10));
    EXPECT_EQ(ReadAsTheProgramDoes(kSettings, "").ToText(), "default\0"s);

    const auto all = Reg({"query", kSettings});
    EXPECT_EQ(all.status, 0);
    EXPECT_EQ(all.out, "\nHKEY_CURRENT_USER\\" + kSettings +
                           "\n"
                           "    Currency    REG_SZ    Rs\n"
                           "    Blocking    REG_DWORD    0x1\n"
                           "    MinimumT    REG_SZ    010\n"
                           "    Wide    REG_DWORD    0xffffffff\n"
                           "    Ten    REG_DWORD    0xa\n"
                           "    (Default)    REG_SZ    default\n");
    const auto one = Reg({"query", kSettings, "/v", "Blocking"});
    EXPECT_EQ(one.status, 0);
    EXPECT_EQ(one.out,
              "\nHKEY_CURRENT_USER\\" + kSettings + "\n    Blocking    REG_DWORD    0x1\n");
    ExpectOneLineError(Reg({"query", kSettings, "/v", "LoginScr"}), 1, "LoginScr");

    // A key below an existing one is still a missing key for add.
    const std::string timers = "Software\\Quorvel\\Timers";
    ExpectOneLineError(Reg({"add", timers, "/v", "Status", "/t", "REG_DWORD", "/d", "1"}), 1,
                       timers);
    ExpectOneLineError(Reg({"query", timers}), 1, timers);
}

TEST_F(AdminReg, DeleteRemovesAValueAndAMissingOneIsAnError) {
    ASSERT_EQ(Reg({"addkey", kSettings}).status, 0);
    ASSERT_EQ(Reg({"add", kSettings, "/v", "Currency", "/d", "Rs"}).status, 0);
    ASSERT_EQ(Reg({"add", kSettings, "/v", "LoginScr", "/d", "/tmp/a.png"}).status, 0);
    EXPECT_EQ(Reg({"delete", kSettings, "/v", "Currency"}).status, 0);
    EXPECT_TRUE(ReadAsTheProgramDoes(kSettings, "Currency").IsEmpty());
    EXPECT_EQ(ReadAsTheProgramDoes(kSettings, "LoginScr").ToText(), "/tmp/a.png\0"s);
    ExpectOneLineError(Reg({"delete", kSettings, "/v", "Currency"}), 1, "Currency");
    ExpectOneLineError(Reg({"delete", "Software\\Absent", "/v", "Currency"}), 1,
                       "Software\\Absent");
}

TEST_F(AdminReg, DataTheProgramCannotStoreIsRefused) {
    ASSERT_EQ(Reg({"addkey", kSettings}).status, 0);
    for (const char* data : {"abc", "", "4294967296", "-0x1", "12abc"})
        ExpectOneLineError(Reg({"add", kSettings, "/v", "Blocking", "/t", "REG_DWORD", "/d", data}),
                           2, "REG_DWORD");
    ExpectOneLineError(Reg({"add", kSettings, "/v", "Blob", "/t", "REG_BINARY", "/d", "00"}), 2,
                       "REG_BINARY");
    EXPECT_TRUE(ReadAsTheProgramDoes(kSettings, "Blocking").IsEmpty());
    EXPECT_TRUE(ReadAsTheProgramDoes(kSettings, "Blob").IsEmpty());
}

TEST_F(AdminReg, AnUnreadableStoreIsReportedAndLeftAsItIs) {
    std::filesystem::create_directories(home.path() / "Quorvel");
    const std::string junk(5000, 'j');
    WriteFileBytes(store, junk);
    const std::string expected =
        "settings store unreadable: " + store + ": file is not a database\n";
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"query", kSettings},
                                               {"add", kSettings, "/v", "Currency", "/d", "Rs"},
                                               {"addkey", kSettings},
                                               {"delete", kSettings, "/v", "Currency"}}) {
        const auto result = Reg(args);
        EXPECT_EQ(result.status, 1) << args[0];
        EXPECT_EQ(result.err, expected) << args[0];
        EXPECT_EQ(result.out, "") << args[0];
    }
    EXPECT_EQ(ReadFileBytes(store), junk);
}

TEST_F(AdminReg, AStoreLockedByAnotherProcessIsReported) {
    ASSERT_EQ(Reg({"addkey", kSettings}).status, 0);
    ASSERT_EQ(Reg({"add", kSettings, "/v", "Currency", "/d", "Rs"}).status, 0);
    {
        StoreLocker locker(store, StoreLocker::Lock::Exclusive);
        ASSERT_TRUE(locker.held());
        for (const auto& args : std::vector<std::vector<std::string>>{
                 {"query", kSettings}, {"add", kSettings, "/v", "Currency", "/d", "$"}}) {
            const auto result = Reg(args);
            EXPECT_EQ(result.status, 1) << args[0];
            EXPECT_EQ(result.err, "settings store unreadable: " + store + ": database is locked\n")
                << args[0];
        }
    }
    EXPECT_EQ(ReadAsTheProgramDoes(kSettings, "Currency").ToText(), "Rs\0"s);
}

}  // namespace
}  // namespace quorvel::test
#endif
