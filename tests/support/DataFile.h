#pragma once
// A real data file made for a test: the program's key, the two logins, and rates
// when the test wants them. Header-only: it is compiled only where the data file is.
#include <array>
#include <memory>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "db/Database.h"

namespace quorvel::test {

struct DataFileContents {
    std::string adminPassword = "boss";
    std::string guestPassword = "visitor";
    std::optional<std::array<std::string, 4>> rates;
    const char* key = db::kDataFilePassword;
};

// Creates the file at `path`; a failure fails the calling test and gives null.
inline std::shared_ptr<db::Database> CreateDataFile(const std::string& path,
                                                    const DataFileContents& contents = {}) {
    std::string error;
    std::shared_ptr<db::Database> file = db::Database::Create(path, contents.key, error);
    EXPECT_TRUE(file) << path << ": " << error;
    if (!file) return nullptr;
    EXPECT_TRUE(db::AddLogin(*file, "admin", contents.adminPassword));
    EXPECT_TRUE(db::AddLogin(*file, "guest", contents.guestPassword));
    if (contents.rates) {
        EXPECT_TRUE(db::WriteRates(*file, *contents.rates));
    }
    return file;
}

}  // namespace quorvel::test
