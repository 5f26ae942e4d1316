// The start-up compaction: the data file is only ever replaced by a complete
// compacted copy, and nothing is left behind.
#include <gtest/gtest.h>

#include <filesystem>

#include "db/Compaction.h"
#include "db/Database.h"
#include "support/DataFile.h"
#include "support/TempDir.h"

namespace quorvel::test {
namespace {

namespace fs = std::filesystem;
using db::Database;

struct Folders : ProgramFolders {
    // A data file with `days` daily rows, plus as many deleted ones.
    void Provision(int days) {
        auto file = CreateDataFile(dataFile);
        ASSERT_TRUE(file);
        ASSERT_TRUE(file->connection().Exec("BEGIN"));
        for (int i = 0; i < 2 * days; ++i) {
            sqlite::Statement insert(file->connection(),
                                     "INSERT INTO Guest_T VALUES (?1, 3, 42.5)");
            insert.Bind(1, db::DayText(2000 + i / 360, 1 + i / 30 % 12, 1 + i % 28));
            ASSERT_TRUE(insert.Run());
        }
        ASSERT_TRUE(file->connection().Exec("DELETE FROM Guest_T WHERE rowid % 2 = 0; COMMIT"));
    }

    std::int64_t Rows() const {
        std::string error;
        auto file = Database::Open(dataFile, db::kDataFilePassword, error);
        EXPECT_TRUE(file) << error;
        if (!file) return -1;
        sqlite::Statement count(file->connection(), "SELECT count(*) FROM Guest_T");
        return count.Step() == SQLITE_ROW ? count.Int(0) : -1;
    }

    bool NothingLeftBehind() const {
        return !fs::exists(db::CompactionCopyPath(sysDir)) &&
               !fs::exists(db::CompactionCopyPath(sysDir) + "-journal") &&
               !fs::exists(dataFile + ".compacted");
    }
};

TEST(Compaction, ReplacesTheDataFileWithASmallerCopyHoldingEveryRow) {
    Folders f;
    f.Provision(2000);
    const auto sizeBefore = fs::file_size(f.dataFile);
    // What a start killed during its compaction left behind is cleared away.
    WriteFileBytes(db::CompactionCopyPath(f.sysDir), "half a copy");
    WriteFileBytes(db::CompactionCopyPath(f.sysDir) + "-journal", "a stale journal");
    WriteFileBytes(f.dataFile + ".compacted", "half a replacement");

    EXPECT_TRUE(db::CompactDataFile(f.program, f.sysDir, db::kDataFilePassword).empty());

    EXPECT_LT(fs::file_size(f.dataFile), sizeBefore);
    EXPECT_EQ(f.Rows(), 2000);
    EXPECT_TRUE(f.NothingLeftBehind());
    // Still keyed with the data file's password, and with no other.
    std::string error;
    EXPECT_FALSE(Database::Open(f.dataFile, "quiltmos", error));
    EXPECT_NE(error.find("Not a valid password"), std::string::npos) << error;
}

TEST(Compaction, AFailedCompactionLeavesTheDataFileAsItWas) {
    Folders f;
    // Missing: one error, and no file is made.
    auto errors = db::CompactDataFile(f.program, f.sysDir, db::kDataFilePassword);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("Could not find file"), std::string::npos) << errors[0];
    EXPECT_FALSE(fs::exists(f.dataFile));
    EXPECT_TRUE(f.NothingLeftBehind());

    // Another password or a damaged file: one error, the bytes untouched.
    f.Provision(5);
    const std::string bytes = ReadFileBytes(f.dataFile);
    errors = db::CompactDataFile(f.program, f.sysDir, "another");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("Not a valid password"), std::string::npos) << errors[0];
    EXPECT_EQ(ReadFileBytes(f.dataFile), bytes);
    EXPECT_TRUE(f.NothingLeftBehind());

    std::string damaged = bytes;
    damaged[200] = static_cast<char>(damaged[200] ^ 1);
    WriteFileBytes(f.dataFile, damaged);
    EXPECT_EQ(db::CompactDataFile(f.program, f.sysDir, db::kDataFilePassword).size(), 1u);
    EXPECT_EQ(ReadFileBytes(f.dataFile), damaged);
    EXPECT_TRUE(f.NothingLeftBehind());

    // A system directory that is the data folder itself.
    WriteFileBytes(f.dataFile, bytes);
    EXPECT_EQ(db::CompactDataFile(f.program, (fs::path(f.program) / "Data").string(),
                                  db::kDataFilePassword)
                  .size(),
              1u);
    EXPECT_EQ(ReadFileBytes(f.dataFile), bytes);
    EXPECT_EQ(f.Rows(), 5);
}

TEST(Compaction, NeverReplacesAFileThatIsOpenElsewhere) {
    Folders f;
    f.Provision(5);
    std::string error;
    auto open = Database::Open(f.dataFile, db::kDataFilePassword, error);
    ASSERT_TRUE(open) << error;
    const std::string bytes = ReadFileBytes(f.dataFile);

    const auto errors = db::CompactDataFile(f.program, f.sysDir, db::kDataFilePassword);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("in use"), std::string::npos) << errors[0];
    EXPECT_EQ(ReadFileBytes(f.dataFile), bytes);
    // The connection still writes into the file everybody reads.
    EXPECT_EQ(db::AddSessionToDailyTotals(*open, "06/01/2026", 5.0, "x"), db::Booking::Booked);
    open.reset();
    EXPECT_EQ(f.Rows(), 6);
}

}  // namespace
}  // namespace quorvel::test
