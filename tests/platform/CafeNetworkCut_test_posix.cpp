// A joined PC whose network is cut, against a real server over TLS through a relay
// that can pull the cable: a delivery caught in the cut fails instead of hanging and
// takes nothing out of the outbox, and once the cable is back every session reaches
// the server exactly once. A server that takes the connection and never answers is
// given up on, with the sender's calls kept on its worker.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "CafeServerRig.h"
#include "cafe/Sender.h"
#include "db/Database.h"
#include "db/Outbox.h"
#include "platform/fake/FakeClock.h"
#include "platform/posix/SystemClock.h"
#include "support/DataFile.h"
#include "support/Poll.h"
#include "support/TcpRelay_posix.h"

namespace quorvel::test {
namespace {

using namespace std::chrono_literals;

// The link as the sender uses it, each call written down as it ends.
struct Call {
    bool deliver = false;
    bool ok = false;
    std::string error;
    std::thread::id thread;
};

class CallLog {
  public:
    void Add(Call call) {
        std::lock_guard hold(mutex_);
        calls_.push_back(std::move(call));
    }
    std::vector<Call> calls() const {
        std::lock_guard hold(mutex_);
        return calls_;
    }
    // The first delivery that ended, if one did.
    std::optional<Call> Delivery() const {
        std::lock_guard hold(mutex_);
        for (const Call& call : calls_)
            if (call.deliver) return call;
        return std::nullopt;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<Call> calls_;
};

class Watched final : public cafe::ServerLink {
  public:
    Watched(std::unique_ptr<cafe::ServerLink> link, std::shared_ptr<CallLog> log)
        : link_(std::move(link)), log_(std::move(log)) {}
    cafe::LinkResult Deliver(const std::vector<cafe::ClosedSession>& sessions) override {
        return Note(true, link_->Deliver(sessions));
    }
    cafe::LinkResult ReportState(const cafe::PcState& state) override {
        return Note(false, link_->ReportState(state));
    }
    void Interrupt() override { link_->Interrupt(); }

  private:
    cafe::LinkResult Note(bool deliver, cafe::LinkResult result) {
        log_->Add({deliver, result.ok, result.error, std::this_thread::get_id()});
        return result;
    }
    std::unique_ptr<cafe::ServerLink> link_;
    std::shared_ptr<CallLog> log_;
};

class CafeNetworkCut : public CafeServerRig {
  protected:
    void SetUp() override {
        CafeServerRig::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_EQ(relay.error(), "");
        DataFileContents empty;
        empty.logins = false;
        ASSERT_TRUE(CreateDataFile(folders.dataFile, empty));
        std::string error;
        file = db::Database::Open(folders.dataFile, db::kDataFilePassword, error);
        ASSERT_TRUE(file) << error;
    }
    // The relay closes every connection before the sender stops, however the test
    // ends: a call still caught in the cut hears the reset instead of holding it up.
    void TearDown() override {
        relay.Close();
        sender.reset();
    }

    // pc1's membership as it would read on a PC across the network: TLS to 127.0.0.1
    // (the relay's port), the server's certificate and name checked, `timings` last.
    cafe::Membership ThroughTheRelay(const std::string& timings) {
        const cafe::Membership joined = Joined("pc1");
        std::string error;
        const auto options = pg::ExplicitOptions(joined.conninfo, error);
        EXPECT_TRUE(options) << error;
        std::vector<std::pair<std::string, std::string>> road{
            {"host", "127.0.0.1"},
            {"port", std::to_string(relay.port())},
            {"sslmode", "verify-full"},
            {"sslrootcert", cluster_->certificate()}};
        for (const auto& option : options.value_or(decltype(road){}))
            if (option.first != "host" && option.first != "port") road.push_back(option);
        return {pg::ConnectionString(road) + " " + timings, joined.pcName};
    }

    // The PC's sender on pc1's link through the relay, its calls written down.
    void StartSender(const std::string& timings, const platform::Clock& clock) {
        sender.emplace(
            std::make_unique<Watched>(cafe::OpenServerLink(ThroughTheRelay(timings)), log),
            clock, Options());
    }

    cafe::SenderOptions Options() const {
        cafe::SenderOptions options;
        options.dataFile = folders.dataFile;
        options.password = db::kDataFilePassword;
        options.firstRetry = 200ms;
        options.longestRetry = 1s;
        // The state goes out when the test tells it, never on its own between.
        options.statePeriod = 1h;
        return options;
    }

    // Guests logging out: `count` sessions booked, each queued for the server.
    void Book(int count) {
        for (int i = 0; i < count; ++i) {
            const std::int64_t amount = i % 37 + 1;  // as Expected counts
            db::OutboxWrite write;
            write.entry = {0, "g" + std::to_string(i), "2026-12-05", 0, 0, 0, amount * 100, "Rs"};
            ASSERT_EQ(db::AddSessionToDailyTotals(*file, "12/05/2026", static_cast<double>(amount),
                                                  write.entry.sessionId, &write),
                      db::Booking::Booked);
        }
    }

    // What the PC's daily totals hold, as the server's count and cents would read.
    std::string Booked() {
        sqlite::Statement totals(file->connection(),
                                 "SELECT ifnull(sum(Gnum), 0), ifnull(sum(Gamt), 0) FROM Guest_T");
        EXPECT_EQ(totals.Step(), SQLITE_ROW);
        return std::to_string(totals.Int(0)) + " " +
               std::to_string(std::llround(totals.Double(1) * 100));
    }

    std::int64_t Waiting() {
        return db::CountOutbox(*file).value_or(db::OutboxCount{-1, 0}).waiting;
    }

    TcpRelay relay{cluster_->port()};
    ProgramFolders folders;
    std::shared_ptr<db::Database> file;
    std::shared_ptr<CallLog> log = std::make_shared<CallLog>();
    platform::SystemClock systemClock;
    platform::FakeClock fakeClock;
    std::optional<cafe::Sender> sender;
};

// Timings shortened through the connection string, as an owner may: the network is
// given up on after about 2 s instead of half a minute, a connection after 2 s, and
// the server drops a PC's transaction left silent for 2 s.
constexpr const char* kQuick =
    "keepalives_idle=1 keepalives_interval=1 keepalives_count=2 tcp_user_timeout=2000 "
    "connect_timeout=2 options='-c idle_in_transaction_session_timeout=2s'";
// The program's own.
constexpr const char* kOwn = "";

struct CutCase {
    const char* name;
    // Where the cable is pulled: at once (idle), or within a batch's delivery after
    // 4 KiB of it have gone out and the talk has turned this many times (0 in the
    // middle of the INSERT, 1 its answer, 2 the COMMIT, 3 the COMMIT's answer).
    int turns;
    const char* timings;
    int committedBeforeMend;  // what the server holds of the batch while cut
    friend void PrintTo(const CutCase& c, std::ostream* out) { *out << c.name; }
};

class CutDuringDelivery : public CafeNetworkCut, public ::testing::WithParamInterface<CutCase> {};

constexpr int kIdle = -1;
constexpr int kSessions = 250;  // a batch of 200 and one of 50

// The count and cents of the first `count` sessions Book makes.
std::string Expected(int count) {
    std::int64_t cents = 0;
    for (int i = 0; i < count; ++i) cents += (i % 37 + 1) * 100;
    return std::to_string(count) + " " + std::to_string(cents);
}

TEST_P(CutDuringDelivery, FailsWithoutLossAndDeliversOnceWhenMended) {
    const CutCase c = GetParam();
    StartSender(c.timings, systemClock);

    // The link is connected and has spoken once before the cut.
    sender->Tell({true, 1764928800, 0, 0, "Rs"});
    ASSERT_TRUE(PollUntil([&] { return !log->calls().empty(); })) << sender->lastError();
    ASSERT_TRUE(log->calls()[0].ok) << log->calls()[0].error;

    if (c.turns == kIdle)
        relay.Cut();
    else
        relay.CutAfter(4096, c.turns);
    Book(kSessions);
    sender->Queued();
    ASSERT_TRUE(PollUntil([&] { return relay.cut(); }, 60s)) << "the cut never came";

    // The delivery caught in the cut ends, and says it failed.
    ASSERT_TRUE(PollUntil([&] { return log->Delivery().has_value(); }, 90s))
        << "the delivery still waits on a network that is gone";
    EXPECT_FALSE(log->Delivery()->ok);
    EXPECT_EQ(Waiting(), kSessions);
    EXPECT_EQ(sender->backlog().waiting, kSessions);
    EXPECT_EQ(SessionsOf("pc1"), Expected(c.committedBeforeMend));
    relay.Mend();
    ASSERT_TRUE(PollUntil([&] { return sender->backlog().waiting == 0 && Waiting() == 0; }, 90s))
        << sender->lastError();
    EXPECT_EQ(SessionsOf("pc1"), Booked());
    EXPECT_EQ(Booked(), Expected(kSessions));
}

INSTANTIATE_TEST_SUITE_P(
    Cuts, CutDuringDelivery,
    ::testing::Values(
        CutCase{"Idle", kIdle, kQuick, 0},
        // Data left unacknowledged: noticed by the limit on it.
        CutCase{"InTheInsert", 0, kOwn, 0}, CutCase{"TheInsertsAnswer", 1, kQuick, 0},
        // Nothing left unacknowledged, the answer awaited: noticed by the keepalives;
        // the server holds the batch uncommitted until it drops the silent transaction.
        CutCase{"TheCommit", 2, kOwn, 0},
        // Committed, the answer lost: the batch goes again and adds nothing.
        CutCase{"TheCommitsAnswer", 3, kQuick, 200}),
    [](const auto& info) { return std::string(info.param.name); });

// The program stopping while the link is stuck, in a delivery caught in a cut or on a
// server that took the connection and says nothing: the sender stops at once, without
// waiting on the network it would need to call anything off, and the outbox keeps
// every session.
class StoppingWhileStuck : public CafeNetworkCut, public ::testing::WithParamInterface<bool> {};

TEST_P(StoppingWhileStuck, EndsAtOnceAndKeepsTheOutbox) {
    const bool silent = GetParam();
    const int sessions = silent ? 1 : kSessions;
    if (silent) relay.Silent();
    StartSender(kOwn, systemClock);
    if (!silent) {
        sender->Tell({true, 1764928800, 0, 0, "Rs"});
        ASSERT_TRUE(PollUntil([&] { return !log->calls().empty(); })) << sender->lastError();
        relay.CutAfter(4096, 0);
    }
    Book(sessions);
    sender->Queued();
    ASSERT_TRUE(PollUntil([&] { return silent ? relay.accepted() == 1 : relay.cut(); }, 60s));

    auto stopped = std::async(std::launch::async, [&] { sender.reset(); });
    // Well within the link's own limits: 10 s for a silent server, half a minute to
    // notice a cut.
    EXPECT_EQ(stopped.wait_for(silent ? 5s : 15s), std::future_status::ready)
        << "the sender still stops";
    relay.Close();
    stopped.wait();
    EXPECT_EQ(Waiting(), sessions);
    if (silent) return;
    ASSERT_TRUE(log->Delivery().has_value());
    EXPECT_FALSE(log->Delivery()->ok);
    EXPECT_EQ(SessionsOf("pc1"), "0 0");
}

INSTANTIATE_TEST_SUITE_P(Stuck, StoppingWhileStuck, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Silent" : "Cut"; });

// A server that took the connection and says nothing: the link gives up after its
// limit (the program's, or a shorter one the connection string asks for, never a
// longer one) and says so; the sender waits before it tries again; the user-interface
// thread's calls return at once all the while.
struct SilentCase {
    const char* name;
    const char* timings;
    const char* givenUpAfter;
    friend void PrintTo(const SilentCase& c, std::ostream* out) { *out << c.name; }
};

class SilentServer : public CafeNetworkCut, public ::testing::WithParamInterface<SilentCase> {};

TEST_P(SilentServer, IsGivenUpOnAndTheCallsStayOnTheWorker) {
    relay.Silent();
    StartSender(GetParam().timings, fakeClock);
    Book(1);
    sender->Queued();
    ASSERT_TRUE(PollUntil([&] { return relay.accepted() == 1; }));

    // While the link waits on the server, the calls of the user-interface thread
    // return without it.
    sender->Tell({true, 1764928800, 0, 0, "Rs"});
    sender->Queued();
    EXPECT_EQ(sender->backlog().waiting, 1);
    EXPECT_TRUE(log->calls().empty());
    EXPECT_EQ(relay.open(), 1) << "the link gave up before the calls returned";

    ASSERT_TRUE(PollUntil([&] { return log->Delivery().has_value(); }, 60s))
        << "the link still waits on a server that never answers";
    const Call given = *log->Delivery();
    EXPECT_FALSE(given.ok);
    EXPECT_NE(given.error.find(std::string("did not answer within ") + GetParam().givenUpAfter),
              std::string::npos)
        << given.error;
    EXPECT_NE(given.thread, std::this_thread::get_id());
    EXPECT_TRUE(PollUntil([&] { return relay.open() == 0; })) << "the connection was left open";

    // No new try until the wait is over, however often the worker looks.
    const auto rounds = sender->rounds();
    sender->Queued();
    ASSERT_TRUE(PollUntil([&] { return sender->rounds() >= rounds + 2; }));
    EXPECT_EQ(relay.accepted(), 1);
    EXPECT_EQ(log->calls().size(), 1u);
    fakeClock.AdvanceSeconds(1);
    sender->Queued();
    EXPECT_TRUE(PollUntil([&] { return relay.accepted() == 2; }));
    EXPECT_EQ(Waiting(), 1);
}

INSTANTIATE_TEST_SUITE_P(Limits, SilentServer,
                         ::testing::Values(SilentCase{"TheProgramsOwn", kOwn, "10 s"},
                                           SilentCase{"Shorter", "connect_timeout=3", "3 s"},
                                           SilentCase{"NeverLonger", "connect_timeout=60", "10 s"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorvel::test
