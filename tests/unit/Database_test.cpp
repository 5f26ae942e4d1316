// The data file's statements and the daily totals, on real keyed files.
#include <gtest/gtest.h>

#include <filesystem>
#include <limits>

#include "db/Compaction.h"
#include "db/Database.h"
#include "support/DataFile.h"
#include "support/TempDir.h"

namespace quorvel::test {
namespace {

using db::Booking;
using db::Database;

// An empty data file (no logins, no rates) in a scratch program folder.
std::shared_ptr<Database> NewDataFile(const TempDir& dir) {
    std::filesystem::create_directories(dir.path() / "Data");
    return CreateDataFile(db::DataFilePath(dir.path().string()), {.logins = false});
}

// The tests on an empty data file's tables.
struct EmptyDataFile : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(file); }
    TempDir dir;
    std::shared_ptr<Database> file = NewDataFile(dir);
};
using LoginM = EmptyDataFile;
using GuestT = EmptyDataFile;
using RatesM = EmptyDataFile;

std::int64_t Scalar(const Database& file, const char* sql) {
    sqlite::Statement statement(file.connection(), sql);
    EXPECT_EQ(statement.Step(), SQLITE_ROW) << file.connection().LastError();
    return statement.Int(0);
}

std::string ColumnNames(const Database& file, const std::string& table) {
    const std::string sql = "SELECT * FROM " + table;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(file.connection().get(), sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
        return "?";
    std::string names;
    for (int i = 0; i < sqlite3_column_count(stmt); ++i)
        names += (i ? "," : "") + std::string(sqlite3_column_name(stmt, i));
    sqlite3_finalize(stmt);
    return names;
}

TEST(DataFile, OpenNeverCreatesOrAltersAFileItCannotUse) {
    TempDir dir;
    const std::string path = db::DataFilePath(dir.path().string());
    std::string error;

    // Missing: a clear reason, and still no file afterwards.
    EXPECT_FALSE(Database::Open(path, db::kDataFilePassword, error));
    EXPECT_NE(error.find("Could not find file"), std::string::npos) << error;
    std::filesystem::create_directories(dir.path() / "Data");
    EXPECT_FALSE(Database::Open(path, db::kDataFilePassword, error));
    EXPECT_FALSE(std::filesystem::exists(path));

    // Another password, a damaged file, an empty file, a plain SQLite file: each
    // refused and left byte for byte as it was.
    NewDataFile(dir).reset();
    const std::string keyed = ReadFileBytes(path);
    EXPECT_FALSE(Database::Open(path, "quiltmoss2", error));
    EXPECT_NE(error.find("Not a valid password"), std::string::npos) << error;
    EXPECT_EQ(ReadFileBytes(path), keyed);

    std::string damaged = keyed;
    for (std::size_t i = 0; i < 64; ++i) damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
    WriteFileBytes(path, damaged);
    EXPECT_FALSE(Database::Open(path, db::kDataFilePassword, error));
    EXPECT_EQ(ReadFileBytes(path), damaged);

    WriteFileBytes(path, "");
    EXPECT_FALSE(Database::Open(path, db::kDataFilePassword, error));
    EXPECT_EQ(ReadFileBytes(path), "");

    std::filesystem::remove(path);
    {
        std::string openError;
        auto plain =
            sqlite::Connection::Open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, openError);
        ASSERT_TRUE(plain.Exec("CREATE TABLE Login_M (Login, Password)"));
    }
    const std::string plainBytes = ReadFileBytes(path);
    EXPECT_FALSE(Database::Open(path, db::kDataFilePassword, error));
    EXPECT_EQ(ReadFileBytes(path), plainBytes);
}

TEST(DataFile, CreateRefusesAnExistingFileAndOpenAcceptsWhatItMade) {
    TempDir dir;
    auto created = NewDataFile(dir);
    ASSERT_TRUE(created);
    EXPECT_TRUE(db::AddLogin(*created, "admin", "secret"));
    created.reset();

    const std::string path = db::DataFilePath(dir.path().string());
    const std::string before = ReadFileBytes(path);
    std::string error;
    EXPECT_FALSE(Database::Create(path, db::kDataFilePassword, error));
    EXPECT_EQ(ReadFileBytes(path), before);

    auto opened = Database::Open(path, db::kDataFilePassword, error);
    ASSERT_TRUE(opened) << error;
    ASSERT_TRUE(db::FindLogin(*opened, "admin"));
    // Columns in their binding order: readers address them by position.
    EXPECT_EQ(ColumnNames(*opened, "Login_M"), "Login,Password");
    EXPECT_EQ(ColumnNames(*opened, "Guest_T"), "Gdate,Gnum,Gamt");
    EXPECT_EQ(ColumnNames(*opened, "Rates_M"), "Rate0to14,Rate15to29,Rate30to44,Rate45to59");
}

TEST(DataFile, AFileWithoutTheBookedTableGetsItOnOpen) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "Data");
    const std::string path = db::DataFilePath(dir.path().string());
    {
        std::string error;
        auto conn =
            sqlite::Connection::Open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, error);
        ASSERT_EQ(sqlite3_key(conn.get(), "quiltmoss", 9), SQLITE_OK);
        ASSERT_TRUE(
            conn.Exec("CREATE TABLE Login_M (Login TEXT, Password TEXT);"
                      "CREATE TABLE Guest_T (Gdate TEXT, Gnum INTEGER, Gamt REAL);"
                      "CREATE TABLE Rates_M (Rate0to14, Rate15to29, Rate30to44, Rate45to59);",
                      &error))
            << error;
    }
    std::string error;
    auto file = Database::Open(path, db::kDataFilePassword, error);
    ASSERT_TRUE(file) << error;
    EXPECT_EQ(db::AddSessionToDailyTotals(*file, "05/01/2026", 10.0, "s1"), Booking::Booked);
    EXPECT_EQ(db::AddSessionToDailyTotals(*file, "05/01/2026", 10.0, "s1"), Booking::AlreadyBooked);
    file.reset();

    // A file whose tables are not the program's is refused, and left as it is.
    {
        auto conn = sqlite::Connection::Open(path, SQLITE_OPEN_READWRITE, error);
        ASSERT_EQ(sqlite3_key(conn.get(), "quiltmoss", 9), SQLITE_OK);
        ASSERT_TRUE(conn.Exec("DROP TABLE Rates_M; CREATE TABLE Rates_M (A, B, C, D);"));
    }
    EXPECT_FALSE(Database::Open(path, db::kDataFilePassword, error));
    EXPECT_NE(error.find("not a Quorvel data file"), std::string::npos) << error;
}

TEST_F(LoginM, LookupIgnoresCaseAndEveryStatementBindsItsValues) {
    ASSERT_TRUE(db::AddLogin(*file, "admin", "Adm1n"));
    ASSERT_TRUE(db::AddLogin(*file, "guest", "it's \"quoted\"; --"));
    ASSERT_TRUE(db::AddLogin(*file, "o'brien", "x"));

    auto admin = db::FindLogin(*file, "ADMIN");
    ASSERT_TRUE(admin);
    EXPECT_EQ(admin->login, "admin");  // the stored text, for the case-sensitive checks
    EXPECT_EQ(admin->password, "Adm1n");
    EXPECT_EQ(db::FindLogin(*file, "guest")->password, "it's \"quoted\"; --");

    // Typed text never changes the statement: these are names that do not exist.
    for (const char* typed : {"admin'", "' OR '1'='1", "admin' --", "%", "_____", "guest;",
                              "admin\"", "'; DROP TABLE Login_M; --", " admin"})
        EXPECT_FALSE(db::FindLogin(*file, typed)) << typed;
    EXPECT_TRUE(db::FindLogin(*file, "O'Brien"));
    EXPECT_EQ(Scalar(*file, "SELECT count(*) FROM Login_M"), 3);

    // A new password is written to the row the lookup finds, and to no other.
    EXPECT_TRUE(db::SetPassword(*file, "admin", "n'ew' OR 1=1 --"));
    EXPECT_EQ(db::FindLogin(*file, "admin")->password, "n'ew' OR 1=1 --");
    EXPECT_FALSE(db::SetPassword(*file, "admin' OR '1'='1", "hijack"));
    EXPECT_FALSE(db::SetPassword(*file, "nobody", "x"));
    EXPECT_EQ(db::FindLogin(*file, "guest")->password, "it's \"quoted\"; --");
}

TEST_F(GuestT, DailyTotalsCountSessionsUpTo32767AndAddAmounts) {
    EXPECT_EQ(db::AddSessionToDailyTotals(*file, "12/05/2026", 25.0, "a"), Booking::Booked);
    auto day = db::FindDay(*file, "12/05/2026");
    ASSERT_TRUE(day);
    EXPECT_EQ(day->gdate, "12/05/2026");
    EXPECT_EQ(day->gnum, 1);
    EXPECT_DOUBLE_EQ(day->gamt.value_or(-1), 25.0);

    // Fractional amounts, and the same day written without leading zeros.
    EXPECT_EQ(db::AddSessionToDailyTotals(*file, "12/5/2026", 2.5, "b"), Booking::Booked);
    EXPECT_EQ(db::AddSessionToDailyTotals(*file, "12/05/2026", 0.25, "c"), Booking::Booked);
    day = db::FindDay(*file, "12/5/2026");
    EXPECT_EQ(day->gnum, 3);
    EXPECT_DOUBLE_EQ(day->gamt.value_or(-1), 27.75);
    EXPECT_EQ(Scalar(*file, "SELECT count(*) FROM Guest_T"), 1);

    // A non-number amount counts the guest and adds nothing.
    EXPECT_EQ(db::AddSessionToDailyTotals(*file, "12/05/2026", std::nullopt, "d"), Booking::Booked);
    EXPECT_EQ(db::FindDay(*file, "12/05/2026")->gnum, 4);
    EXPECT_DOUBLE_EQ(db::FindDay(*file, "12/05/2026")->gamt.value_or(-1), 27.75);

    // A day whose first amount was not a number: Null, and later amounts still count.
    EXPECT_EQ(db::AddSessionToDailyTotals(*file, "12/06/2026", std::nullopt, "e"), Booking::Booked);
    EXPECT_FALSE(db::FindDay(*file, "12/06/2026")->gamt);
    EXPECT_EQ(db::AddSessionToDailyTotals(*file, "12/06/2026", 10.0, "f"), Booking::Booked);
    EXPECT_DOUBLE_EQ(db::FindDay(*file, "12/06/2026")->gamt.value_or(-1), 10.0);

    // Not a date: nothing booked, and the identity stays free for a later try.
    EXPECT_EQ(db::AddSessionToDailyTotals(*file, "", 5.0, "g"), Booking::Failed);
    EXPECT_EQ(db::AddSessionToDailyTotals(*file, "12/05/2026' OR 1=1 --", 5.0, "g"),
              Booking::Failed);
    EXPECT_FALSE(db::IsSessionBooked(*file, "g"));
    EXPECT_EQ(Scalar(*file, "SELECT count(*) FROM Guest_T"), 2);

    // Two finite amounts whose sum is not: refused whole, the day as it was.
    const double huge = std::numeric_limits<double>::max();
    ASSERT_EQ(db::AddSessionToDailyTotals(*file, "12/07/2026", huge, "h"), Booking::Booked);
    EXPECT_EQ(db::AddSessionToDailyTotals(*file, "12/07/2026", huge, "i"), Booking::Failed);
    EXPECT_FALSE(db::IsSessionBooked(*file, "i"));
    EXPECT_EQ(db::FindDay(*file, "12/07/2026")->gnum, 1);
    EXPECT_EQ(db::FindDay(*file, "12/07/2026")->gamt, huge);

    // The count stops at 32767 while amounts are still added.
    ASSERT_TRUE(file->connection().Exec("UPDATE Guest_T SET Gnum = 32766"));
    EXPECT_EQ(db::AddSessionToDailyTotals(*file, "12/06/2026", 1.0, "j"), Booking::Booked);
    EXPECT_EQ(db::FindDay(*file, "12/06/2026")->gnum, 32767);
    EXPECT_EQ(db::AddSessionToDailyTotals(*file, "12/06/2026", 1.5, "k"), Booking::Booked);
    EXPECT_EQ(db::FindDay(*file, "12/06/2026")->gnum, 32767);
    EXPECT_DOUBLE_EQ(db::FindDay(*file, "12/06/2026")->gamt.value_or(-1), 12.5);
}

TEST_F(GuestT, EachSessionIdentityIsBookedOnce) {
    const std::string id = "guest|12/05/2026|10:00:00 PM|it's";
    EXPECT_FALSE(db::IsSessionBooked(*file, id));
    EXPECT_EQ(db::AddSessionToDailyTotals(*file, "12/05/2026", 30.0, id), Booking::Booked);
    EXPECT_TRUE(db::IsSessionBooked(*file, id));
    // The close-out after a crash between booking and Status 0 finds it booked.
    EXPECT_EQ(db::AddSessionToDailyTotals(*file, "12/05/2026", 30.0, id), Booking::AlreadyBooked);
    EXPECT_EQ(db::AddSessionToDailyTotals(*file, "12/06/2026", 30.0, id), Booking::AlreadyBooked);
    auto day = db::FindDay(*file, "12/05/2026");
    EXPECT_EQ(day->gnum, 1);
    EXPECT_DOUBLE_EQ(day->gamt.value_or(-1), 30.0);
    EXPECT_FALSE(db::FindDay(*file, "12/06/2026"));

    // Without an identity every call books.
    EXPECT_EQ(db::AddSessionToDailyTotals(*file, "12/05/2026", 1.0, ""), Booking::Booked);
    EXPECT_EQ(db::AddSessionToDailyTotals(*file, "12/05/2026", 1.0, ""), Booking::Booked);
    EXPECT_EQ(db::FindDay(*file, "12/05/2026")->gnum, 3);

    // The record of identities stays short, and the latest are always in it.
    ASSERT_TRUE(file->connection().Exec("PRAGMA synchronous=OFF"));  // speed only
    for (int i = 0; i < 450; ++i)
        ASSERT_EQ(db::AddSessionToDailyTotals(*file, "12/07/2026", 1.0, "s" + std::to_string(i)),
                  Booking::Booked);
    EXPECT_LE(Scalar(*file, "SELECT count(*) FROM Booked_T"), 201);
    EXPECT_TRUE(db::IsSessionBooked(*file, "s449"));
    EXPECT_TRUE(db::IsSessionBooked(*file, "s300"));
    EXPECT_EQ(db::FindDay(*file, "12/07/2026")->gnum, 450);
}

TEST_F(GuestT, DayRangesCompareCalendarDaysAcrossMonthsAndYears) {
    // Booked out of order; as text "01/..." sorts before "12/...".
    for (const char* dayText :
         {"01/01/2026", "12/31/2025", "02/01/2026", "12/30/2025", "01/15/2025", "03/01/2026"})
        ASSERT_EQ(db::AddSessionToDailyTotals(*file, dayText, 1.0, dayText), Booking::Booked);

    auto days = [&](const std::string& from, const std::string& till) {
        std::string joined;
        const auto rows = db::SelectDays(*file, from, till);
        EXPECT_TRUE(rows) << from << " " << till;
        for (const auto& row : rows.value_or(std::vector<db::DayRow>{})) joined += row.gdate + " ";
        return joined;
    };
    EXPECT_EQ(days("12/31/2025", "1/1/2026"), "12/31/2025 01/01/2026 ");
    EXPECT_EQ(days("1/1/2026", "1/1/2026"), "01/01/2026 ");
    EXPECT_EQ(days("12/1/2025", "2/28/2026"), "12/30/2025 12/31/2025 01/01/2026 02/01/2026 ");
    EXPECT_EQ(days("01/01/2025", "12/31/2026"),
              "01/15/2025 12/30/2025 12/31/2025 01/01/2026 02/01/2026 03/01/2026 ");
    EXPECT_EQ(days("1/2/2026", "1/31/2026"), "");
    EXPECT_EQ(days("2/1/2026", "1/1/2026"), "");  // From after Till: no rows, no message
    EXPECT_EQ(days("1/1/2026' OR '1'='1", "1/1/2026"), "");

    EXPECT_EQ(db::FindDay(*file, "1/1/2026")->gdate, "01/01/2026");
    EXPECT_FALSE(db::FindDay(*file, "1/1/2027"));
}

TEST_F(RatesM, FirstSaveAddsTheRowLaterSavesOverwriteIt) {
    EXPECT_FALSE(db::ReadRates(*file));

    EXPECT_TRUE(db::WriteRates(*file, {"10", " 15 ", "20.5", "abc"}));
    auto values = db::ReadRateValues(*file);
    ASSERT_TRUE(values);
    EXPECT_EQ((*values)[0], 10.0);
    EXPECT_EQ((*values)[1], 15.0);
    EXPECT_EQ((*values)[2], 20.5);
    EXPECT_FALSE((*values)[3]);  // refused text: nothing stored
    EXPECT_EQ(db::ReadRates(*file)->at(3), 0.0);

    // A refused text leaves its column as it was; metacharacters are just text.
    EXPECT_TRUE(db::WriteRates(*file, {"1); DROP TABLE Rates_M; --", "", "30", "25"}));
    const auto rates = db::ReadRates(*file);
    ASSERT_TRUE(rates);
    EXPECT_EQ(*rates, (std::array<double, 4>{10, 15, 30, 25}));
    EXPECT_EQ(Scalar(*file, "SELECT count(*) FROM Rates_M"), 1);
    // Whole rates are stored as whole numbers.
    EXPECT_EQ(Scalar(*file, "SELECT typeof(Rate0to14) = 'integer' FROM Rates_M"), 1);
}

}  // namespace
}  // namespace quorvel::test
