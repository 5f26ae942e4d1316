// The outbox of a PC that has joined a cafe's server, on real keyed data files: it
// moves with the booking, never without it, and never stops one.
#include <gtest/gtest.h>

#include "db/Compaction.h"
#include "db/Database.h"
#include "db/Outbox.h"
#include "support/DataFile.h"
#include "support/TempDir.h"

namespace quorvel::test {
namespace {

using db::Booking;

db::OutboxWrite Entry(const std::string& id, std::int64_t cents, std::int64_t capacity = 100) {
    db::OutboxWrite write;
    write.entry = {0, id, "2026-12-05", 1000, 1600, 600, cents, "Rs"};
    write.capacity = capacity;
    return write;
}

std::int64_t Scalar(const db::Database& file, const char* sql) {
    sqlite::Statement statement(file.connection(), sql);
    EXPECT_EQ(statement.Step(), SQLITE_ROW) << file.connection().LastError();
    return statement.Int(0);
}

struct Outbox : ::testing::Test {
    void SetUp() override {
        file = CreateDataFile(folders.dataFile, {.logins = false});
        ASSERT_TRUE(file);
    }
    std::int64_t Guests() { return Scalar(*file, "SELECT ifnull(sum(Gnum), 0) FROM Guest_T"); }
    std::int64_t Queued() {
        return db::CountOutbox(*file).value_or(db::OutboxCount{-1, -1}).waiting;
    }

    ProgramFolders folders;
    std::shared_ptr<db::Database> file;
};

// Each case books one session after a first one ("s1", booked with the outbox) and
// checks the booking's outcome, the guests counted and the sessions queued.
struct BookingCase {
    const char* name;
    const char* sql;  // run before the booking, to set the data file up
    const char* day;
    const char* id;
    bool joined;
    std::int64_t capacity;
    Booking outcome;
    std::int64_t guests;
    std::int64_t queued;
    std::int64_t missed;
};

void PrintTo(const BookingCase& c, std::ostream* out) {
    *out << c.name;
}

struct OutboxBooking : Outbox, ::testing::WithParamInterface<BookingCase> {};

TEST_P(OutboxBooking, MovesWithTheBookingAndNeverStopsIt) {
    const BookingCase& c = GetParam();
    auto first = Entry("s1", 2500);
    ASSERT_EQ(db::AddSessionToDailyTotals(*file, "12/05/2026", 25.0, "s1", &first),
              Booking::Booked);
    if (*c.sql) {
        ASSERT_TRUE(file->connection().Exec(c.sql)) << file->connection().LastError();
    }

    auto second = Entry(c.id, 1000, c.capacity);
    EXPECT_EQ(db::AddSessionToDailyTotals(*file, c.day, 10.0, c.id, c.joined ? &second : nullptr),
              c.outcome);
    EXPECT_EQ(Guests(), c.guests);
    const auto count = db::CountOutbox(*file);
    ASSERT_TRUE(count);
    EXPECT_EQ(count->waiting, c.queued);
    EXPECT_EQ(count->missed, c.missed);
}

const BookingCase kBookings[] = {
    {"Queued", "", "12/05/2026", "s2", true, 100, Booking::Booked, 2, 2, 0},
    {"OnItsOwnNothingQueued", "", "12/05/2026", "s2", false, 100, Booking::Booked, 2, 1, 0},
    {"RepeatQueuedOnce", "", "12/05/2026", "s1", true, 100, Booking::AlreadyBooked, 1, 1, 0},
    // The data file refuses the daily totals: the outbox gets nothing either.
    {"RefusedBookingQueuesNothing",
     "CREATE TRIGGER no_guests BEFORE UPDATE ON Guest_T BEGIN SELECT RAISE(ABORT, 'full'); END",
     "12/05/2026", "s2", true, 100, Booking::Failed, 1, 1, 0},
    {"UnreadableDayQueuesNothing", "", "13/45/2026", "s2", true, 100, Booking::Failed, 1, 1, 0},
    // The outbox refuses: the booking is undone with it, to be tried again whole.
    {"RefusedOutboxBooksNothing",
     "CREATE TRIGGER no_outbox BEFORE INSERT ON Outbox_T BEGIN SELECT RAISE(ABORT, 'full'); END",
     "12/05/2026", "s2", true, 100, Booking::Failed, 1, 1, 0},
    // Full: the guest is booked and counted as missed, the outbox keeps what it has.
    {"FullOutboxStillBooks", "", "12/06/2026", "s2", true, 1, Booking::Booked, 2, 1, 1},
    {"FullOutboxCountsEveryMiss", "INSERT INTO OutboxMissed_T VALUES (4)", "12/06/2026", "s2", true,
     1, Booking::Booked, 2, 1, 5},
};

INSTANTIATE_TEST_SUITE_P(Cases, OutboxBooking, ::testing::ValuesIn(kBookings),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Outbox, ReadsInBookingOrderAndRemovesOnlyWhatWasDelivered) {
    for (const char* id : {"a", "b", "c"}) {
        auto write = Entry(id, 100);
        ASSERT_EQ(db::AddSessionToDailyTotals(*file, "12/05/2026", 1.0, id, &write),
                  Booking::Booked);
    }
    const auto batch = db::ReadOutbox(*file, 2);
    ASSERT_TRUE(batch);
    ASSERT_EQ(batch->size(), 2u);
    EXPECT_EQ((*batch)[0].sessionId, "a");
    EXPECT_EQ((*batch)[1].sessionId, "b");
    EXPECT_EQ((*batch)[1].amountCents, 100);
    EXPECT_EQ((*batch)[1].currency, "Rs");
    // Booked while the batch was on its way to the server.
    auto late = Entry("d", 100);
    ASSERT_EQ(db::AddSessionToDailyTotals(*file, "12/05/2026", 1.0, "d", &late), Booking::Booked);

    ASSERT_TRUE(db::RemoveFromOutbox(*file, *batch));
    const auto rest = db::ReadOutbox(*file, 10);
    ASSERT_TRUE(rest);
    ASSERT_EQ(rest->size(), 2u);
    EXPECT_EQ((*rest)[0].sessionId, "c");
    EXPECT_EQ((*rest)[1].sessionId, "d");
}

TEST_F(Outbox, AFileFromBeforeTheOutboxGetsItAndTheCompactionKeepsIt) {
    ASSERT_TRUE(file->connection().Exec("DROP TABLE Outbox_T; DROP TABLE OutboxMissed_T"));
    file->Close();
    std::string error;
    // A reader beside the program adds nothing.
    auto reader = db::Database::Open(folders.dataFile, db::kDataFilePassword, error,
                                     db::Database::Access::ReadOnly);
    ASSERT_TRUE(reader) << error;
    EXPECT_FALSE(db::CountOutbox(*reader));
    reader.reset();

    file = db::Database::Open(folders.dataFile, db::kDataFilePassword, error);
    ASSERT_TRUE(file) << error;
    auto write = Entry("kept", 4250, 1);
    ASSERT_EQ(db::AddSessionToDailyTotals(*file, "12/05/2026", 42.5, "kept", &write),
              Booking::Booked);
    auto over = Entry("over", 100, 1);
    ASSERT_EQ(db::AddSessionToDailyTotals(*file, "12/05/2026", 1.0, "over", &over),
              Booking::Booked);
    file->Close();

    ASSERT_TRUE(
        db::CompactDataFile(folders.program, folders.sysDir, db::kDataFilePassword).empty());
    file = db::Database::Open(folders.dataFile, db::kDataFilePassword, error);
    ASSERT_TRUE(file) << error;
    const auto entries = db::ReadOutbox(*file, 10);
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 1u);
    EXPECT_EQ((*entries)[0].sessionId, "kept");
    EXPECT_EQ((*entries)[0].amountCents, 4250);
    EXPECT_EQ((*entries)[0].elapsedSeconds, 600);
    EXPECT_EQ(db::CountOutbox(*file)->missed, 1);
}

}  // namespace
}  // namespace quorvel::test
