#pragma once
// The joined PC's sender: one worker thread that delivers the outbox of the data file
// to the cafe's server and reports the PC's state, so that neither the lock screen nor
// the timer window ever waits on the network.
//
// The thread opens its own connection to the data file (a connection is never shared
// between threads), reads the outbox in batches, hands each batch to the link and
// removes it only after the link answered that the server committed it. A batch whose
// answer was lost is sent again; the server, keyed by PC and session, takes it as a
// no-op. While the server is away the thread waits longer each time, up to a minute.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "cafe/ServerLink.h"
#include "platform/Clock.h"

namespace quorvel::db {
class Database;
}

namespace quorvel::cafe {

struct SenderOptions {
    std::string dataFile;  // the data file's path
    std::string password;
    int batch = 200;  // sessions per server transaction
    std::chrono::milliseconds firstRetry{1000};
    std::chrono::milliseconds longestRetry{60000};
    // How often the PC's state goes out when nothing changed: the counter counts a PC
    // not heard from for half a minute as offline.
    std::chrono::milliseconds statePeriod{10000};
};

// What the sender knows of the outbox, for the lock screen.
struct Backlog {
    std::int64_t waiting = 0;  // sessions not yet committed by the server
    std::int64_t missed = 0;   // sessions booked while the outbox was full
};

// The lock screen's quiet line for the owner about the server: how many sessions wait
// for it, and how many the full outbox could not keep for it. Empty when all is there.
std::string BacklogText(const Backlog& backlog);

class Sender {
  public:
    // Starts the worker at once. The link is used only on the worker thread.
    Sender(std::unique_ptr<ServerLink> link, const platform::Clock& clock, SenderOptions options);
    // Stops the worker: a call blocked on the network is interrupted, the thread joined.
    ~Sender();
    Sender(const Sender&) = delete;
    Sender& operator=(const Sender&) = delete;

    // The PC's state now. A session starting or ending goes out at once; the elapsed
    // time and amount go out with the next periodic report.
    void Tell(const PcState& state);
    // A booking went into the outbox: deliver it now, unless the server is away.
    void Queued();

    Backlog backlog() const { return {waiting_.load(), missed_.load()}; }
    // Why the last try failed (the server, or the data file); empty while all goes well.
    std::string lastError() const;
    // How many times the worker has looked for something to do; a test that moved its
    // clock waits for two more looks after a Queued to know the worker saw the new time.
    std::int64_t rounds() const { return rounds_.load(); }

  private:
    using TimePoint = std::chrono::steady_clock::time_point;
    void Run();
    // One step of the worker: what is due now (the data file is opened on the first).
    // Returns when the worker next has something to do.
    TimePoint Step(std::unique_ptr<db::Database>& file);
    bool DeliverBatch(db::Database& file, TimePoint now);
    bool Recount(db::Database& file, TimePoint now);
    // Something failed: nothing more is tried for a while, twice as long as last time.
    void WaitLonger(TimePoint now, const std::string& why);
    void ServerBack();

    std::unique_ptr<ServerLink> link_;
    const platform::Clock& clock_;
    const SenderOptions options_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    bool woken_ = false;         // something asked for the worker since it last looked
    bool outboxChanged_ = true;  // the outbox may hold what was not tried yet
    bool stateChanged_ = true;
    PcState state_;
    std::string lastError_;

    // The worker's own, touched only on its thread.
    std::chrono::steady_clock::duration retry_{};
    TimePoint awayUntil_{};
    TimePoint nextState_{};

    std::atomic<std::int64_t> waiting_{0};
    std::atomic<std::int64_t> missed_{0};
    std::atomic<std::int64_t> rounds_{0};
    std::thread worker_;  // last: starts once everything above is ready
};

}  // namespace quorvel::cafe
