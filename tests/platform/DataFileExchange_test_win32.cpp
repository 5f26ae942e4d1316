// One data file, two systems: what Debian's sqlcipher shell wrote on Linux opens in
// the Windows build with the program's key, and what the Windows build writes is read
// on Linux by that shell (scripts/wine-tests compares the shell's output with what
// this test expects it to print).
#include <gtest/gtest.h>

#include <filesystem>

#include "db/Database.h"
#include "support/DataFile.h"
#include "support/TempDir.h"

namespace quorvel::test {
namespace {

namespace fs = std::filesystem;

// The build writes it with the shell beside the test programs (tests/CMakeLists.txt);
// scripts/wine-tests runs the programs from that folder.
const fs::path kExchange = "exchange";

TEST(DataFileExchange, OpensAFileDebiansShellWrote) {
    TempDir dir;
    // A copy: opening adds the Booked_T table, and the build's file stays as written.
    const fs::path copy = dir.path() / "QuorvelData.mdb";
    fs::copy_file(kExchange / "linux-written.mdb", copy);
    std::string error;
    auto file = db::Database::Open(copy.string(), db::kDataFilePassword, error);
    ASSERT_TRUE(file) << error;
    EXPECT_EQ(db::FindLogin(*file, "ADMIN")->password, "from linux");
    EXPECT_EQ(db::FindLogin(*file, "guest")->password, "g\xc3\xa4st");
    EXPECT_EQ(db::ReadRates(*file), (std::array<double, 4>{10, 15, 20.5, 25}));
    const auto days = db::SelectDays(*file, "12/01/2025", "01/31/2026");
    ASSERT_EQ(days.size(), 2u);
    EXPECT_EQ(days[1].gnum, 32767);
    EXPECT_EQ(days[1].gamt, 1000000.25);
    // Booked by the Windows build into the file the shell wrote.
    EXPECT_EQ(db::AddSessionToDailyTotals(*file, "12/31/2025", 7.5, "s1"), db::Booking::Booked);
    EXPECT_EQ(db::FindDay(*file, "12/31/2025")->gamt, 50.0);
    file.reset();
    EXPECT_FALSE(db::Database::Open(copy.string(), "quiltmoss2", error));
}

TEST(DataFileExchange, WritesAFileDebiansShellReads) {
    const fs::path written = kExchange / "windows-written.mdb";
    std::error_code ec;
    fs::remove(written, ec);
    fs::remove(kExchange / "windows-written.expected", ec);
    auto file = CreateDataFile(written.string(), {.adminPassword = "from windows",
                                                  .rates = {{"10", "15", "20.5", "25"}}});
    ASSERT_TRUE(file);
    ASSERT_EQ(db::AddSessionToDailyTotals(*file, "01/02/2026", 12.5, "s1"), db::Booking::Booked);
    ASSERT_EQ(db::AddSessionToDailyTotals(*file, "01/02/2026", 30.0, "s2"), db::Booking::Booked);
    file.reset();
    // What the shell prints for scripts/wine-tests' query, one row a line.
    WriteFileBytes(kExchange / "windows-written.expected",
                   "admin|from windows\nguest|visitor\n01/02/2026|2|42.5\n10|15|20.5|25\n2\n");
}

}  // namespace
}  // namespace quorvel::test
