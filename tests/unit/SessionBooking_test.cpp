// A session booked into a real data file after the program stopped without Logout:
// once, with its last stored amount, into its own day, however often the close-out runs.
#include <gtest/gtest.h>

#include "db/Database.h"
#include "session/CloseOut.h"
#include "support/DataFile.h"
#include "unit/SessionRig.h"

namespace quorvel::test {
namespace {

TEST(SessionBooking, PowerCutSessionIsBookedOnceWhenTheDataFileIsBack) {
    SessionRig rig;
    const std::string path = rig.dir.file("QuorvelData.mdb");
    rig.tp.pv.Conn = CreateDataFile(path, {.rates = {{"10", "15", "20.5", "25"}}});
    const auto takings = session::MakeConnTakings(rig.tp.pv);
    rig.tp.clock.Set({2026, 12, 4, 9, 0, 0});
    rig.session = std::make_unique<session::GuestSession>(rig.tp.pv, *takings);
    rig.session->Start();
    rig.session->Activate();
    EXPECT_EQ(rig.session->rates().rate30to44, 20);  // read from the file
    rig.Ticks(TickOf(0, 20, 0));
    rig.session.reset();  // the power goes: no Logout

    // The PC comes back the next day, first without the data file: nothing is booked,
    // and the session waits for a close-out that can book it.
    rig.tp.clock.AdvanceSeconds(86400);
    rig.tp.pv.Conn->Close();
    session::CloseOutSession(rig.tp.pv);
    EXPECT_EQ(rig.TimersValue("Status"), store::Variant(std::int32_t{1}));

    std::string error;
    rig.tp.pv.Conn = db::Database::Open(path, db::kDataFilePassword, error);
    ASSERT_TRUE(rig.tp.pv.Conn) << error;
    for (int activation = 0; activation < 3; ++activation) session::CloseOutSession(rig.tp.pv);
    const auto row = db::FindDay(*rig.tp.pv.Conn, "12/04/2026");
    ASSERT_TRUE(row);
    EXPECT_EQ(row->gnum, 1);
    EXPECT_EQ(row->gamt, 15.0);
    EXPECT_FALSE(db::FindDay(*rig.tp.pv.Conn, "12/05/2026"));
    EXPECT_EQ(rig.TimersValue("Status"), store::Variant(std::int32_t{0}));
}

}  // namespace
}  // namespace quorvel::test
