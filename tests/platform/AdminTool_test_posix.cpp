// quorvel-admin, run as the cafe owner runs it, with fresh XDG folders: reg against the
// settings store; init, rates, book and report against the data file. What it writes is
// read back the way the program reads it.
#ifdef QUORVEL_ADMIN
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "PosixProcess.h"
#include "RegArgs.h"
#include "db/Database.h"
#include "platform/posix/HiveRegistry.h"
#include "store/mdlRegistry.h"
#include "support/PdfText.h"
#include "support/TempDir.h"

namespace quorvel::test {
namespace {

using namespace std::string_literals;

const std::string kSettings = "Software\\Quorvel\\Settings";

namespace fs = std::filesystem;
using admin::Args;

class AdminTool : public ::testing::Test {
  protected:
    TempDir home;
    std::string store = home.file("Quorvel/registry.db");
    fs::path dataFolder = home.path() / "data" / "Quorvel" / "Data";

    // The tool as the cafe owner runs it. `unprivileged`: as the account nobody when
    // this runs as root, whom folder modes do not bind.
    CommandResult Admin(Args args, bool unprivileged = false) {
        args.insert(args.begin(), QUORVEL_ADMIN);
        if (unprivileged && ::geteuid() == 0)
            args.insert(args.begin(),
                        {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "--"});
        const std::string base = home.path().string();
        return RunCommand(args, {{"XDG_CONFIG_HOME", base},
                                 {"XDG_DATA_HOME", base + "/data"},
                                 {"XDG_STATE_HOME", base + "/state"}});
    }
    CommandResult Reg(Args args) {
        args.insert(args.begin(), "reg");
        return Admin(args);
    }
    CommandResult Init(Args more = {}, bool unprivileged = false) {
        Args args = {"init", "--admin-password", "a", "--guest-password", "g"};
        args.insert(args.end(), more.begin(), more.end());
        return Admin(args, unprivileged);
    }
    // A provisioned data file, opened with the program's own statements.
    std::unique_ptr<db::Database> DataFile() {
        std::string error;
        auto file = db::Database::Open((dataFolder / "QuorvelData.mdb").string(),
                                       db::kDataFilePassword, error);
        EXPECT_TRUE(file) << error;
        return file;
    }
    store::Variant ReadAsTheProgramDoes(const std::string& key, const std::string& name) {
        platform::HiveRegistry hive(store);
        return store::mdlRegistry(hive).ReadSetting(platform::kHkeyCurrentUser, key, name);
    }
};

// A failure is one line on stderr, nothing on stdout; wrong arguments add the usage.
void ExpectOneLineError(const CommandResult& result, int status, const std::string& mentions) {
    EXPECT_EQ(result.status, status) << result.err;
    EXPECT_EQ(result.out, "");
    const auto usage = result.err.find("\nusage: quorvel-admin reg ");
    EXPECT_EQ(usage != std::string::npos, status == 2) << result.err;
    const std::string error = result.err.substr(0, usage == std::string::npos ? usage : usage + 1);
    ASSERT_FALSE(error.empty());
    EXPECT_EQ(error.find('\n'), error.size() - 1) << result.err;
    EXPECT_NE(error.find(mentions), std::string::npos) << result.err;
}

TEST_F(AdminTool, ValuesGoIntoExistingKeysOnlyAndReadBackAsTheProgramReadsThem) {
    // No store yet: nothing to show, nothing to add to, and no file made by looking.
    ExpectOneLineError(Reg({"query", kSettings}), 1, kSettings);
    ExpectOneLineError(Reg({"add", kSettings, "/v", "Currency", "/t", "REG_SZ", "/d", "Rs"}), 1,
                       kSettings);
    EXPECT_FALSE(std::filesystem::exists(store));

    ASSERT_EQ(Reg({"addkey", "HKCU\\" + kSettings}).status, 0);
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"/v", "Currency", "/t", "REG_SZ", "/d", "Rs"},
             {"/v", "Blocking", "/t", "REG_DWORD", "/d", "1"},
             {"/v", "MinimumT", "/d", "010"},
             {"/v", "Wide", "/t", "REG_DWORD", "/d", "0xFFFFFFFF"},
             {"/v", "Ten", "/t", "REG_DWORD", "/d", "010"},
             {"/ve", "/d", "default"}}) {
        std::vector<std::string> command = {"add", kSettings};
        command.insert(command.end(), args.begin(), args.end());
        const auto result = Reg(command);
        EXPECT_EQ(result.status, 0) << args[1] << ": " << result.err;
    }
    EXPECT_EQ(ReadAsTheProgramDoes(kSettings, "Currency").ToText(), "Rs\0"s);
    EXPECT_EQ(ReadAsTheProgramDoes(kSettings, "MinimumT").ToText(), "010\0"s);
    EXPECT_EQ(ReadAsTheProgramDoes(kSettings, "Blocking"), store::Variant(1));
    EXPECT_EQ(ReadAsTheProgramDoes(kSettings, "Wide"), store::Variant(-1));
    EXPECT_EQ(ReadAsTheProgramDoes(kSettings, "Ten"), store::Variant(10));
    EXPECT_EQ(ReadAsTheProgramDoes(kSettings, "").ToText(), "default\0"s);

    const auto all = Reg({"query", kSettings});
    EXPECT_EQ(all.status, 0);
    EXPECT_EQ(all.out, "\nHKEY_CURRENT_USER\\" + kSettings +
                           "\n"
                           "    Currency    REG_SZ    Rs\n"
                           "    Blocking    REG_DWORD    0x1\n"
                           "    MinimumT    REG_SZ    010\n"
                           "    Wide    REG_DWORD    0xffffffff\n"
                           "    Ten    REG_DWORD    0xa\n"
                           "    (Default)    REG_SZ    default\n");
    // Keys, value names and the root ignore letter case, as the store does; the key is
    // said as typed, the value as stored.
    const std::string typed = "SOFTWARE\\quorvel\\settings";
    const auto one = Reg({"query", "hkey_current_user\\" + typed, "/V", "BLOCKING"});
    EXPECT_EQ(one.status, 0);
    EXPECT_EQ(one.out, "\nHKEY_CURRENT_USER\\" + typed + "\n    Blocking    REG_DWORD    0x1\n");
    // HKCU alone is the root itself, with no values of its own.
    EXPECT_EQ(Reg({"query", "HKCU"}).out, "\nHKEY_CURRENT_USER\n");
    ExpectOneLineError(Reg({"query", "Software\\\\Quorvel"}), 1, "not a valid key path");
    ExpectOneLineError(Reg({"query", kSettings, "/v", "LoginScr"}), 1, "LoginScr");
    // Every refusal of the argument reader (RegArgs below) ends the same way: the
    // reason and a usage line, and nothing stored.
    ExpectOneLineError(Reg({"add", kSettings, "/v", "Bad", "/t", "REG_DWORD", "/d", "0x 5"}), 2,
                       "REG_DWORD");
    ExpectOneLineError(Reg({"add", kSettings, "/v", "Bad", "/d"}), 2, "/d");
    EXPECT_TRUE(ReadAsTheProgramDoes(kSettings, "Bad").IsEmpty());

    // Delete takes that value only; a missing one, or one of a missing key, is an error.
    EXPECT_EQ(Reg({"delete", kSettings, "/v", "Currency"}).status, 0);
    EXPECT_TRUE(ReadAsTheProgramDoes(kSettings, "Currency").IsEmpty());
    EXPECT_EQ(ReadAsTheProgramDoes(kSettings, "MinimumT").ToText(), "010\0"s);
    ExpectOneLineError(Reg({"delete", kSettings, "/v", "Currency"}), 1, "Currency");
    ExpectOneLineError(Reg({"delete", "Software\\Absent", "/v", "Currency"}), 1,
                       "Software\\Absent");

    // A key below an existing one is still a missing key for add.
    const std::string timers = "Software\\Quorvel\\Timers";
    ExpectOneLineError(Reg({"add", timers, "/v", "Status", "/t", "REG_DWORD", "/d", "1"}), 1,
                       timers);
    ExpectOneLineError(Reg({"query", timers}), 1, timers);
}

// A store that is not one, or that another process holds locked: every verb says why
// in one line, and the store is left as it was.
TEST_F(AdminTool, AnUnusableStoreIsReportedAndLeftAsItIs) {
    ASSERT_EQ(Reg({"addkey", kSettings}).status, 0);
    ASSERT_EQ(Reg({"add", kSettings, "/v", "Currency", "/d", "Rs"}).status, 0);
    for (const bool locked : {true, false}) {
        if (!locked) WriteFileBytes(store, std::string(5000, 'j'));
        const std::string before = ReadFileBytes(store);
        std::optional<StoreLocker> locker;
        if (locked) locker.emplace(store, StoreLocker::Lock::Exclusive);
        ASSERT_TRUE(!locked || locker->held());
        for (const auto& args :
             std::vector<std::vector<std::string>>{{"query", kSettings},
                                                   {"add", kSettings, "/v", "Currency", "/d", "$"},
                                                   {"addkey", kSettings},
                                                   {"delete", kSettings, "/v", "Currency"}}) {
            const auto result = Reg(args);
            EXPECT_EQ(result.status, 1) << args[0];
            EXPECT_EQ(result.err, "settings store unreadable: " + store + ": " +
                                      (locked ? "database is locked" : "file is not a database") +
                                      "\n")
                << args[0];
            EXPECT_EQ(result.out, "") << args[0];
        }
        locker.reset();
        EXPECT_EQ(ReadFileBytes(store), before);
        if (locked) {
            EXPECT_EQ(ReadAsTheProgramDoes(kSettings, "Currency").ToText(), "Rs\0"s);
        }
    }
}

// Another program may have stored a name longer than the store itself accepts.
TEST_F(AdminTool, AValueNameLongerThanAnyBufferIsListed) {
    ASSERT_EQ(Reg({"addkey", kSettings}).status, 0);
    const std::string name(20000, 'n');
    {
        std::string error;
        auto other = sqlite::Connection::Open(store, SQLITE_OPEN_READWRITE, error);
        sqlite::Statement insert(other,
                                 "INSERT INTO vals(key, name, type, data) SELECT id, ?, 1, x'6100' "
                                 "FROM keys WHERE name = 'Settings'");
        ASSERT_TRUE(insert.Bind(1, name).Run()) << other.LastError();
    }
    const auto all = Reg({"query", kSettings});
    EXPECT_EQ(all.status, 0) << all.err;
    EXPECT_NE(all.out.find("    " + name + "    REG_SZ    a\n"), std::string::npos);
}

TEST_F(AdminTool, InitReportsADataFolderItCannotSearch) {
    fs::create_directories(dataFolder);
    if (::geteuid() == 0) {
        for (const auto& entry : fs::recursive_directory_iterator(home.path()))
            ASSERT_EQ(::chown(entry.path().c_str(), 65534, 65534), 0);
    }
    ASSERT_EQ(::chown(home.path().c_str(), ::geteuid() == 0 ? 65534 : ::geteuid(), -1), 0);
    fs::permissions(dataFolder, fs::perms::none);
    const auto result = Init({}, true);
    fs::permissions(dataFolder, fs::perms::owner_all);
    ExpectOneLineError(result, 1, "Permission denied");
    EXPECT_NE(result.err.find(dataFolder.string()), std::string::npos) << result.err;
}

// An account the password database does not know, with no HOME and no XDG folders.
TEST_F(AdminTool, WithoutAHomeFolderNothingLandsInTheCurrentFolder) {
    ASSERT_EQ(::geteuid(), 0u) << "runs the tool as an account without a home: needs root";
    fs::permissions(home.path(), fs::perms::all);
    Args args = {"setpriv", "--reuid=54321", "--regid=54321", "--clear-groups", "--", "env"};
    for (const char* unset : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"})
        args.insert(args.end(), {"-u", unset});
    args.insert(args.end(), {"-C", home.path().string(), QUORVEL_ADMIN, "init", "--admin-password",
                             "a", "--guest-password", "g"});
    const auto result = RunCommand(args, {});
    ExpectOneLineError(result, 1, "no folder for the program's files");
    EXPECT_TRUE(fs::is_empty(home.path()));
}

TEST_F(AdminTool, InitForceLeavesNoHalfMadeFileWhenTheDataFileCannotBeReplaced) {
    // A folder stands where the data file goes: the final rename fails.
    fs::create_directories(dataFolder / "QuorvelData.mdb" / "in the way");
    ExpectOneLineError(Init({"--force"}), 1, "QuorvelData.mdb");
    EXPECT_FALSE(fs::exists(dataFolder / "QuorvelData.mdb.new"));
}

TEST_F(AdminTool, RatesAreShownAndSetAsTheRateBoxesSetThem) {
    ASSERT_EQ(Init().status, 0);
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

TEST_F(AdminTool, EachAmountBooksOneSessionOnItsDay) {
    // Unprovisioned: the missing data file is named.
    ExpectOneLineError(Admin({"book", "11/03/2026", "10"}), 1,
                       (dataFolder / "QuorvelData.mdb").string());
    ASSERT_EQ(Init().status, 0);
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

// The largest figure the report shows is 35184372088831.99: book takes nothing beyond
// it, for an amount or a day's takings, and report refuses a figure beyond it (one
// stored before the limit, or a total of days that each fit) rather than show it wrong.
TEST_F(AdminTool, NoFigureBeyondWhatTheReportShowsToTheCentIsBookedOrReported) {
    ASSERT_EQ(Init().status, 0);
    {
        // Booked as the program books, before there was a limit: 5e16 twice.
        auto file = DataFile();
        for (int i = 0; i < 2; ++i)
            ASSERT_EQ(db::AddSessionToDailyTotals(*file, "03/01/2026", 5e16, ""),
                      db::Booking::Booked);
    }
    const std::string beyond =
        "more than the report can show to the cent (at most 35184372088831.99)";
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string says;  // on stderr, or the last line on stdout
    };
    for (const Case& c : std::vector<Case>{
             {{"book", "03/03/2026", "1e17"}, 2, "'1e17' is " + beyond},
             {{"book", "03/02/2026", "35184372088831.99"}, 0, "takings 35184372088831.99\n"},
             {{"book", "03/02/2026", "0.01"}, 1, beyond + "; nothing booked"},
             {{"book", "03/03/2026", "30000000000000", "0.01"}, 0, "guests 2"},
             {{"report", "--from", "2026-03-02", "--till", "2026-03-02"},
              0,
              "1  35184372088831.99\n"},
             {{"report", "--from", "2026-03-01", "--till", "2026-03-01"},
              1,
              "The takings of 03/01/2026, 100000000000000000.00, are " + beyond},
             {{"report", "--csv", "--from", "2026-03-02", "--till", "2026-03-03"},
              1,
              "The total of the takings from 03/02/2026 till 03/03/2026 is " + beyond},
         }) {
        const auto result = Admin(c.args);
        const std::string& said = c.status == 0 ? result.out : result.err;
        EXPECT_EQ(result.status, c.status)
            << c.args[0] << " " << c.args.back() << ": " << result.err;
        EXPECT_NE(said.find(c.says), std::string::npos) << said;
        if (c.status != 0) {
            EXPECT_EQ(result.out, "");
            EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        }
    }
    const auto day = db::FindDay(*DataFile(), "03/02/2026");
    ASSERT_TRUE(day);
    EXPECT_EQ(day->gnum, 1) << "the cent beyond was not booked";
}

// Arguments are read without a process; what reg.exe refuses is refused before the
// store is touched.
TEST(RegArgs, RefusesWhatRegExeRefuses) {
    const std::string k = kSettings;
    std::vector<Args> refused = {
        {},
        {"frob", k},
        {"query"},
        {"query", k, "/v"},
        {"query", k, "/zz"},
        {"query", k, "/v", "a", "/V", "b"},
        {"query", k, "/v", "a", "/ve"},
        {"query", "HKCU\\"},
        {"query", "HKLM\\Software"},
        {"query", "HKEY_LOCAL_MACHINE"},
        {"addkey", ""},
        {"addkey", k, "/f"},
        {"add", k, "/d", "1"},
        {"add", k, "/v", "x", "/d"},
        {"add", k, "/v", "x", "/t", "REG_BINARY", "/d", "00"},
        {"delete", k},
    };
    for (const char* dword : {"0x 5", "0x0x10", "", "0x", "abc", "12abc", "4294967296",
                              "0x100000000", "-1", "-0x1", " 5"})
        refused.push_back({"add", k, "/v", "x", "/t", "REG_DWORD", "/d", dword});
    for (const auto& args : refused) {
        admin::RegRequest request;
        std::string error;
        EXPECT_FALSE(admin::ParseRegArgs(args, request, error))
            << (args.size() > 1 ? args[1] : "") << " " << (args.empty() ? "" : args.back());
        EXPECT_FALSE(error.empty());
    }
}

TEST(RegArgs, TakesOptionsAndTheRootPrefixInAnyLetterCase) {
    using Verb = admin::RegRequest::Verb;
    struct Case {
        Args args;
        Verb verb;
        std::string key;
        std::optional<std::string> value;
        std::uint32_t number = 0;
        std::string text = {};
    };
    const Case cases[] = {
        {{"QUERY", "hkcu\\Software\\Q"}, Verb::Query, "Software\\Q", std::nullopt},
        {{"query", "HKCU"}, Verb::Query, "", std::nullopt},
        {{"query", "Software\\Q\\", "/VE"}, Verb::Query, "Software\\Q", ""},
        {{"addkey", "HKEY_CURRENT_USER\\A"}, Verb::AddKey, "A", std::nullopt},
        {{"add", "A", "/F", "/v", "/d", "/D", "x"}, Verb::Add, "A", "/d", 0, "x"},
        {{"add", "A", "/v", "n", "/t", "reg_dword", "/d", "0xFFFFFFFF"},
         Verb::Add,
         "A",
         "n",
         0xFFFFFFFFu},
        {{"add", "A", "/ve", "/t", "REG_DWORD", "/d", "010"}, Verb::Add, "A", "", 10},
        {{"delete", "A", "/v", "n", "/f"}, Verb::Delete, "A", "n"},
    };
    for (const auto& c : cases) {
        admin::RegRequest request;
        std::string error;
        ASSERT_TRUE(admin::ParseRegArgs(c.args, request, error)) << c.args[1] << ": " << error;
        EXPECT_EQ(request.verb, c.verb) << c.args[1];
        EXPECT_EQ(request.key, c.key) << c.args[1];
        EXPECT_EQ(request.value, c.value) << c.args[1];
        EXPECT_EQ(request.number, c.number) << c.args[1];
        EXPECT_EQ(request.text, c.text) << c.args[1];
    }
}

// `report`, run without a display on a seeded data file: the same lines and totals as a
// table, as CSV and as the report window's PDF; clear one-line errors; and the data
// file's bytes never touched.
class AdminReport : public AdminTool {
  protected:
    void SetUp() override {
        // As over a remote shell: no display to draw on.
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        ASSERT_EQ(Init().status, 0);
        auto file = DataFile();
        ASSERT_TRUE(file);
        for (const auto& [day, amounts] :
             std::vector<std::pair<const char*, std::vector<double>>>{{"12/30/2025", {10, 2.5}},
                                                                      {"12/31/2025", {7.25}},
                                                                      {"01/01/2026", {5, 5, 5.1}},
                                                                      {"01/15/2026", {0.1, 0.2}}})
            for (double amount : amounts)
                ASSERT_EQ(db::AddSessionToDailyTotals(*file, day, amount, ""), db::Booking::Booked);
        file.reset();
        before = ReadFileBytes(dataPath);
        ASSERT_FALSE(before.empty());
    }
    void TearDown() override {
        EXPECT_EQ(ReadFileBytes(dataPath), before) << "the data file's bytes changed";
        EXPECT_FALSE(fs::exists(dataPath + "-journal"));
    }

    CommandResult Report(Args args) {
        args.insert(args.begin(), "report");
        return Admin(args);
    }

    const std::string dataPath = (dataFolder / "QuorvelData.mdb").string();
    std::string before;
};

TEST_F(AdminReport, TheTableAndTheCsvListTheDaysOfTheRangeAndTheirTotals) {
    const std::pair<Args, std::string> cases[] = {
        {{"--from", "2025-12-31", "--till", "2026-01-31"},
         "User Transaction Report\n"
         "From 12/31/2025 till 01/31/2026\n"
         "\n"
         "Date        Total Guests Visited  Cash Generated\n"
         "----------  --------------------  --------------\n"
         "12/31/2025                     1            7.25\n"
         "01/01/2026                     3           15.10\n"
         "01/15/2026                     2            0.30\n"
         "----------  --------------------  --------------\n"
         "Total                          6           22.65\n"},
        {{"--csv", "--from", "2025-12-01", "--till", "2025-12-31"},
         "Date,Total Guests Visited,Cash Generated\r\n"
         "2025-12-30,2,12.50\r\n"
         "2025-12-31,1,7.25\r\n"
         "Total,3,19.75\r\n"},
        {{"--csv", "--from", "2026-06-01", "--till", "2026-06-01"},
         "Date,Total Guests Visited,Cash Generated\r\nTotal,0,0.00\r\n"},
    };
    for (const auto& [args, expected] : cases) {
        const auto result = Report(args);
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.out, expected);
    }
}

TEST_F(AdminReport, ThePdfIsTheReportWindowsWithoutADisplay) {
    const std::string pdf = home.file("takings.pdf");
    const auto result = Report({"--from", "2025-12-30", "--till", "2026-01-15", "--pdf", pdf});
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
        const auto result = Report(c.args);
        EXPECT_EQ(result.status, c.status) << c.says;
        EXPECT_EQ(result.out, "") << c.says;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
        if (c.status == 1) {
            EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(home.file("no-such-folder")));
}

// A PDF is written beside its target and renamed over it: a pipe, a device, a folder,
// or a link to one of them, is refused and left as it was.
TEST_F(AdminReport, APdfTargetThatIsNoRegularFileIsRefusedAndLeftAsItIs) {
    const fs::path folder = home.path() / "targets";
    fs::create_directories(folder);
    const auto at = [&](const char* name) { return (folder / name).string(); };
    ASSERT_EQ(mkfifo(at("pipe").c_str(), 0600), 0);
    // A node with the numbers of the full device, made here (this runs as root).
    ASSERT_EQ(mknod(at("device").c_str(), S_IFCHR | 0600, makedev(1, 7)), 0)
        << std::strerror(errno);
    fs::create_directory(at("folder"));
    fs::create_symlink(at("device"), at("link"));
    for (const char* name : {"pipe", "device", "folder", "link"}) {
        struct stat before = {};
        struct stat after = {};
        ASSERT_EQ(lstat(at(name).c_str(), &before), 0);
        const auto result =
            Report({"--from", "2025-12-30", "--till", "2026-01-15", "--pdf", at(name)});
        ExpectOneLineError(result, 1, "cannot write " + at(name) + ": it is not a regular file");
        ASSERT_EQ(lstat(at(name).c_str(), &after), 0);
        EXPECT_EQ(after.st_mode, before.st_mode) << name;
        EXPECT_EQ(after.st_ino, before.st_ino) << name;
        EXPECT_EQ(after.st_rdev, before.st_rdev) << name;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 4)
        << "nothing left beside them";
}

// Another program writing the data file is said as such, first, and never taken for a
// wrong password or damage.
TEST_F(AdminReport, ADataFileBeingWrittenIsSaidFirstNotTakenForABadPassword) {
    const auto expectSaid = [&](const std::string& what) {
        const auto result = Report({"--from", "2025-12-01", "--till", "2025-12-31"});
        ExpectOneLineError(result, 1,
                           "quorvel-admin report: cannot open the data file " + dataPath +
                               ": The data file '" + dataPath + "' " + what);
        EXPECT_EQ(result.err.find("password"), std::string::npos) << result.err;
    };
    std::string journal;
    {
        // A second connection in the middle of a write holds the write lock.
        auto writer = DataFile();
        ASSERT_TRUE(writer->connection().Exec("BEGIN EXCLUSIVE"));
        expectSaid("is busy: another program is writing to it");
        // Part way through a write too large for its cache, the file holds new pages and
        // the journal the old ones ...
        ASSERT_TRUE(writer->connection().Exec(
            "PRAGMA cache_size = 1; WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
            "FROM n WHERE i < 500) INSERT INTO Guest_T SELECT hex(randomblob(500)), 1, 0 FROM n"));
        journal = ReadFileBytes(dataPath + "-journal");
        ASSERT_TRUE(writer->connection().Exec("ROLLBACK"));
    }
    // ... and a writer killed there leaves it behind. (The rollback wrote the old pages
    // back under new encryption: the report must leave these bytes as they are.)
    before = ReadFileBytes(dataPath);
    WriteFileBytes(dataPath + "-journal", journal);
    expectSaid("is half-written: a program stopped while writing to it");
    fs::remove(dataPath + "-journal");
}

TEST_F(AdminReport, ADamagedDataFileIsOneLineAndStatusOne) {
    // Another key is as good as damage: the file does not open.
    std::string damaged = before;
    for (std::size_t i = 100; i < 4096 && i < damaged.size(); ++i) damaged[i] = char(i * 7);
    WriteFileBytes(dataPath, damaged);
    ExpectOneLineError(Report({"--from", "2025-12-01", "--till", "2025-12-31"}), 1,
                       "cannot open the data file");
    before = damaged;
}

}  // namespace
}  // namespace quorvel::test
#endif
