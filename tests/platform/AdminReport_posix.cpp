// quorvel-admin report, run as the cafe owner runs it, without a display, on a seeded
// data file: the same lines and totals as a table, as CSV and as the report window's
// PDF; clear one-line errors; and the data file's bytes never touched.
#ifdef QUORVEL_ADMIN
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "PosixProcess.h"
#include "db/Database.h"
#include "support/PdfText.h"
#include "support/TempDir.h"

namespace quorvel::test {
namespace {

class AdminReport : public ::testing::Test {
  protected:
    void SetUp() override {
        // As over a remote shell: no display to draw on.
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        ASSERT_EQ(Admin({"init", "--admin-password", "a", "--guest-password", "g"}).status, 0);
        std::string error;
        auto file = db::Database::Open(DataFile(), db::kDataFilePassword, error);
        ASSERT_TRUE(file) << error;
        for (const auto& [day, amounts] :
             std::vector<std::pair<const char*, std::vector<double>>>{{"12/30/2025", {10, 2.5}},
                                                                      {"12/31/2025", {7.25}},
                                                                      {"01/01/2026", {5, 5, 5.1}},
                                                                      {"01/15/2026", {0.1, 0.2}}})
            for (double amount : amounts)
                ASSERT_EQ(db::AddSessionToDailyTotals(*file, day, amount, ""), db::Booking::Booked);
        file.reset();
        before = ReadFileBytes(DataFile());
        ASSERT_FALSE(before.empty());
    }
    void TearDown() override {
        EXPECT_EQ(ReadFileBytes(DataFile()), before) << "the data file's bytes changed";
        EXPECT_FALSE(std::filesystem::exists(DataFile() + "-journal"));
    }

    CommandResult Admin(const std::vector<std::string>& args) {
        return RunWithConfigHome(QUORVEL_ADMIN, args, home.file("config"), home.file("data"));
    }
    std::string DataFile() const { return home.file("data/Quorvel/Data/QuorvelData.mdb"); }

    TempDir home;
    std::string before;
};

TEST_F(AdminReport, TheTableListsTheDaysOfTheRangeAndTheirTotals) {
    const auto result = Admin({"report", "--from", "2025-12-31", "--till", "2026-01-31"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out,
              "User Transaction Report\n"
              "From 12/31/2025 till 01/31/2026\n"
              "\n"
              "Date        Total Guests Visited  Cash Generated\n"
              "----------  --------------------  --------------\n"
              "12/31/2025                     1            7.25\n"
              "01/01/2026                     3           15.10\n"
              "01/15/2026                     2            0.30\n"
              "----------  --------------------  --------------\n"
              "Total                          6           22.65\n");
}

TEST_F(AdminReport, CsvHasOneHeaderRowIsoDaysAndTheTotalsLast) {
    const auto result = Admin({"report", "--csv", "--from", "2025-12-01", "--till", "2025-12-31"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              "Date,Total Guests Visited,Cash Generated\r\n"
              "2025-12-30,2,12.50\r\n"
              "2025-12-31,1,7.25\r\n"
              "Total,3,19.75\r\n");

    const auto empty = Admin({"report", "--csv", "--from", "2026-06-01", "--till", "2026-06-01"});
    ASSERT_EQ(empty.status, 0) << empty.err;
    EXPECT_EQ(empty.out, "Date,Total Guests Visited,Cash Generated\r\nTotal,0,0.00\r\n");
}

TEST_F(AdminReport, ThePdfIsTheReportWindowsWithoutADisplay) {
    const std::string pdf = home.file("takings.pdf");
    const auto result =
        Admin({"report", "--from", "2025-12-30", "--till", "2026-01-15", "--pdf", pdf});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    const std::vector<std::string> pages = PdfPages(pdf);
    ASSERT_EQ(pages.size(), 1u);
    for (const char* text :
         {"User Transaction Report", "From 12/30/2025 till 01/15/2026", "Total Guests Visited",
          "Cash Generated", "12/30/2025", "12/31/2025", "01/01/2026", "01/15/2026", "Page - 1"})
        EXPECT_NE(pages[0].find(text), std::string::npos) << text << " in\n" << pages[0];
    EXPECT_NE(pages[0].find("Total"), pages[0].rfind("Total")) << pages[0];
    EXPECT_NE(pages[0].find("35.15"), std::string::npos) << pages[0];
}

TEST_F(AdminReport, WrongInputIsOneLineAndStatusOne) {
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* says;
    };
    const std::string unwritable = home.file("no-such-folder/takings.pdf");
    for (const Case& c : {
             Case{{"--from", "2026-02-30", "--till", "2026-03-01"}, 1, "'2026-02-30' is not a day"},
             Case{{"--from", "12/01/2025", "--till", "2026-03-01"}, 1, "'12/01/2025' is not a day"},
             Case{{"--from", "2026-1-1", "--till", "2026-03-01"}, 1, "not a day"},
             Case{{"--from", "2026-03-02", "--till", "2026-03-01"}, 1, "lies after"},
             Case{{"--from", "2026-03-01", "--till", "2026-03-02", "--pdf", unwritable},
                  1,
                  "cannot write"},
             Case{{"--from", "2026-03-01"}, 2, "usage"},
             Case{{"--from", "2026-03-01", "--till", "2026-03-02", "--csv", "--pdf", "x.pdf"},
                  2,
                  "usage"},
             Case{{"--from", "2026-03-01", "--till", "2026-03-02", "--html"}, 2, "'--html'"},
         }) {
        std::vector<std::string> args{"report"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const auto result = Admin(args);
        EXPECT_EQ(result.status, c.status) << c.says;
        EXPECT_EQ(result.out, "") << c.says;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
        if (c.status == 1)
            EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    }
    EXPECT_FALSE(std::filesystem::exists(home.file("no-such-folder")));
}

TEST_F(AdminReport, ADamagedDataFileIsOneLineAndStatusOne) {
    // Another key is as good as damage: the file does not open.
    std::string damaged = before;
    for (std::size_t i = 100; i < 4096 && i < damaged.size(); ++i) damaged[i] = char(i * 7);
    WriteFileBytes(DataFile(), damaged);
    const auto result = Admin({"report", "--from", "2025-12-01", "--till", "2025-12-31"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("cannot open the data file"), std::string::npos) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    before = damaged;
}

}  // namespace
}  // namespace quorvel::test
#endif
