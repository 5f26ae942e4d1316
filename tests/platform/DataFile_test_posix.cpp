// The data file as Linux meets it: the cafe's own account, which may not read every
// folder, and Debian's sqlcipher shell, with which the owner looks into the file.
// Linux only: the work runs as another user and pipes into the shell (popen), which a
// Windows process under Wine cannot do; there the file crosses to the shell through
// tests/wine instead.
#include <gtest/gtest.h>

#include <cstdio>
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

// What the shell prints for the file with this key.
std::string ShellQuery(const std::string& file, const std::string& key) {
    const std::string command = "printf \"PRAGMA key='" + key +
                                "';\\nSELECT count(*) FROM Login_M;\\n\" | sqlcipher '" + file +
                                "' 2>&1";
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
        ::pclose(pipe);
    }
    return output;
}

TEST(DataFileShell, TheCompactedFileOpensWithTheKeyAndNoOther) {
    ProgramFolders f;
    ASSERT_TRUE(CreateDataFile(f.dataFile));
    ASSERT_TRUE(db::CompactDataFile(f.program, f.sysDir, db::kDataFilePassword).empty());

    EXPECT_EQ(ShellQuery(f.dataFile, "quiltmoss"), "2\n");
    EXPECT_NE(ShellQuery(f.dataFile, "quiltmos").find("not a database"), std::string::npos);
}

}  // namespace
}  // namespace quorvel::test
