// The cafe owner looks into the data file with Debian's sqlcipher shell: a file the
// program made and compacted opens there with the data file's key and no other.
// Linux only: it pipes into the shell (popen), which a Windows process under Wine
// cannot run; there the file crosses to the shell through tests/wine instead.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "db/Compaction.h"
#include "db/Database.h"
#include "support/DataFile.h"
#include "support/TempDir.h"

namespace quorvel::test {
namespace {

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
    TempDir dir;
    const std::string program = (dir.path() / "Quorvel").string();
    const std::string sysDir = (dir.path() / "state").string();
    std::filesystem::create_directories(std::filesystem::path(program) / "Data");
    std::filesystem::create_directories(sysDir);
    const std::string dataFile = db::DataFilePath(program);
    ASSERT_TRUE(CreateDataFile(dataFile));
    ASSERT_TRUE(db::CompactDataFile(program, sysDir, db::kDataFilePassword).empty());

    EXPECT_EQ(ShellQuery(dataFile, "quiltmoss"), "2\n");
    EXPECT_NE(ShellQuery(dataFile, "quiltmos").find("not a database"), std::string::npos);
}

}  // namespace
}  // namespace quorvel::test
