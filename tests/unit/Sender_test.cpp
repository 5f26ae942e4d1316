// The joined PC's sender over a real data file and the scripted server: what it
// delivers, when it tries again, and how it stops.
#include <gtest/gtest.h>

#include <future>

#include "cafe/Sender.h"
#include "db/Database.h"
#include "platform/fake/FakeClock.h"
#include "support/DataFile.h"
#include "support/Poll.h"
#include "support/ScriptedServer.h"

namespace quorvel::test {
namespace {

using Answer = ScriptedServer::Answer;

struct Sender : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(file); }
    void TearDown() override { sender.reset(); }

    void Start(int batch = 200) {
        cafe::SenderOptions options;
        options.dataFile = folders.dataFile;
        options.password = db::kDataFilePassword;
        options.batch = batch;
        sender = std::make_unique<cafe::Sender>(server.Link(), clock, options);
    }
    // Books a session as the timer window does on a joined PC.
    void Book(const std::string& id, std::int64_t cents) {
        db::OutboxWrite write;
        write.entry = {0, id, "2026-12-05", 1000, 1600, 600, cents, "Rs"};
        ASSERT_EQ(db::AddSessionToDailyTotals(*file, "12/05/2026", cents / 100.0, id, &write),
                  db::Booking::Booked);
        if (sender) sender->Queued();
    }
    // Moves the clock and returns once the worker has looked at the new time.
    void Advance(long long seconds) {
        clock.AdvanceSeconds(seconds);
        for (int look = 0; look < 2; ++look) {
            const auto rounds = sender->rounds();
            sender->Queued();
            ASSERT_TRUE(PollUntil([&] { return sender->rounds() > rounds; }));
        }
    }
    std::int64_t Outboxed() {
        return db::CountOutbox(*file).value_or(db::OutboxCount{-1, -1}).waiting;
    }
    bool AllTaken(std::size_t sessions) {
        return server.sessions().size() == sessions && sender->backlog().waiting == 0;
    }

    ProgramFolders folders;
    std::shared_ptr<db::Database> file = CreateDataFile(folders.dataFile, {.logins = false});
    platform::FakeClock clock;
    ScriptedServer server{&clock};
    std::unique_ptr<cafe::Sender> sender;
};

TEST_F(Sender, DeliversTheBacklogInBatchesAndRemovesOnlyWhatTheServerCommitted) {
    for (int i = 0; i < 7; ++i) Book("s" + std::to_string(i), 100 + i);
    Start(3);
    ASSERT_TRUE(PollUntil([&] { return AllTaken(7); }));
    EXPECT_EQ(Outboxed(), 0);
    std::vector<std::size_t> sizes;
    for (const auto& batch : server.deliveries()) sizes.push_back(batch.size());
    EXPECT_EQ(sizes, (std::vector<std::size_t>{3, 3, 1}));
    EXPECT_EQ(server.sessions().at("s6").amountCents, 106);

    // Booked while running: delivered at once, without waiting for any period.
    Book("late", 250);
    ASSERT_TRUE(PollUntil([&] { return AllTaken(8); }));
}

// Whatever happens on the way, each session reaches the server's record once and
// leaves the outbox only after a commit.
struct Trouble {
    const char* name;
    std::vector<Answer> script;
    long long wait;       // seconds of the clock before the sessions are all taken
    std::size_t commits;  // deliveries the server committed
};

void PrintTo(const Trouble& t, std::ostream* out) {
    *out << t.name;
}

struct SenderTrouble : Sender, ::testing::WithParamInterface<Trouble> {};

TEST_P(SenderTrouble, EachSessionTakenOnceAndKeptUntilCommitted) {
    const Trouble& t = GetParam();
    for (Answer a : t.script) server.Script(a);
    Book("a", 500);
    Book("b", 750);
    Start();
    ASSERT_TRUE(PollUntil([&] { return !server.calls().empty(); }));
    Advance(0);
    long long waited = 0;
    for (; !AllTaken(2) && waited < 120; ++waited) {
        // Not taken yet: the outbox holds both while the sender waits.
        EXPECT_EQ(Outboxed(), 2);
        EXPECT_EQ(sender->backlog().waiting, 2);
        EXPECT_FALSE(sender->lastError().empty());
        Advance(1);
    }
    EXPECT_EQ(waited, t.wait);
    EXPECT_EQ(Outboxed(), 0);
    EXPECT_EQ(server.deliveries().size(), t.commits);
    EXPECT_EQ(server.sessions().at("b").amountCents, 750);
    EXPECT_TRUE(sender->lastError().empty());
}

const Trouble kTroubles[] = {
    {"AllWell", {}, 0, 1},
    {"ServerAway", {Answer::Away}, 1, 1},
    {"AnswerLost", {Answer::CommitLoseAnswer}, 1, 2},
    {"AwayThenAnswerLost", {Answer::Away, Answer::CommitLoseAnswer}, 3, 2},
};

INSTANTIATE_TEST_SUITE_P(Cases, SenderTrouble, ::testing::ValuesIn(kTroubles),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Sender, WaitsTwiceAsLongAfterEachFailureUpToAMinuteAndAfreshOnceBack) {
    server.Otherwise(Answer::Away);
    Book("a", 100);
    Start();
    ASSERT_TRUE(PollUntil([&] { return !server.calls().empty(); }));
    for (int second = 0; second < 250; ++second) Advance(1);
    std::vector<long long> gaps;
    const auto calls = server.calls();
    for (std::size_t i = 1; i < calls.size(); ++i)
        gaps.push_back(
            std::chrono::duration_cast<std::chrono::seconds>(calls[i] - calls[i - 1]).count());
    EXPECT_EQ(gaps, (std::vector<long long>{1, 2, 4, 8, 16, 32, 60, 60, 60}));

    server.Otherwise(Answer::Commit);
    Advance(60);
    ASSERT_TRUE(PollUntil([&] { return AllTaken(1); }));
    server.Otherwise(Answer::Away);
    const std::size_t before = server.calls().size();
    Book("b", 100);
    Advance(0);
    Advance(1);
    EXPECT_EQ(server.calls().size(), before + 2) << "the first wait after a success is short";
}

TEST_F(Sender, StopsPromptlyWhileADeliveryHangsAndKeepsTheSession) {
    server.Script(Answer::Hang);
    Book("a", 100);
    Start();
    ASSERT_TRUE(PollUntil([&] { return server.hanging(); }));
    auto stopped = std::async(std::launch::async, [&] { sender.reset(); });
    ASSERT_EQ(stopped.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_TRUE(server.interrupted());
    EXPECT_EQ(Outboxed(), 1);
    EXPECT_TRUE(server.sessions().empty());
}

TEST_F(Sender, ReportsTheStateAtEachChangeAndEveryTenSeconds) {
    Start();
    const auto reported = [&](std::size_t n) {
        return PollUntil([&] { return server.states().size() == n; });
    };
    ASSERT_TRUE(reported(1));  // the PC is heard of as soon as it runs
    EXPECT_FALSE(server.states()[0].inSession);

    sender->Tell({true, 5000, 0, 0, "Rs"});
    ASSERT_TRUE(reported(2));
    EXPECT_TRUE(server.states()[1].inSession);
    EXPECT_EQ(server.states()[1].since, 5000);

    sender->Tell({true, 5000, 9, 1500, "Rs"});  // a tick: waits for the period
    Advance(9);
    EXPECT_EQ(server.states().size(), 2u);
    Advance(1);
    ASSERT_TRUE(reported(3));
    EXPECT_EQ(server.states()[2].elapsedSeconds, 9);
    EXPECT_EQ(server.states()[2].owedCents, 1500);

    sender->Tell({false, 0, 0, 0, "Rs"});
    ASSERT_TRUE(reported(4));
    EXPECT_FALSE(server.states()[3].inSession);
    // A state the server missed goes with the next try.
    server.Script(Answer::Away);
    const std::size_t calls = server.calls().size();
    sender->Tell({true, 7000, 0, 0, "Rs"});
    ASSERT_TRUE(PollUntil([&] { return server.calls().size() == calls + 1; }));
    EXPECT_EQ(server.states().size(), 4u);
    Advance(1);
    ASSERT_TRUE(reported(5));
    EXPECT_EQ(server.states()[4].since, 7000);
}

}  // namespace
}  // namespace quorvel::test
