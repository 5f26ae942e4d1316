// A store file the program cannot use is left exactly as it is: reads find nothing,
// writes are dropped, and nothing is deleted, truncated or overwritten.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "PosixProcess.h"
#include "platform/posix/HiveRegistry.h"
#include "store/ienann.h"
#include "store/mdlRegistry.h"
#include "support/TempDir.h"

namespace quorvel::test {
namespace {

using namespace std::string_literals;
using platform::HiveRegistry;
using platform::kHkeyCurrentUser;
using store::kSettingsKey;
using store::kTimersKey;

// Each blocked operation waits this long; the default would make the test slow.
constexpr int kShortWaitMs = 20;

class HiveBadInput : public ::testing::Test {
  protected:
    TempDir dir;
    std::string path = dir.file("Quorvel/registry.db");

    // A real store with enough values to span several pages, closed again.
    std::string MakeStore() {
        {
            HiveRegistry hive(path);
            store::mdlRegistry settings(hive);
            for (const char* key : {kSettingsKey, kTimersKey})
                settings.CreateSettingsKey(kHkeyCurrentUser, key);
            settings.WriteSetting(kHkeyCurrentUser, kSettingsKey, "Currency", "Rs", 1);
            for (int i = 0; i < 60; ++i)
                settings.WriteSetting(kHkeyCurrentUser, kTimersKey, "v" + std::to_string(i),
                                      std::string(120, 'a' + i % 26), 1);
        }
        return ReadFileBytes(path);
    }

    // Files beside the store other than the store itself (journals left behind).
    std::vector<std::string> Leftovers() {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path() / "Quorvel"))
            if (entry.path().filename() != "registry.db") names.push_back(entry.path().filename());
        return names;
    }

    // Everything the program does with the store, against a file it cannot use.
    void ExpectUnusable(HiveRegistry& hive) {
        EXPECT_FALSE(hive.ok());
        EXPECT_FALSE(hive.error().empty());
        store::mdlRegistry settings(hive);
        EXPECT_TRUE(settings.ReadSetting(kHkeyCurrentUser, kSettingsKey, "Currency").IsEmpty());
        settings.WriteSetting(kHkeyCurrentUser, kSettingsKey, "Currency", "$", 1);
        settings.WriteSetting(kHkeyCurrentUser, kTimersKey, "Status", 1, 4);
        settings.DeleteSetting(kHkeyCurrentUser, kTimersKey, "v1");
        settings.CreateSettingsKey(kHkeyCurrentUser, "Software\\Policies\\New");
        store::NameList list = {"left over"};
        store::LoadNameList(hive, kHkeyCurrentUser, kTimersKey, list);
        EXPECT_TRUE(list.empty());
    }
};

// (The reason said for text: the admin tool's test of an unreadable store.)
TEST_F(HiveBadInput, TextOrATruncatedStoreIsLeftAsItIs) {
    const std::string whole = MakeStore();
    ASSERT_GE(whole.size(), 4u * 4096);
    std::string notes;
    for (int i = 0; i < 300; ++i)
        notes += "these are a cafe owner's notes, line " + std::to_string(i) + "\n";
    // A store cut inside the header, inside the last page, and a whole page short.
    for (const std::string& bad : {notes, whole.substr(0, 50), whole.substr(0, whole.size() - 100),
                                   whole.substr(0, whole.size() - 4096)}) {
        WriteFileBytes(path, bad);
        {
            HiveRegistry hive(path);
            ExpectUnusable(hive);
        }
        EXPECT_EQ(ReadFileBytes(path), bad) << bad.size();
        EXPECT_TRUE(Leftovers().empty()) << bad.size();
    }
}

// A database that is not a store, or a store changed by another program (other
// columns, a trigger, an index, a view, a table gone), is refused before anything is
// written: not even its journal mode changes.
TEST_F(HiveBadInput, ADatabaseThatIsNotAStoreAsThisProgramMakesItIsLeftAsItIs) {
    const struct {
        bool fromStore;  // changed from a real store, or a new database
        const char* sql;
    } cases[] = {
        {false, "CREATE TABLE Guest_T(d TEXT); INSERT INTO Guest_T VALUES('x');"},
        {false,
         "CREATE TABLE keys(id INTEGER PRIMARY KEY, name TEXT);"
         "CREATE TABLE vals(id INTEGER PRIMARY KEY, data BLOB);"},
        {true, "CREATE TRIGGER wipe AFTER INSERT ON vals BEGIN DELETE FROM keys; END;"},
        {true, "CREATE INDEX byType ON vals(type);"},
        {true, "CREATE VIEW everything AS SELECT * FROM vals;"},
        {true, "DROP TABLE vals;"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(dir.path() / "Quorvel");
        std::filesystem::create_directories(dir.path() / "Quorvel");
        if (c.fromStore) MakeStore();
        {
            std::string error;
            auto other =
                sqlite::Connection::Open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, error);
            ASSERT_TRUE(other.Exec(c.sql, &error)) << error;
        }
        const std::string before = ReadFileBytes(path);
        {
            HiveRegistry hive(path);
            ExpectUnusable(hive);
            EXPECT_NE(hive.error().find("not a settings store"), std::string::npos) << hive.error();
        }
        EXPECT_EQ(ReadFileBytes(path), before) << c.sql;
        EXPECT_TRUE(Leftovers().empty()) << c.sql;
    }
}

TEST_F(HiveBadInput, AnEmptyFileIsAStoreThatWasNeverWritten) {
    std::filesystem::create_directories(dir.path() / "Quorvel");
    WriteFileBytes(path, "");
    HiveRegistry hive(path);
    EXPECT_TRUE(hive.ok()) << hive.error();
}

// Another process holding an exclusive lock: nothing can be read or written until it
// lets go, and then the store works again with nothing of the dropped writes in it.
TEST_F(HiveBadInput, AStoreLockedByAnotherProcessIsLeftAsItIsAndUsableAfterwards) {
    const std::string before = MakeStore();
    {
        StoreLocker locker(path, StoreLocker::Lock::Exclusive);
        ASSERT_TRUE(locker.held());
        HiveRegistry hive(path, HiveRegistry::Mode::CreateIfMissing, kShortWaitMs);
        ExpectUnusable(hive);
        EXPECT_NE(hive.error().find("locked"), std::string::npos) << hive.error();
        locker.Release();
        EXPECT_EQ(ReadFileBytes(path), before);

        store::mdlRegistry settings(hive);
        EXPECT_EQ(settings.ReadSetting(kHkeyCurrentUser, kSettingsKey, "Currency").ToText(),
                  "Rs\0"s);
        EXPECT_TRUE(settings.ReadSetting(kHkeyCurrentUser, kTimersKey, "Status").IsEmpty());
        EXPECT_TRUE(hive.ok());
    }
}

// With the store in use, another process's open write transaction: reads go on
// (WAL), a write waits briefly and is then dropped whole, and later writes land.
TEST_F(HiveBadInput, AWriterInAnotherProcessDelaysNoReadAndDropsOnlyTheClashingWrite) {
    MakeStore();
    HiveRegistry hive(path, HiveRegistry::Mode::CreateIfMissing, kShortWaitMs);
    ASSERT_TRUE(hive.ok()) << hive.error();
    store::mdlRegistry settings(hive);
    {
        StoreLocker locker(path, StoreLocker::Lock::Writer);
        ASSERT_TRUE(locker.held());
        EXPECT_EQ(settings.ReadSetting(kHkeyCurrentUser, kSettingsKey, "Currency").ToText(),
                  "Rs\0"s);
        settings.WriteSetting(kHkeyCurrentUser, kSettingsKey, "Currency", "$", 1);
        EXPECT_NE(hive.error().find("locked"), std::string::npos) << hive.error();
    }
    EXPECT_EQ(settings.ReadSetting(kHkeyCurrentUser, kSettingsKey, "Currency").ToText(), "Rs\0"s);
    settings.WriteSetting(kHkeyCurrentUser, kSettingsKey, "Currency", "$", 1);
    EXPECT_EQ(settings.ReadSetting(kHkeyCurrentUser, kSettingsKey, "Currency").ToText(), "$\0"s);
}

}  // namespace
}  // namespace quorvel::test
