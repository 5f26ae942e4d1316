// File permissions as the cafe's own account meets them. Linux only: it runs the
// work as another user, which a Windows process under Wine cannot do.
#include <gtest/gtest.h>

#include <filesystem>

#include "db/Compaction.h"
#include "db/Database.h"
#include "support/DataFile.h"
#include "support/TempDir.h"
#include "support/Unprivileged_posix.h"

namespace quorvel::test {
namespace {

using db::Database;

// Run as the cafe's own account would be: a data folder it may not read is named as
// such, by the start-up's open and by its compaction, never "Could not find file".
TEST(DataFile, AFolderTheUserCannotReadIsReportedAsWhatItIs) {
    TempDir dir;
    OpenToOthers(dir.path().string());
    std::filesystem::create_directories(dir.path() / "Data");
    ASSERT_TRUE(CreateDataFile(db::DataFilePath(dir.path().string())));
    const std::string path = db::DataFilePath(dir.path().string());
    const auto data = dir.path() / "Data";
    std::filesystem::permissions(data, std::filesystem::perms::none);
    const std::string opened = RunUnprivileged([&] {
        std::string error;
        return Database::Open(path, db::kDataFilePassword, error) ? "opened" : error;
    });
    const std::string compacted = RunUnprivileged([&] {
        const auto errors =
            db::CompactDataFile(dir.path().string(), dir.file("state"), db::kDataFilePassword);
        return errors.empty() ? std::string("compacted") : errors.front();
    });
    std::filesystem::permissions(data, std::filesystem::perms::owner_all);
    const std::string expected =
        "Cannot read the folder '" + data.string() + "': Permission denied.";
    EXPECT_EQ(opened, expected);
    EXPECT_EQ(compacted, expected);
}

}  // namespace
}  // namespace quorvel::test
