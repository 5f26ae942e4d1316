// The file operations the data file relies on, on this system's files: the folder
// lock between instances, replacing a file in one step, durable copies, and names
// outside ASCII.
#include <gtest/gtest.h>

#include <filesystem>

#include "db/Compaction.h"
#include "db/Database.h"
#include "storage/FileOps.h"
#include "support/DataFile.h"
#include "support/TempDir.h"

namespace quorvel::test {
namespace {

using storage::FolderLock;
using Mode = FolderLock::Mode;

TEST(FolderLock, SharedHoldersKeepTheExclusiveOneOutAndTheOtherWayRound) {
    struct Case {
        Mode first, second;
        bool secondGetsIt;
    };
    TempDir dir;
    const std::string folder = dir.path().string();
    for (const Case& c :
         {Case{Mode::Shared, Mode::Shared, true}, Case{Mode::Shared, Mode::Exclusive, false},
          Case{Mode::Exclusive, Mode::Shared, false},
          Case{Mode::Exclusive, Mode::Exclusive, false}}) {
        FolderLock first, second;
        std::string error;
        ASSERT_TRUE(first.Acquire(folder, c.first, error)) << error;
        bool busy = false;
        EXPECT_EQ(second.Acquire(folder, c.second, error, &busy), c.secondGetsIt) << error;
        EXPECT_EQ(busy, !c.secondGetsIt);
        // Once the first lets go, the second gets in.
        first.Release();
        EXPECT_TRUE(second.Acquire(folder, c.second, error)) << error;
    }
}

TEST(FolderLock, AMissingFolderIsNotBusy) {
    TempDir dir;
    FolderLock lock;
    std::string error;
    bool busy = true;
    EXPECT_FALSE(lock.Acquire(dir.file("missing"), Mode::Shared, error, &busy));
    EXPECT_FALSE(busy);
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
}

TEST(FileOps, ReplaceCopyAndCreate) {
    TempDir dir;
    const std::string a = dir.file("a"), b = dir.file("b"), c = dir.file("c");
    WriteFileBytes(a, "new");
    WriteFileBytes(b, "old and longer");
    std::string error;
    // Over an existing file, in one step.
    ASSERT_TRUE(storage::ReplaceFileAtomically(a, b, error)) << error;
    EXPECT_EQ(ReadFileBytes(b), "new");
    EXPECT_FALSE(storage::FileExists(a));

    WriteFileBytes(c, std::string(200000, 'x'));
    ASSERT_TRUE(storage::CopyFileDurably(c, b, error)) << error;
    EXPECT_EQ(ReadFileBytes(b), ReadFileBytes(c));
    EXPECT_FALSE(storage::CopyFileDurably(dir.file("missing"), b, error));

    EXPECT_FALSE(storage::CreateNewEmptyFile(b, error));
    EXPECT_TRUE(storage::CreateNewEmptyFile(a, error)) << error;
    EXPECT_EQ(ReadFileBytes(a), "");
    EXPECT_TRUE(storage::RemoveFile(a, error));
    EXPECT_FALSE(storage::RemoveFile(a, error));
    EXPECT_TRUE(storage::RemoveFile(a, error, true));
}

// A program folder whose name is not ASCII (a cafe's own name, an owner's user name):
// the data file is made, opened, compacted and locked there like anywhere else.
TEST(FileOps, TheDataFileLivesInAFolderWithAnyName) {
    TempDir dir;
    const std::string program =
        storage::TextOf(dir.path() / u8"Caf\u00e9 \u20ac \u043a\u0430\u0444\u0435");
    const std::string sysDir = storage::TextOf(dir.path() / u8"\u00e9tat");
    std::filesystem::create_directories(storage::PathOf(program) / "Data");
    std::filesystem::create_directories(storage::PathOf(sysDir));
    const std::string dataFile = db::DataFilePath(program);
    ASSERT_TRUE(CreateDataFile(dataFile));
    EXPECT_TRUE(db::CompactDataFile(program, sysDir, db::kDataFilePassword).empty());
    std::string error;
    auto file = db::Database::Open(dataFile, db::kDataFilePassword, error);
    ASSERT_TRUE(file) << error;
    EXPECT_TRUE(db::FindLogin(*file, "admin"));
    // The open file's folder lock holds there too.
    EXPECT_EQ(db::CompactDataFile(program, sysDir, db::kDataFilePassword).size(), 1u);
}

}  // namespace
}  // namespace quorvel::test
