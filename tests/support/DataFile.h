#pragma once
// A real data file made for a test: the program's key, the two logins, and rates
// when the test wants them; and the folders start-up works in. Header-only: it is
// compiled only where the data file is.
#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "db/Database.h"
#include "support/TempDir.h"

namespace quorvel::test {

struct DataFileContents {
    std::string adminPassword = "boss";
    std::string guestPassword = "visitor";
    std::optional<std::array<std::string, 4>> rates;
    const char* key = db::kDataFilePassword;
    bool logins = true;  // false: no rows at all, for tests that add their own
};

// Creates the file at `path`; a failure fails the calling test and gives null.
inline std::shared_ptr<db::Database> CreateDataFile(const std::string& path,
                                                    const DataFileContents& contents = {}) {
    std::string error;
    std::shared_ptr<db::Database> file = db::Database::Create(path, contents.key, error);
    EXPECT_TRUE(file) << path << ": " << error;
    if (!file) return nullptr;
    if (contents.logins) {
        EXPECT_TRUE(db::AddLogin(*file, "admin", contents.adminPassword));
        EXPECT_TRUE(db::AddLogin(*file, "guest", contents.guestPassword));
    }
    if (contents.rates) {
        EXPECT_TRUE(db::WriteRates(*file, *contents.rates));
    }
    return file;
}

// The folders start-up works in, made in a scratch folder of their own: the program
// folder with its Data folder (the data file's place) and the system directory.
struct ProgramFolders {
    ProgramFolders() {
        std::filesystem::create_directories(std::filesystem::path(program) / "Data");
        std::filesystem::create_directories(sysDir);
    }

    TempDir root;
    std::string program = (root.path() / "Quorvel").string();
    std::string sysDir = (root.path() / "state").string();
    std::string dataFile = db::DataFilePath(program);
};

}  // namespace quorvel::test
