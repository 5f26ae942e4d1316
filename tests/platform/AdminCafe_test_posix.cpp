// quorvel-admin's cafe commands and `report --cafe`, run as the owner and a PC run
// them, against a real PostgreSQL.
#ifdef QUORVEL_ADMIN
#include <gtest/gtest.h>

#include <regex>

#include "CafeServerRig.h"
#include "PosixProcess.h"
#include "cafe/Membership.h"
#include "db/Database.h"
#include "panel/Report.h"
#include "platform/posix/HiveRegistry.h"
#include "support/PdfText.h"
#include "support/TempDir.h"

namespace quorvel::test {
namespace {

class AdminCafe : public CafeServerRig {
  protected:
    TempDir home;

    // The tool with fresh folders of its own, the local time UTC.
    CommandResult Admin(std::vector<std::string> args) {
        args.insert(args.begin(), QUORVEL_ADMIN);
        const std::string base = home.path().string();
        return RunCommand(args, {{"XDG_CONFIG_HOME", base},
                                 {"XDG_DATA_HOME", base + "/data"},
                                 {"XDG_STATE_HOME", base + "/state"},
                                 {"TZ", "UTC"}});
    }
    std::string Server() { return cluster_->SocketConninfo(database); }
    // `report --cafe` of the days from `from` till `till`, with `more` options.
    CommandResult CafeReport(const std::string& from, const std::string& till,
                             std::vector<std::string> more = {}) {
        more.insert(more.begin(),
                    {"report", "--cafe", "--from", from, "--till", till, "--server", Server()});
        return Admin(more);
    }
    std::vector<std::string> Join(const std::string& secret) {
        return {"cafe",   "join", "--server", cluster_->SocketConninfo(database, ""),
                "--name", "pc1",  "--secret", secret};
    }

    // The report the Report tab of the PC `pc` shows for "All PCs", its lines as
    // "date,guests,cash", or why it was refused.
    static std::string PcsReport(const cafe::Membership& pc, const std::string& from,
                                 const std::string& till) {
        std::string error;
        const auto takings = cafe::OpenCafeReport(pc)->SelectTakings(from, till, error);
        const auto rows = takings ? cafe::WholeCafeDays(*takings, error) : std::nullopt;
        const auto report = rows ? panel::BuildReport(from, till, *rows, "", error) : std::nullopt;
        if (!report) return error;
        std::string lines;
        for (const panel::ReportLine& line : report->lines)
            lines += line.date + "," + line.guests + "," + line.cash + " ";
        return lines + "Total," + report->totalGuests + "," + report->totalCash;
    }

    // Each line of `text` cut into its columns (two blanks or more between them).
    static std::vector<std::vector<std::string>> Columns(const std::string& text) {
        std::vector<std::vector<std::string>> lines;
        std::istringstream in(text);
        const std::regex gap(" {2,}");
        for (std::string line; std::getline(in, line);)
            lines.emplace_back(std::sregex_token_iterator(line.begin(), line.end(), gap, -1),
                               std::sregex_token_iterator());
        return lines;
    }
};

TEST_F(AdminCafe, ReportCafeGivesEveryPcsTakingsToTheCent) {
    const auto pc1 = cafe::OpenServerLink(Joined("pc1"));
    const auto pc2 = cafe::OpenServerLink(Joined("pc2"));
    const cafe::Membership pc3 = Joined("pc3");  // sold nothing: no lines of its own
    // 0.10 + 0.20 is not 0.30 in binary fractions; the report must say 0.30.
    ASSERT_TRUE(pc1->Deliver({{"a", "2026-03-01", 0, 0, 0, 10, "Rs"},
                              {"b", "2026-03-01", 0, 0, 0, 20, "Rs"},
                              {"c", "2026-03-02", 0, 0, 0, 123456, "Rs"},
                              {"d", "2026-04-01", 0, 0, 0, 500, "Rs"}})
                    .ok);
    ASSERT_TRUE(pc2->Deliver({{"a", "2026-03-01", 0, 0, 0, 1, "Rs"},
                              {"b", "2026-03-31", 0, 0, 0, 99999, "Rs"},
                              {"c", "2026-02-28", 0, 0, 0, 700, "Rs"}})
                    .ok);
    const auto with = [&](std::vector<std::string> more) {
        return CafeReport("2026-03-01", "2026-03-31", more);
    };

    const auto byPc = with({"--by-pc", "--csv"});
    EXPECT_EQ(byPc.status, 0) << byPc.err;
    EXPECT_EQ(byPc.out,
              "PC,Date,Total Guests Visited,Cash Generated\r\n"
              "pc1,2026-03-01,2,0.30\r\n"
              "pc1,2026-03-02,1,1234.56\r\n"
              "pc1,Total,3,1234.86\r\n"
              "pc2,2026-03-01,1,0.01\r\n"
              "pc2,2026-03-31,1,999.99\r\n"
              "pc2,Total,2,1000.00\r\n"
              "All PCs,2026-03-01,3,0.31\r\n"
              "All PCs,2026-03-02,1,1234.56\r\n"
              "All PCs,2026-03-31,1,999.99\r\n"
              "All PCs,Total,5,2234.86\r\n");

    const auto whole = with({"--csv"});
    EXPECT_EQ(whole.out,
              "Date,Total Guests Visited,Cash Generated\r\n"
              "2026-03-01,3,0.31\r\n"
              "2026-03-02,1,1234.56\r\n"
              "2026-03-31,1,999.99\r\n"
              "Total,5,2234.86\r\n");
    // A PC's Report tab ("All PCs"), as its own role, makes the same report.
    EXPECT_EQ(PcsReport(pc3, "03/01/2026", "03/31/2026"),
              "03/01/2026,3,0.31 03/02/2026,1,1234.56 03/31/2026,1,999.99 Total,5,2234.86");

    // The tables: each PC's under its name, then the whole cafe's.
    const auto tables = Columns(with({"--by-pc"}).out);
    std::vector<std::vector<std::string>> heads, totals;
    for (const auto& line : tables) {
        if (line.size() == 1 && (line[0].rfind("PC ", 0) == 0 || line[0] == "All PCs"))
            heads.push_back(line);
        if (!line.empty() && line[0] == "Total") totals.push_back(line);
    }
    EXPECT_EQ(heads, (std::vector<std::vector<std::string>>{{"PC pc1"}, {"PC pc2"}, {"All PCs"}}));
    EXPECT_EQ(totals, (std::vector<std::vector<std::string>>{{"Total", "3", "1234.86"},
                                                             {"Total", "2", "1000.00"},
                                                             {"Total", "5", "2234.86"}}));

    // The whole cafe's PDF is the report window's, with the cafe's figures.
    ASSERT_EQ(with({"--pdf", home.file("cafe.pdf")}).status, 0);
    const auto pages = PdfPages(home.file("cafe.pdf"));
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_NE(pages[0].find("2234.86"), std::string::npos) << pages[0];
    const auto pdf = with({"--by-pc", "--pdf", home.file("r.pdf")});
    EXPECT_EQ(pdf.status, 2);
    EXPECT_NE(pdf.err.find("--by-pc gives a table or --csv"), std::string::npos) << pdf.err;
}

// Amounts of two currencies add up to nothing true: every report of a range that holds
// both is refused, naming each currency's PCs and days; a range of one is reported.
TEST_F(AdminCafe, ReportCafeRefusesToAddUpTwoCurrencies) {
    const cafe::Membership pc1 = Joined("pc1");
    ASSERT_TRUE(cafe::OpenServerLink(pc1)
                    ->Deliver({{"a", "2026-03-01", 0, 0, 0, 500, "Rs"},
                               {"b", "2026-03-02", 0, 0, 0, 700, "Rs"}})
                    .ok);
    ASSERT_TRUE(cafe::OpenServerLink(Joined("pc2"))
                    ->Deliver({{"a", "2026-03-02", 0, 0, 0, 300, "EUR"}})
                    .ok);
    const std::string why =
        "the sessions were taken in more than one currency, and a report adds up one only: "
        "'EUR' on pc2 (2026-03-02 to 2026-03-02); 'Rs' on pc1 (2026-03-01 to 2026-03-02). "
        "Choose days of one currency";
    for (const std::vector<std::string>& more :
         std::vector<std::vector<std::string>>{{}, {"--csv"}, {"--by-pc"}, {"--by-pc", "--csv"}}) {
        const auto refused = CafeReport("2026-03-01", "2026-03-02", more);
        EXPECT_EQ(refused.status, 1) << refused.out;
        EXPECT_EQ(refused.out, "");
        EXPECT_EQ(refused.err, "quorvel-admin report: " + why + "\n");
    }
    EXPECT_EQ(PcsReport(pc1, "03/01/2026", "03/02/2026"), why);
    EXPECT_EQ(PcsReport(pc1, "03/01/2026", "03/01/2026"), "03/01/2026,1,5.00 Total,1,5.00");
}

TEST_F(AdminCafe, StatusShowsEachPcAndWhenAQuietOneWasLastHeardFrom) {
    ASSERT_TRUE(
        cafe::OpenServerLink(Joined("pc1"))->ReportState({true, 1772355600, 750, 250, "Rs"}).ok);
    ASSERT_TRUE(
        cafe::OpenServerLink(Joined("pc2"))->ReportState({true, 1772355600, 60, 20, "Rs"}).ok);
    ASSERT_TRUE(cafe::OpenServerLink(Joined("pc3"))->ReportState({false, 0, 0, 0, "Rs"}).ok);
    Joined("pc4");
    Secret("pc5");
    const std::string quiet = Value(
        "UPDATE quorvel.pc_state "
        // 0.7 s past a whole second: shown as that second, as a clock shows it.
        "SET last_seen = date_trunc('second', now()) - interval '40 seconds' + interval '0.7 s' "
        "WHERE pc = (SELECT id FROM quorvel.pcs WHERE name = 'pc2') "
        "RETURNING to_char(last_seen AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI:SS')");

    const auto status = Admin({"cafe", "status", "--server", Server()});
    EXPECT_EQ(status.status, 0) << status.err;
    EXPECT_EQ(Columns(status.out),
              (std::vector<std::vector<std::string>>{
                  {"PC", "State", "Since", "Time", "Owed"},
                  {"pc1", "in use", "2026-03-01 09:00:00", "0:12:30", "2.50 Rs"},
                  // What it said last: its guest may still be sitting there.
                  {"pc2", "offline since " + quiet, "2026-03-01 09:00:00", "0:01:00", "0.20 Rs"},
                  {"pc3", "free"},
                  {"pc4", "never heard from"},
                  {"pc5", "not joined yet"}}));
}

TEST_F(AdminCafe, JoinKeepsTheMembershipWhereTheProgramReadsItAndSpendsNoSecretItCannotKeep) {
    const std::vector<std::string> join = Join(Secret("pc1"));
    // No settings store yet: refused before the server is asked.
    const auto early = Admin(join);
    EXPECT_EQ(early.status, 1);
    EXPECT_NE(early.err.find("after quorvel-admin init"), std::string::npos) << early.err;

    ASSERT_EQ(Admin({"init", "--admin-password", "a", "--guest-password", "g"}).status, 0);
    const auto joined = Admin(join);
    EXPECT_EQ(joined.status, 0) << joined.err;
    platform::HiveRegistry hive(home.file("Quorvel/registry.db"));
    const auto membership = cafe::LoadMembership(store::mdlRegistry(hive));
    ASSERT_TRUE(membership);
    EXPECT_EQ(membership->pcName, "pc1");
    EXPECT_TRUE(cafe::OpenServerLink(*membership)->ReportState({false, 0, 0, 0, "Rs"}).ok);

    const auto again = Admin(join);
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("has joined a server already"), std::string::npos) << again.err;
    EXPECT_EQ(Admin({"cafe", "leave"}).status, 0);
    EXPECT_FALSE(cafe::LoadMembership(store::mdlRegistry(hive)));
    EXPECT_EQ(Admin({"cafe", "leave"}).status, 1);
}

// Sessions booked while the server was away wait in the outbox: leaving then would
// keep them from the server for good, so it takes --force, and they stay in the PC's
// own takings.
TEST_F(AdminCafe, LeaveWithSessionsWaitingTakesForceAndKeepsThemInThePcsTakings) {
    ASSERT_EQ(Admin({"init", "--admin-password", "a", "--guest-password", "g"}).status, 0);
    ASSERT_EQ(Admin(Join(Secret("pc1"))).status, 0);
    const std::string dataFile = db::DataFilePath(home.file("data/Quorvel"));
    {
        std::string error;
        const auto file = db::Database::Open(dataFile, db::kDataFilePassword, error);
        ASSERT_TRUE(file) << error;
        for (const char* id : {"s1", "s2"}) {
            db::OutboxWrite write;
            write.entry = {0, id, "2026-03-01", 0, 0, 900, 250, "Rs"};
            ASSERT_EQ(db::AddSessionToDailyTotals(*file, "03/01/2026", 2.5, id, &write),
                      db::Booking::Booked);
        }
    }
    const auto waiting = [&] {
        std::string error;
        const auto file = db::Database::Open(dataFile, db::kDataFilePassword, error,
                                             db::Database::Access::ReadOnly);
        const auto count = file ? db::CountOutbox(*file) : std::nullopt;
        return count ? count->waiting : -1;
    };
    platform::HiveRegistry hive(home.file("Quorvel/registry.db"));

    const auto refused = Admin({"cafe", "leave"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("2 sessions of this PC still wait for the server"),
              std::string::npos)
        << refused.err;
    EXPECT_TRUE(cafe::LoadMembership(store::mdlRegistry(hive)));
    EXPECT_EQ(waiting(), 2);

    const auto forced = Admin({"cafe", "leave", "--force"});
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_NE(forced.out.find("2 sessions that had not reached the server stay in this PC's "
                              "takings only"),
              std::string::npos)
        << forced.out;
    EXPECT_FALSE(cafe::LoadMembership(store::mdlRegistry(hive)));
    EXPECT_EQ(waiting(), 0);
    const auto report = Admin({"report", "--from", "2026-03-01", "--till", "2026-03-01", "--csv"});
    EXPECT_NE(report.out.find("2026-03-01,2,5.00"), std::string::npos) << report.out;
}

}  // namespace
}  // namespace quorvel::test
#endif
