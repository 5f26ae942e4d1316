// Sessions booked into a real data file: by Logout, by the close-out, and never twice
// whatever point a session was stopped at.
#include <gtest/gtest.h>

#include "db/Database.h"
#include "session/CloseOut.h"
#include "support/DataFile.h"
#include "unit/SessionRig.h"

namespace quorvel::test {
namespace {

struct BookingRig : SessionRig {
    BookingRig() : SessionRig({10, 15, 20, 25}) {
        db = CreateDataFile(dir.file("QuorvelData.mdb"), {.rates = {{"10", "15", "20.5", "25"}}});
        tp.pv.Conn = db;
        takings = session::MakeConnTakings(tp.pv);
        tp.clock.Set({2026, 12, 4, 9, 0, 0});
    }
    session::GuestSession& Begin() {
        session = std::make_unique<session::GuestSession>(tp.pv, *takings);
        session->Start();
        session->Activate();
        return *session;
    }
    // The program stops: the window goes without Logout.
    void PowerCut() { session.reset(); }
    std::optional<db::DayRow> Day(const char* day) { return db::FindDay(*db, day); }

    std::shared_ptr<db::Database> db;
    std::unique_ptr<session::Takings> takings;
};

TEST(SessionBooking, RatesComeFromTheDataFileRoundedHalfToEven) {
    BookingRig rig;
    auto& s = rig.Begin();
    EXPECT_EQ(s.rates().rate30to44, 20);
    EXPECT_EQ(s.rates().rate45to59, 25);
}

TEST(SessionBooking, LogoutBooksOnceAndTheCloseOutAddsNothing) {
    BookingRig rig;
    auto& s = rig.Begin();
    rig.Ticks(TickOf(1, 20, 0));
    s.Logout();
    rig.session.reset();
    session::CloseOutSession(rig.tp.pv);
    const auto row = rig.Day("12/04/2026");
    ASSERT_TRUE(row);
    EXPECT_EQ(row->gnum, 1);
    EXPECT_EQ(row->gamt, 40.0);

    rig.Begin();
    rig.Ticks(20);
    rig.session->Logout();
    EXPECT_EQ(rig.Day("12/04/2026")->gnum, 2);
    EXPECT_EQ(rig.Day("12/04/2026")->gamt, 50.0);
}

TEST(SessionBooking, InterruptedSessionIsBookedOnceWithItsLastStoredAmount) {
    BookingRig rig;
    rig.Begin();
    rig.Ticks(TickOf(0, 20, 0));
    rig.PowerCut();
    rig.tp.clock.AdvanceSeconds(86400);  // the PC comes back the next day
    for (int activation = 0; activation < 3; ++activation) session::CloseOutSession(rig.tp.pv);
    const auto row = rig.Day("12/04/2026");
    ASSERT_TRUE(row);
    EXPECT_EQ(row->gnum, 1);
    EXPECT_EQ(row->gamt, 15.0);
    EXPECT_FALSE(rig.Day("12/05/2026"));
    EXPECT_EQ(rig.TimersValue("Status"), store::Variant(std::int32_t{0}));
}

TEST(SessionBooking, StopBetweenTheBookingAndStatusZeroBooksNothingMore) {
    BookingRig rig;
    auto& s = rig.Begin();
    rig.Ticks(100);
    EXPECT_EQ(s.AddSessionToDailyTotals(), db::Booking::Booked);
    rig.PowerCut();  // Status 0 never written
    EXPECT_EQ(rig.TimersValue("Status"), store::Variant(std::int32_t{1}));
    session::CloseOutSession(rig.tp.pv);
    EXPECT_EQ(rig.Day("12/04/2026")->gnum, 1);
    EXPECT_EQ(rig.Day("12/04/2026")->gamt, 10.0);
    EXPECT_EQ(rig.TimersValue("Status"), store::Variant(std::int32_t{0}));
}

TEST(SessionBooking, AmountThatIsNotANumberCountsTheGuestOnly) {
    BookingRig rig;
    rig.Begin();
    rig.Ticks(10);
    rig.PowerCut();
    rig.tp.pv.settings.WriteSetting(platform::kHkeyCurrentUser, store::kTimersKey, "Amount", "ten",
                                    1);
    session::CloseOutSession(rig.tp.pv);
    const auto row = rig.Day("12/04/2026");
    ASSERT_TRUE(row);
    EXPECT_EQ(row->gnum, 1);
    EXPECT_FALSE(row->gamt.has_value() && *row->gamt != 0);
}

TEST(SessionBooking, WithoutAnOpenDataFileTheSessionWaitsForTheNextCloseOut) {
    BookingRig rig;
    auto& s = rig.Begin();
    rig.Ticks(30);
    rig.db->Close();
    s.Logout();
    EXPECT_EQ(rig.TimersValue("Status"), store::Variant(std::int32_t{1}));
    rig.session.reset();

    std::string error;
    rig.db = db::Database::Open(rig.dir.file("QuorvelData.mdb"), db::kDataFilePassword, error);
    ASSERT_TRUE(rig.db) << error;
    rig.tp.pv.Conn = rig.db;
    session::CloseOutSession(rig.tp.pv);
    ASSERT_TRUE(rig.Day("12/04/2026"));
    EXPECT_EQ(rig.Day("12/04/2026")->gnum, 1);
    EXPECT_EQ(rig.Day("12/04/2026")->gamt, 10.0);
    EXPECT_EQ(rig.TimersValue("Status"), store::Variant(std::int32_t{0}));
}

}  // namespace
}  // namespace quorvel::test
