// A session booked into a real data file at Logout, or after the program stopped
// without one: once, with its last stored amount, into its own day, however often the
// close-out runs.
#include <gtest/gtest.h>

#include "cafe/Sender.h"
#include "db/Database.h"
#include "session/CloseOut.h"
#include "support/DataFile.h"
#include "support/Poll.h"
#include "support/ScriptedServer.h"
#include "unit/SessionRig.h"

namespace quorvel::test {
namespace {

// On a PC that has joined a cafe's server, the session goes to the server with its
// times, whether it ended at Logout or was cut off and closed out later; a PC on its
// own books as it always did and keeps nothing for a server.
struct CafeCase {
    const char* name;
    bool joined;
    bool cutOff;
};

void PrintTo(const CafeCase& c, std::ostream* out) {
    *out << c.name;
}

struct SessionOnAJoinedPc : ::testing::TestWithParam<CafeCase> {};

TEST_P(SessionOnAJoinedPc, IsBookedOnceAndReachesTheServerWithItsTimesOnlyWhenJoined) {
    const CafeCase& c = GetParam();
    ScriptedServer server;  // outlives the rig, whose shared state holds the sender
    SessionRig rig;
    const std::string path = rig.dir.file("QuorvelData.mdb");
    rig.tp.pv.Conn = CreateDataFile(path, {.rates = {{"10", "15", "20.5", "25"}}});
    if (c.joined) {
        cafe::SenderOptions options;
        options.dataFile = path;
        options.password = db::kDataFilePassword;
        rig.tp.pv.Cafe = std::make_shared<cafe::Sender>(server.Link(), rig.tp.clock, options);
    }
    cafe::Sender* sender = rig.tp.pv.Cafe.get();
    const auto takings = session::MakeConnTakings(rig.tp.pv);
    rig.tp.clock.Set({2026, 12, 4, 9, 0, 0});
    const std::int64_t start = rig.tp.clock.UnixSeconds();
    rig.session = std::make_unique<session::GuestSession>(rig.tp.pv, *takings);
    rig.session->Start();
    rig.session->Activate();
    // The counter sees the session as soon as it starts.
    const auto reported = [&](bool inSession, std::int64_t since) {
        return PollUntil([&] {
            const auto states = server.states();
            return !states.empty() && states.back().inSession == inSession &&
                   states.back().since == since;
        });
    };
    if (c.joined) {
        EXPECT_TRUE(reported(true, start));
    }
    rig.Ticks(TickOf(0, 20, 0));
    if (c.cutOff) {
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
    } else {
        rig.session->Logout();
    }
    const auto day = db::FindDay(*rig.tp.pv.Conn, "12/04/2026");
    ASSERT_TRUE(day) << rig.Timers("Status") << " " << rig.tp.pv.Conn->connection().LastError();
    EXPECT_EQ(day->gnum, 1);
    EXPECT_EQ(day->gamt, 15.0);  // at the file's rates
    EXPECT_FALSE(db::FindDay(*rig.tp.pv.Conn, "12/05/2026"));
    EXPECT_EQ(rig.TimersValue("Status"), store::Variant(std::int32_t{0}));

    if (!c.joined) {
        EXPECT_EQ(db::CountOutbox(*rig.tp.pv.Conn)->waiting, 0);
        EXPECT_EQ(rig.TimersValue("StartedAt"), store::Variant());
        return;
    }
    ASSERT_TRUE(PollUntil([&] { return server.sessions().size() == 1; }));
    const cafe::ClosedSession taken = server.sessions().begin()->second;
    EXPECT_EQ(taken.sessionId, rig.Timers("SessionId"));
    EXPECT_EQ(taken.day, "2026-12-04");
    EXPECT_EQ(taken.startedAt, start);
    // A session cut off counts the time last stored (the second before the one shown)
    // and ended when that time ran out, not when it was closed out.
    const std::int64_t elapsed = TickOf(0, 20, 0) - (c.cutOff ? 1 : 0);
    EXPECT_EQ(taken.elapsedSeconds, elapsed);
    EXPECT_EQ(taken.endedAt, start + elapsed);
    EXPECT_EQ(taken.amountCents, 1500);
    EXPECT_EQ(taken.currency, "Rs");
    ASSERT_TRUE(PollUntil([&] { return sender->backlog().waiting == 0; }));
    EXPECT_EQ(db::CountOutbox(*rig.tp.pv.Conn)->waiting, 0);
    // And its end at Logout.
    if (!c.cutOff) {
        EXPECT_TRUE(reported(false, 0));
    }
}

const CafeCase kCafeCases[] = {
    {"JoinedLogout", true, false},
    {"JoinedCutOff", true, true},
    {"OnItsOwnLogout", false, false},
    {"OnItsOwnCutOff", false, true},
};

INSTANTIATE_TEST_SUITE_P(Cases, SessionOnAJoinedPc, ::testing::ValuesIn(kCafeCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorvel::test
