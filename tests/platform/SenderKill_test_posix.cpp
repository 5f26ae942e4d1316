// A joined PC killed at random moments while it books sessions and delivers them: the
// server's durable record and the PC's daily totals end up with the same sessions,
// none lost and none twice.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <random>
#include <thread>

#include "PosixProcess.h"
#include "cafe/Sender.h"
#include "db/Database.h"
#include "platform/posix/SystemClock.h"
#include "support/DataFile.h"
#include "support/Poll.h"
#include "support/ScriptedServer.h"

namespace quorvel::test {
namespace {

using Answer = ScriptedServer::Answer;

cafe::SenderOptions Options(const std::string& dataFile) {
    cafe::SenderOptions options;
    options.dataFile = dataFile;
    options.password = db::kDataFilePassword;
    options.batch = 4;
    // A server that is back at once: many tries in each round.
    options.firstRetry = std::chrono::milliseconds(5);
    options.longestRetry = std::chrono::milliseconds(40);
    return options;
}

// The child: a PC whose guests keep logging out, its sender delivering each session to
// a server that now and then loses its answer or is away. It says it is ready once its
// first session has reached the server, so that every kill comes while guests log out
// and the sender delivers, however slowly this build opens its files. It never returns.
[[noreturn]] void BookUntilKilled(const std::string& dataFile, const std::string& record, int round,
                                  unsigned seed, int ready) {
    const auto say = [ready](char ok) {
        if (write(ready, &ok, 1) != 1 || ok != '1') _exit(3);
        close(ready);
    };
    std::string error;
    const auto file = db::Database::Open(dataFile, db::kDataFilePassword, error);
    if (!file) say('0');
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> answer(0, 9);
    std::uniform_int_distribution<std::int64_t> units(1, 5000);
    std::uniform_int_distribution<int> pause(0, 4000);
    platform::SystemClock clock;
    ScriptedServer server(&clock, record);
    for (int i = 0; i < 2000; ++i) {
        const int a = answer(random);
        server.Script(a < 2 ? Answer::CommitLoseAnswer : a < 3 ? Answer::Away : Answer::Commit);
    }
    cafe::Sender sender(server.Link(), clock, Options(dataFile));
    const auto logOut = [&](int i) {
        // Whole units, as the charge is: the daily total adds them exactly.
        const std::int64_t amount = units(random);
        db::OutboxWrite write;
        write.entry = {0,
                       "r" + std::to_string(round) + "-" + std::to_string(i),
                       "2026-12-05",
                       0,
                       0,
                       0,
                       amount * 100,
                       "Rs"};
        if (db::AddSessionToDailyTotals(*file, "12/05/2026", static_cast<double>(amount),
                                        write.entry.sessionId, &write) == db::Booking::Booked)
            sender.Queued();
    };
    logOut(0);
    const std::string first = "r" + std::to_string(round) + "-0";
    say(PollUntil([&] { return server.sessions().count(first) == 1; }) ? '1' : '0');
    for (int i = 1;; ++i) {
        logOut(i);
        // Guests log out one after another, not all in the same instant: the sender
        // gets its turn at the data file.
        std::this_thread::sleep_for(std::chrono::microseconds(pause(random)));
    }
}

TEST(SenderKill, KilledAtRandomMomentsTheServerHoldsEveryBookedSessionOnce) {
    ProgramFolders folders;
    ASSERT_TRUE(CreateDataFile(folders.dataFile, {.logins = false}));
    const std::string record = folders.root.file("server.db");
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delayUs(0, 400000);

    for (int round = 0; round < 30; ++round) {
        const unsigned childSeed = random();
        const KilledChild child = KillWhileWorking(
            [&](int ready) { BookUntilKilled(folders.dataFile, record, round, childSeed, ready); },
            std::chrono::microseconds(delayUs(random)));
        ASSERT_TRUE(child.started) << "the PC did not get its first session to the server (round "
                                   << round << ")";
        ASSERT_TRUE(child.killed);
    }

    // Every round got at least its first session to the server before its kill.
    const std::size_t takenDuringKills = ScriptedServer(nullptr, record).sessions().size();
    EXPECT_GE(takenDuringKills, 30u);

    // The PC starts once more with the server in good health: the rest goes out.
    std::string error;
    const auto file = db::Database::Open(folders.dataFile, db::kDataFilePassword, error);
    ASSERT_TRUE(file) << error;
    platform::SystemClock clock;
    ScriptedServer server(&clock, record);
    {
        cafe::Sender sender(server.Link(), clock, Options(folders.dataFile));
        ASSERT_TRUE(PollUntil([&] { return sender.rounds() > 0 && sender.backlog().waiting == 0; }))
            << sender.lastError();
    }
    sqlite::Statement totals(file->connection(),
                             "SELECT ifnull(sum(Gnum), 0), ifnull(sum(Gamt), 0) FROM Guest_T");
    ASSERT_EQ(totals.Step(), SQLITE_ROW);
    const std::int64_t booked = totals.Int(0);
    const std::int64_t bookedCents = std::llround(totals.Double(1) * 100);

    std::int64_t taken = 0;
    std::int64_t takenCents = 0;
    for (const auto& [id, session] : server.sessions()) {
        ++taken;
        takenCents += session.amountCents;
    }
    EXPECT_EQ(taken, booked) << takenDuringKills << " taken before the last start";
    EXPECT_EQ(takenCents, bookedCents);
    EXPECT_EQ(db::CountOutbox(*file)->waiting, 0);
}

}  // namespace
}  // namespace quorvel::test
