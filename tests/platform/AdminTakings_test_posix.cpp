// quorvel-admin rates and book, run as the cafe owner runs them on a provisioned
// data file; what they write is read back with the program's own statements.
#ifdef QUORVEL_ADMIN
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PosixProcess.h"
#include "db/Database.h"
#include "support/TempDir.h"

namespace quorvel::test {
namespace {

class AdminTakings : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(Admin({"init", "--admin-password", "a", "--guest-password", "g"}).status, 0);
    }

    CommandResult Admin(const std::vector<std::string>& args) {
        return RunWithConfigHome(QUORVEL_ADMIN, args, home.file("config"), home.file("data"));
    }
    std::unique_ptr<db::Database> DataFile() {
        std::string error;
        auto file = db::Database::Open(home.file("data/Quorvel/Data/QuorvelData.mdb"),
                                       db::kDataFilePassword, error);
        EXPECT_TRUE(file) << error;
        return file;
    }

    TempDir home;
};

TEST_F(AdminTakings, RatesAreShownAndSetAsTheRateBoxesSetThem) {
    EXPECT_EQ(Admin({"rates"}).out, "No rates set.\n");

    const auto set = Admin({"rates", "10", "15", "20.5", " 25 "});
    EXPECT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(set.out, "0-15 min  10\n15-30 min  15\n30-45 min  20.5\n45-60 min  25\n");
    const auto rates = db::ReadRates(*DataFile());
    ASSERT_TRUE(rates);
    EXPECT_EQ(*rates, (std::array<double, 4>{10, 15, 20.5, 25}));

    // Wrong arguments change nothing.
    for (const std::vector<std::string>& wrong :
         {std::vector<std::string>{"rates", "1", "2", "3"}, {"rates", "1", "2", "3", "ten"}}) {
        const auto result = Admin(wrong);
        EXPECT_EQ(result.status, 2) << wrong.back();
        EXPECT_FALSE(result.err.empty());
    }
    EXPECT_EQ(*db::ReadRates(*DataFile()), (std::array<double, 4>{10, 15, 20.5, 25}));
}

TEST_F(AdminTakings, EachAmountBooksOneSessionOnItsDay) {
    const auto first = Admin({"book", "11/3/2026", "40", "25.5"});
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out, "11/03/2026  guests 2  takings 65.5\n");
    EXPECT_EQ(Admin({"book", "11/03/2026", "10"}).out, "11/03/2026  guests 3  takings 75.5\n");
    EXPECT_EQ(Admin({"book", "11/04/2026", "0"}).out, "11/04/2026  guests 1  takings 0\n");

    for (const std::vector<std::string>& wrong : {std::vector<std::string>{"book", "11/03/2026"},
                                                  {"book", "13/45/2026", "10"},
                                                  {"book", "11/03/2026", "-5"},
                                                  {"book", "11/03/2026", "10", "ten"}}) {
        const auto result = Admin(wrong);
        EXPECT_EQ(result.status, 2) << wrong[1] << " " << wrong.back();
    }
    const auto day = db::FindDay(*DataFile(), "11/03/2026");
    ASSERT_TRUE(day);
    EXPECT_EQ(day->gnum, 3);
    EXPECT_EQ(day->gamt, 75.5);
}

TEST(AdminTakingsUnprovisioned, SaysWhichDataFileIsMissing) {
    TempDir home;
    const auto result = RunWithConfigHome(QUORVEL_ADMIN, {"book", "11/03/2026", "10"},
                                          home.file("config"), home.file("data"));
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find(home.file("data/Quorvel/Data/QuorvelData.mdb")), std::string::npos)
        << result.err;
}

}  // namespace
}  // namespace quorvel::test
#endif
