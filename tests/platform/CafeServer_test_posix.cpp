// The cafe's server with a real PostgreSQL: the schema, joining, row-level security,
// the PC's link (delivery exactly once, through a server going away) and the checks
// on how a connection may travel.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <random>
#include <set>
#include <thread>

#include "CafeServerRig.h"
#include "PosixProcess.h"
#include "cafe/ServerSchema.h"
#include "support/Poll.h"

namespace quorvel::test {
namespace {

using cafe::ClosedSession;
using cafe::Membership;

using CafeServer = CafeServerRig;

// The owner holding the sessions' table locked: whatever needs it waits until this goes
// out of scope, however the test ends. Declared after the future that waits on it, so
// that it is let go of before that future's end is waited for.
class SessionsLocked {
  public:
    explicit SessionsLocked(PGconn* sql)
        : sql_(sql),
          ok_(pg::Exec(sql, "BEGIN").ok() &&
              pg::Exec(sql, "LOCK TABLE quorvel.sessions IN ACCESS EXCLUSIVE MODE").ok()) {}
    ~SessionsLocked() { pg::Exec(sql_, "ROLLBACK"); }
    SessionsLocked(const SessionsLocked&) = delete;
    SessionsLocked& operator=(const SessionsLocked&) = delete;
    bool ok() const { return ok_; }

  private:
    PGconn* sql_;
    bool ok_;
};

TEST_F(CafeServer, TwoPcsDeliverAtOnceAndRepeatsAddNothing) {
    const Membership memberships[] = {Joined("pc1"), Joined("pc2")};
    std::atomic<int> failures{0};
    std::vector<std::thread> pcs;
    for (const Membership& membership : memberships) {
        pcs.emplace_back([&membership, &failures] {
            const auto link = cafe::OpenServerLink(membership);
            // The same identities on both PCs: sessions are keyed by PC and identity.
            // Every batch goes twice, as after an answer lost on the way back.
            for (int first = 1; first <= 600; first += 50)
                for (int repeat = 0; repeat < 2; ++repeat)
                    if (!link->Deliver(Sessions("s", first, 50)).ok) ++failures;
        });
    }
    for (std::thread& pc : pcs) pc.join();
    EXPECT_EQ(failures, 0);
    // 600 sessions each, worth 1 + 2 + ... + 600 cents.
    EXPECT_EQ(SessionsOf("pc1"), "600 180300");
    EXPECT_EQ(SessionsOf("pc2"), "600 180300");
}

// What a PC's own role tries against another PC, or beyond its rights.
struct Trespass {
    const char* what;
    const char* sql;
    bool refused;        // the server refuses it with an error
    const char* answer;  // else the one value (or rows touched) it answers
    friend void PrintTo(const Trespass& c, std::ostream* out) { *out << c.what; }
};

class CafeServerTrespass : public CafeServer, public ::testing::WithParamInterface<Trespass> {};

TEST_P(CafeServerTrespass, IsRefusedAndChangesNothingOfTheOtherPc) {
    const Membership pc1 = Joined("pc1"), pc2 = Joined("pc2");
    const auto link2 = cafe::OpenServerLink(pc2);
    ASSERT_TRUE(link2->Deliver(Sessions("s", 1, 3)).ok);
    ASSERT_TRUE(link2->ReportState({true, 1772352000, 60, 125, "Rs"}).ok);
    const std::string pc2Id = Value("SELECT id FROM quorvel.pcs WHERE name = 'pc2'");
    const auto pc2State = [&] {
        return SessionsOf("pc2") +
               Value("SELECT row(s.*)::text FROM quorvel.pc_state s WHERE pc = $1", {pc2Id});
    };
    const std::string before = pc2State();

    std::string error;
    const auto asPc1 = pg::Connect(pc1.conninfo, error);
    ASSERT_TRUE(asPc1) << error;
    const pg::Result result = pg::Exec(asPc1.get(), GetParam().sql, {pc2Id});
    if (GetParam().refused) {
        EXPECT_FALSE(result.ok()) << GetParam().what;
    } else {
        ASSERT_TRUE(result.ok()) << GetParam().what << ": " << result.Error();
        EXPECT_EQ(result.Rows() ? result.Text(0, 0) : std::to_string(result.Affected()),
                  GetParam().answer);
    }
    EXPECT_EQ(pc2State(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CafeServerTrespass,
    ::testing::Values(
        Trespass{
            "a session booked for another PC",
            "INSERT INTO quorvel.sessions VALUES ($1::integer, 'x', '2026-03-01', now(), now(), "
            "1, 100, 'Rs')",
            true, ""},
        Trespass{"another PC's state changed",
                 "UPDATE quorvel.pc_state SET owed_cents = 0 WHERE pc = $1::integer", false, "0"},
        Trespass{"another PC's state written over",
                 "INSERT INTO quorvel.pc_state (pc, owed_cents) VALUES ($1::integer, 0) "
                 "ON CONFLICT (pc) DO UPDATE SET owed_cents = 0",
                 true, ""},
        Trespass{"another PC's state read",
                 "SELECT count(*) FROM quorvel.pc_state WHERE pc = $1::integer", false, "0"},
        Trespass{"the takings read", "SELECT count(*) FROM quorvel.sessions WHERE pc = $1::integer",
                 true, ""},
        Trespass{"the joining secrets read", "SELECT count(*) FROM quorvel.pcs WHERE role = $1",
                 true, ""},
        Trespass{"a session taken back", "DELETE FROM quorvel.sessions WHERE pc = $1::integer",
                 true, ""},
        Trespass{"a PC added", "SELECT quorvel.add_pc('pc9', 'pc9' || $1, 'x', 'x')", true, ""},
        Trespass{"another PC's number asked", "SELECT quorvel.my_pc() = $1::integer", false, "f"}));

// A joining secret the server must not take: tried under `name`, the secret of pc1, pc2
// or pc3 (used already) with `more` after it.
struct BadJoin {
    const char* what;
    const char* name;
    int secretOf;
    const char* more;
    const char* says;
    friend void PrintTo(const BadJoin& c, std::ostream* out) { *out << c.what; }
};

class CafeServerJoin : public CafeServer, public ::testing::WithParamInterface<BadJoin> {};

TEST_P(CafeServerJoin, RefusesAndLeavesTheRightSecretUsable) {
    const BadJoin& c = GetParam();
    const std::string secrets[] = {Secret("pc1"), Secret("pc2"), Secret("pc3")};
    std::string error;
    ASSERT_TRUE(cafe::JoinServer(cluster_->SocketConninfo(database, ""), "pc3", secrets[2], error))
        << error;
    EXPECT_FALSE(cafe::JoinServer(cluster_->SocketConninfo(database, ""), c.name,
                                  secrets[c.secretOf - 1] + c.more, error))
        << c.what;
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
    // A refused attempt spends nothing.
    EXPECT_TRUE(cafe::JoinServer(cluster_->SocketConninfo(database, ""), "pc1", secrets[0], error))
        << error;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CafeServerJoin,
    ::testing::Values(BadJoin{"a wrong secret", "pc1", 1, "x", "refused the joining secret"},
                      BadJoin{"another PC's secret", "pc1", 2, "", "refused the joining secret"},
                      BadJoin{"a used secret", "pc3", 3, "", "refused the joining secret"},
                      BadJoin{"a name the owner did not add", "pc4", 1, "",
                              "refused the joining secret"},
                      BadJoin{"a name the server could not take", "pc 1", 1, "", "is no PC name"}));

// How a PC's connection may travel to the server: over TLS with `sslmode` (checked
// against a stranger's certificate when `stranger`), or else over the socket with
// `more` after it.
struct Road {
    const char* what;
    const char* sslmode;
    const char* more;
    bool stranger;
    const char* says;  // "" when the connection is made
    friend void PrintTo(const Road& c, std::ostream* out) { *out << c.what; }
};

class CafeServerRoad : public CafeServer, public ::testing::WithParamInterface<Road> {};

TEST_P(CafeServerRoad, IsTakenOnlyWithTheServersCertificateCheckedOrOverTheSocket) {
    const Road& c = GetParam();
    const Membership joined = Joined("pc1");
    const std::string where =
        c.sslmode ? cluster_->TlsConninfo(database, c.sslmode,
                                          c.stranger ? cluster_->strangerCertificate() : "")
                  : cluster_->SocketConninfo(database, "") + c.more;
    // The PC's role and password, over another road: later keywords win.
    const Membership membership{joined.conninfo + " " + where, joined.pcName};
    const cafe::LinkResult result =
        cafe::OpenServerLink(membership)->ReportState({false, 0, 0, 0, "Rs"});
    EXPECT_EQ(result.ok, *c.says == '\0') << c.what << ": " << result.error;
    EXPECT_NE(result.error.find(c.says), std::string::npos) << result.error;
}

constexpr const char* kUnchecked = "certificate must be checked";

INSTANTIATE_TEST_SUITE_P(
    Cases, CafeServerRoad,
    ::testing::Values(Road{"the socket", nullptr, "", false, ""},
                      Road{"TLS, the certificate and the address checked", "verify-full", "", false,
                           ""},
                      Road{"TLS, the certificate checked", "verify-ca", "", false, ""},
                      Road{"TLS, nothing checked", "require", "", false, kUnchecked},
                      Road{"TLS if the server likes", "prefer", "", false, kUnchecked},
                      Road{"no TLS", "disable", "", false, kUnchecked},
                      Road{"an address beside the socket's folder", nullptr,
                           " hostaddr=127.0.0.1 sslmode=require", false, kUnchecked},
                      Road{"a certificate that did not sign the server's", "verify-full", "", true,
                           "certificate verify failed"}));

TEST_F(CafeServer, ANewerSchemaIsRefusedByEveryoneAndLeftAsItIs) {
    const std::string secret = Secret("pc2");
    const Membership pc1 = Joined("pc1");
    ASSERT_EQ(Value("UPDATE quorvel.schema_version SET version = 99 RETURNING version"), "99");
    std::string error;
    bool added = false;
    const std::vector<std::pair<const char*, std::function<bool()>>> uses = {
        {"init-server", [&] { return owner->InitServer(error).has_value(); }},
        {"add-pc", [&] { return owner->AddPc("pc3", added, error).has_value(); }},
        {"status", [&] { return owner->Status(error).has_value(); }},
        {"report", [&] { return owner->Takings("2026-01-01", "2026-12-31", error).has_value(); }},
        {"a PC's report",
         [&] {
             return cafe::OpenCafeReport(pc1)
                 ->SelectTakings("01/01/2026", "12/31/2026", error)
                 .has_value();
         }},
        {"join",
         [&] {
             return cafe::JoinServer(cluster_->SocketConninfo(database, ""), "pc2", secret, error)
                 .has_value();
         }},
        {"delivery",
         [&] {
             const auto result = cafe::OpenServerLink(pc1)->Deliver(Sessions("s", 1, 1));
             error = result.error;
             return result.ok;
         }},
    };
    for (const auto& [what, use] : uses) {
        error.clear();
        EXPECT_FALSE(use()) << what;
        EXPECT_NE(error.find("version 99, newer than this program knows"), std::string::npos)
            << what << ": " << error;
    }
    EXPECT_EQ(Value("SELECT version FROM quorvel.schema_version"), "99");
    EXPECT_EQ(Value("SELECT count(*) FROM quorvel.sessions"), "0");
}

TEST_F(CafeServer, AServerStoppedMidwayLosesNothingThatWasAnsweredAndTakesTheRestOnce) {
    const auto link = cafe::OpenServerLink(Joined("pc1"));
    constexpr int kBatches = 400, kBatch = 5;
    std::vector<std::atomic<int>> answered(kBatches);  // 0 not yet, 1 ok, 2 failed
    std::atomic<int> failed{0};
    std::string failure;
    std::thread sender([&] {
        for (int b = 0; b < kBatches; ++b) {
            const auto result = link->Deliver(Sessions("s", b * kBatch + 1, kBatch));
            answered[b] = result.ok ? 1 : 2;
            if (!result.ok && failed++ == 0) failure = result.error;
        }
    });
    ASSERT_TRUE(PollUntil([&] { return answered[20] != 0; }));
    ASSERT_TRUE(cluster_->Stop()) << cluster_->error();
    // While it is down every delivery fails, with a reason.
    ASSERT_TRUE(PollUntil([&] { return failed > 3; }));
    ASSERT_TRUE(cluster_->Start()) << cluster_->error();
    sender.join();
    EXPECT_NE(failure, "");

    // Every batch answered ok was committed before the stop or after the start.
    std::string error;
    sql = pg::Connect(cluster_->SocketConninfo(database), error);
    ASSERT_TRUE(sql) << error;
    int ok = 0;
    for (int b = 0; b < kBatches; ++b) {
        if (answered[b] != 1) continue;
        ++ok;
        EXPECT_EQ(Value("SELECT count(*) FROM quorvel.sessions WHERE session_id = $1",
                        {"s" + std::to_string(b * kBatch + 1)}),
                  "1")
            << "batch " << b;
    }
    EXPECT_LT(ok, kBatches);
    // The outbox sends the rest again; everything is there once.
    for (int b = 0; b < kBatches; ++b) {
        if (answered[b] != 1) {
            ASSERT_TRUE(link->Deliver(Sessions("s", b * kBatch + 1, kBatch)).ok) << b;
        }
    }
    EXPECT_EQ(SessionsOf("pc1"), "2000 2001000");
}

// A PC killed at random moments while it delivers (a power cut, say): the server holds
// each delivery whole or not at all, and every one the PC was told was delivered.
TEST_F(CafeServer, APcKilledMidDeliveryLeavesWholeDeliveriesOnly) {
    const Membership pc = Joined("pc1");
    constexpr int kBatch = 2500;  // more than one statement's worth
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delayUs(0, 400000);
    for (int round = 0; round < 30; ++round) {
        const std::string prefix = "k" + std::to_string(round) + "-";
        // Ready once its first delivery is committed, so the kill falls while the PC
        // delivers the next ones, however long one takes on a busy machine; then the
        // name of each delivery the server committed.
        const KilledChild child = KillWhileWorking(
            [&](int told) {
                const auto link = cafe::OpenServerLink(pc);
                for (char batch = 'a';; ++batch) {
                    if (!link->Deliver(Sessions(prefix + batch + "-", 1, kBatch)).ok) ::_exit(3);
                    const char say = batch == 'a' ? '1' : batch;
                    if (::write(told, &say, 1) != 1) ::_exit(2);
                }
            },
            std::chrono::microseconds(delayUs(random)));
        ASSERT_TRUE(child.started) << "round " << round;
        std::set<std::string> committed{"a"};
        for (const char batch : child.said) committed.insert(std::string(1, batch));

        const pg::Result held =
            pg::Exec(sql.get(),
                     "SELECT split_part(session_id, '-', 2), count(*) FROM quorvel.sessions "
                     "WHERE session_id LIKE $1 GROUP BY 1",
                     {prefix + "%"});
        ASSERT_TRUE(held.ok()) << held.Error();
        std::set<std::string> whole;
        for (int row = 0; row < held.Rows(); ++row) {
            EXPECT_EQ(held.Int(row, 1), kBatch)
                << "round " << round << ", delivery " << held.Text(row, 0);
            whole.insert(held.Text(row, 0));
        }
        for (const std::string& batch : committed)
            EXPECT_TRUE(whole.count(batch)) << "round " << round << ", delivery " << batch;
    }
}

TEST_F(CafeServer, ADayInAnotherFormIsRefusedAndNothingOfItsDeliveryKept) {
    const auto link = cafe::OpenServerLink(Joined("pc1"));
    // The server would read 03/01/2026 by its own date settings: March or January.
    std::vector<ClosedSession> sessions = Sessions("s", 1, 2);
    sessions[1].day = "03/01/2026";
    const auto result = link->Deliver(sessions);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("'03/01/2026'"), std::string::npos) << result.error;
    EXPECT_EQ(SessionsOf("pc1"), "0 0");
}

TEST_F(CafeServer, TheFirstDeliveryAfterARestartGoesThrough) {
    const auto link = cafe::OpenServerLink(Joined("pc1"));
    ASSERT_TRUE(link->Deliver(Sessions("s", 1, 1)).ok);
    ASSERT_TRUE(cluster_->Stop()) << cluster_->error();
    ASSERT_TRUE(cluster_->Start()) << cluster_->error();
    const auto result = link->Deliver(Sessions("s", 2, 1));
    EXPECT_TRUE(result.ok) << result.error;
    const auto state = link->ReportState({true, 1772352000, 90, 150, "Rs"});
    EXPECT_TRUE(state.ok) << state.error;
}

// The program stopping while a delivery waits on the server (here on a table the owner
// holds locked): the wait ends at once, nothing of it is kept, and the link goes
// nowhere after.
TEST_F(CafeServer, AnInterruptedDeliveryEndsAtOnceAndTheLinkStaysStill) {
    const auto link = cafe::OpenServerLink(Joined("pc1"));
    ASSERT_TRUE(link->Deliver(Sessions("s", 1, 1)).ok);
    std::future<cafe::LinkResult> delivery;
    const SessionsLocked locked(sql.get());
    ASSERT_TRUE(locked.ok());
    delivery = std::async(std::launch::async, [&] { return link->Deliver(Sessions("s", 2, 1)); });
    // Waiting for the table, as the server sees it.
    ASSERT_TRUE(
        PollUntil([&] { return Value("SELECT count(*) FROM pg_locks WHERE NOT granted") == "1"; }));
    link->Interrupt();
    ASSERT_EQ(delivery.wait_for(std::chrono::seconds(30)), std::future_status::ready)
        << "the delivery still waits";
    EXPECT_FALSE(delivery.get().ok);
    EXPECT_FALSE(link->Deliver(Sessions("s", 3, 1)).ok);
    EXPECT_FALSE(link->ReportState({false, 0, 0, 0, "Rs"}).ok);
    EXPECT_EQ(SessionsOf("pc1"), "1 1");
}

// A server still on the schema before the report of every PC (the PCs' program was
// updated first): the PCs go on delivering, their Report tab says what to do instead
// of showing anything, and init-server brings it up to date.
TEST_F(CafeServer, AnOlderServerTakesDeliveriesAndRefusesTheReportUntilUpgraded) {
    const Membership pc1 = Joined("pc1");
    const std::string older = std::to_string(cafe::kServerSchemaVersion - 1);
    // The server as the step before this program's version left it.
    for (const char* undo :
         {"DROP FUNCTION quorvel.takings(date, date)",
          "CREATE INDEX sessions_by_day ON quorvel.sessions (day) INCLUDE (pc, amount_cents)",
          "DROP INDEX quorvel.sessions_by_day_currency"})
        ASSERT_TRUE(pg::Exec(sql.get(), undo).ok()) << undo;
    ASSERT_EQ(Value("UPDATE quorvel.schema_version SET version = $1 RETURNING version", {older}),
              older);
    const auto report = cafe::OpenCafeReport(pc1);
    std::string error;
    EXPECT_FALSE(report->SelectTakings("03/01/2026", "03/01/2026", error));
    EXPECT_NE(error.find("version " + older + ", older than this program's"), std::string::npos)
        << error;
    EXPECT_NE(error.find("run quorvel-admin cafe init-server"), std::string::npos) << error;
    const auto delivered = cafe::OpenServerLink(pc1)->Deliver(Sessions("s", 1, 3));
    EXPECT_TRUE(delivered.ok) << delivered.error;

    const auto upgraded = owner->InitServer(error);
    ASSERT_TRUE(upgraded) << error;
    EXPECT_EQ(*upgraded, "upgraded the cafe schema from version " + older + " to " +
                             std::to_string(cafe::kServerSchemaVersion));
    const auto takings = report->SelectTakings("03/01/2026", "03/01/2026", error);
    ASSERT_TRUE(takings) << error;
    ASSERT_EQ(takings->size(), 1u);
    EXPECT_EQ((*takings)[0].sessions, 3);
    EXPECT_EQ((*takings)[0].cents, 6);
}

// The owner waits at the panel while a PC reads the report: a server that does not
// answer (here a table the owner holds locked) makes it give up, not hang.
TEST_F(CafeServer, APcsReportGivesUpOnAServerThatDoesNotAnswer) {
    const auto report = cafe::OpenCafeReport(Joined("pc1"));
    std::string error;
    std::future<std::optional<std::vector<cafe::DayTakings>>> reading;
    const SessionsLocked locked(sql.get());
    ASSERT_TRUE(locked.ok());
    reading = std::async(std::launch::async,
                         [&] { return report->SelectTakings("03/01/2026", "03/01/2026", error); });
    ASSERT_EQ(reading.wait_for(std::chrono::seconds(60)), std::future_status::ready)
        << "the report still waits";
    EXPECT_FALSE(reading.get());
    EXPECT_NE(error.find("statement timeout"), std::string::npos) << error;
}

}  // namespace
}  // namespace quorvel::test
