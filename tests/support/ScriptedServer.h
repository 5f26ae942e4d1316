#pragma once
// The one double of a cafe's server: a link that answers as the test scripts it (the
// server takes a delivery, is away, hangs until interrupted, or commits and the answer
// is lost on the way back) and keeps what it took keyed by session, as the real server
// does, so a repeat delivery adds nothing. Kept in memory, or in a file of its own
// when the PC's process is killed during delivery and the record must outlive it.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "cafe/ServerLink.h"
#include "platform/Clock.h"
#include "storage/Sqlite.h"

namespace quorvel::test {

class ScriptedServer {
  public:
    enum class Answer { Commit, Away, Hang, CommitLoseAnswer };

    explicit ScriptedServer(const platform::Clock* clock = nullptr, std::string recordFile = {})
        : clock_(clock), recordFile_(std::move(recordFile)) {}

    // What the sender gets to hold; this object must outlive it.
    std::unique_ptr<cafe::ServerLink> Link() { return std::make_unique<LinkTo>(*this); }

    // Answers for the next calls (deliveries and state reports alike), then `otherwise`.
    void Script(std::initializer_list<Answer> answers) {
        std::lock_guard lock(mutex_);
        script_.insert(script_.end(), answers);
    }
    void Script(Answer answer) { Script({answer}); }
    void Otherwise(Answer answer) {
        std::lock_guard lock(mutex_);
        otherwise_ = answer;
    }

    // What the server holds: one entry per session identity.
    std::map<std::string, cafe::ClosedSession> sessions() const {
        std::lock_guard lock(mutex_);
        if (recordFile_.empty()) return sessions_;
        return ReadRecord();
    }
    std::vector<std::vector<cafe::ClosedSession>> deliveries() const {
        std::lock_guard lock(mutex_);
        return deliveries_;
    }
    std::vector<cafe::PcState> states() const {
        std::lock_guard lock(mutex_);
        return states_;
    }
    // The test clock's steady time at each call, of either kind.
    std::vector<std::chrono::steady_clock::time_point> calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    bool hanging() const {
        std::lock_guard lock(mutex_);
        return hanging_;
    }
    bool interrupted() const {
        std::lock_guard lock(mutex_);
        return interrupted_;
    }

  private:
    class LinkTo final : public cafe::ServerLink {
      public:
        explicit LinkTo(ScriptedServer& server) : server_(server) {}
        cafe::LinkResult Deliver(const std::vector<cafe::ClosedSession>& sessions) override {
            return server_.Call(&sessions, nullptr);
        }
        cafe::LinkResult ReportState(const cafe::PcState& state) override {
            return server_.Call(nullptr, &state);
        }
        void Interrupt() override { server_.Interrupt(); }

      private:
        ScriptedServer& server_;
    };

    cafe::LinkResult Call(const std::vector<cafe::ClosedSession>* sessions,
                          const cafe::PcState* state) {
        std::unique_lock lock(mutex_);
        if (clock_) calls_.push_back(clock_->Steady());
        Answer answer = otherwise_;
        if (!script_.empty()) {
            answer = script_.front();
            script_.pop_front();
        }
        if (interrupted_) return {false, "interrupted"};
        if (answer == Answer::Away) return {false, "could not connect to server"};
        if (answer == Answer::Hang) {
            hanging_ = true;
            released_.wait(lock, [this] { return interrupted_; });
            hanging_ = false;
            return {false, "interrupted"};
        }
        if (sessions) {
            deliveries_.push_back(*sessions);
            if (!Commit(*sessions)) return {false, "the record could not be written"};
        }
        if (state) states_.push_back(*state);
        if (answer == Answer::CommitLoseAnswer) return {false, "server closed the connection"};
        return {true, {}};
    }

    void Interrupt() {
        {
            std::lock_guard lock(mutex_);
            interrupted_ = true;
        }
        released_.notify_all();
    }

    bool Commit(const std::vector<cafe::ClosedSession>& sessions) {
        if (recordFile_.empty()) {
            for (const auto& s : sessions) sessions_.emplace(s.sessionId, s);
            return true;
        }
        if (!record_) {
            std::string error;
            record_ = sqlite::Connection::Open(recordFile_,
                                               SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, error);
            if (!record_ ||
                !record_.Exec("PRAGMA synchronous=FULL; CREATE TABLE IF NOT EXISTS "
                              "Taken (SessionId TEXT PRIMARY KEY, AmountCents INTEGER)"))
                return false;
        }
        sqlite::Transaction tx(record_);
        if (!tx.begun()) return false;
        for (const auto& s : sessions) {
            sqlite::Statement insert(record_, "INSERT OR IGNORE INTO Taken VALUES (?1, ?2)");
            insert.Bind(1, s.sessionId).Bind(2, s.amountCents);
            if (!insert.Run()) return false;
        }
        return tx.Commit();
    }

    std::map<std::string, cafe::ClosedSession> ReadRecord() const {
        std::map<std::string, cafe::ClosedSession> taken;
        std::string error;
        // Read-write: a writer killed inside its transaction leaves a hot journal,
        // which only a connection that may write rolls back; a read-only one fails
        // and would read nothing.
        sqlite::Connection file =
            sqlite::Connection::Open(recordFile_, SQLITE_OPEN_READWRITE, error);
        if (!file) return taken;
        sqlite::Statement select(file, "SELECT SessionId, AmountCents FROM Taken");
        while (select.Step() == SQLITE_ROW) {
            cafe::ClosedSession s;
            s.sessionId = select.Text(0);
            s.amountCents = select.Int(1);
            taken.emplace(s.sessionId, s);
        }
        return taken;
    }

    const platform::Clock* clock_;
    const std::string recordFile_;
    mutable std::mutex mutex_;
    std::condition_variable released_;
    std::deque<Answer> script_;
    Answer otherwise_ = Answer::Commit;
    std::map<std::string, cafe::ClosedSession> sessions_;
    std::vector<std::vector<cafe::ClosedSession>> deliveries_;
    std::vector<cafe::PcState> states_;
    std::vector<std::chrono::steady_clock::time_point> calls_;
    bool hanging_ = false;
    bool interrupted_ = false;
    sqlite::Connection record_;
};

}  // namespace quorvel::test
