#include "cafe/Sender.h"

#include <algorithm>

#include "db/Database.h"
#include "db/Outbox.h"

namespace quorvel::cafe {

namespace {

ClosedSession ToSession(const db::OutboxEntry& e) {
    return {e.sessionId,      e.day,         e.startedAt, e.endedAt,
            e.elapsedSeconds, e.amountCents, e.currency};
}

std::string Sessions(std::int64_t n) {
    return std::to_string(n) + (n == 1 ? " session" : " sessions");
}

}  // namespace

std::string BacklogText(const Backlog& backlog) {
    std::string text;
    if (backlog.waiting > 0) text = Sessions(backlog.waiting) + " waiting for the server";
    if (backlog.missed > 0) {
        if (!text.empty()) text += "\n";
        text += "Outbox full: " + Sessions(backlog.missed) + " kept on this PC only";
    }
    return text;
}

Sender::Sender(std::unique_ptr<ServerLink> link, const platform::Clock& clock,
               SenderOptions options)
    : link_(std::move(link)), clock_(clock), options_(std::move(options)) {
    worker_ = std::thread([this] { Run(); });
}

Sender::~Sender() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    link_->Interrupt();
    worker_.join();
}

void Sender::Tell(const PcState& state) {
    bool changed = false;
    {
        std::lock_guard lock(mutex_);
        changed = state.inSession != state_.inSession || state.since != state_.since;
        if (changed) {
            stateChanged_ = true;
            woken_ = true;
        }
        state_ = state;
    }
    // A tick's newer figures wait for the next report: the worker sleeps on.
    if (changed) wake_.notify_all();
}

void Sender::Queued() {
    {
        std::lock_guard lock(mutex_);
        outboxChanged_ = true;
        woken_ = true;
    }
    wake_.notify_all();
}

std::string Sender::lastError() const {
    std::lock_guard lock(mutex_);
    return lastError_;
}

void Sender::Run() {
    std::unique_ptr<db::Database> file;
    std::unique_lock lock(mutex_);
    while (!stop_) {
        woken_ = false;
        lock.unlock();
        const TimePoint next = Step(file);
        rounds_.fetch_add(1);
        lock.lock();
        if (stop_ || woken_) continue;
        // The clock may be a test's; a wake-up re-reads it, so the wait is only a ceiling.
        const auto now = clock_.Steady();
        if (next > now) wake_.wait_for(lock, next - now, [this] { return stop_ || woken_; });
    }
}

Sender::TimePoint Sender::Step(std::unique_ptr<db::Database>& file) {
    const TimePoint now = clock_.Steady();
    if (now < awayUntil_) return awayUntil_;
    if (!file) {
        std::string error;
        file = db::Database::Open(options_.dataFile, options_.password, error);
        if (!file) {
            WaitLonger(now, error);
            return awayUntil_;
        }
    }

    bool outboxChanged = false;
    bool stateChanged = false;
    PcState state;
    {
        std::lock_guard lock(mutex_);
        std::swap(outboxChanged, outboxChanged_);
        std::swap(stateChanged, stateChanged_);
        state = state_;
    }
    // What could not be done now is done when the wait is over.
    const auto later = [&](TimePoint when) {
        std::lock_guard lock(mutex_);
        outboxChanged_ = outboxChanged_ || outboxChanged;
        stateChanged_ = stateChanged_ || stateChanged;
        return when;
    };

    if (outboxChanged && !Recount(*file, now)) return later(awayUntil_);
    outboxChanged = false;
    if (waiting_.load() > 0) {
        if (!DeliverBatch(*file, now)) return later(awayUntil_);
        if (waiting_.load() > 0) return later(now);  // the next batch at once
    }

    if (stateChanged || now >= nextState_) {
        const LinkResult result = link_->ReportState(state);
        if (!result.ok) {
            WaitLonger(now, result.error);
            return later(awayUntil_);
        }
        ServerBack();
        nextState_ = now + options_.statePeriod;
    }
    return nextState_;
}

bool Sender::DeliverBatch(db::Database& file, TimePoint now) {
    const auto entries = db::ReadOutbox(file, options_.batch);
    if (!entries) {
        WaitLonger(now, "Cannot read the outbox: " + file.connection().LastError() + ".");
        return false;
    }
    std::vector<ClosedSession> sessions;
    sessions.reserve(entries->size());
    for (const db::OutboxEntry& e : *entries) sessions.push_back(ToSession(e));
    if (!sessions.empty()) {
        const LinkResult result = link_->Deliver(sessions);
        if (!result.ok) {
            WaitLonger(now, result.error);
            return false;
        }
        // Should the removal fail, the batch goes again: the server keeps one of each.
        if (!db::RemoveFromOutbox(file, *entries)) {
            WaitLonger(now, "Cannot update the outbox: " + file.connection().LastError() + ".");
            return false;
        }
    }
    ServerBack();
    return Recount(file, now);
}

bool Sender::Recount(db::Database& file, TimePoint now) {
    const auto count = db::CountOutbox(file);
    if (!count) {
        WaitLonger(now, "Cannot read the outbox: " + file.connection().LastError() + ".");
        return false;
    }
    waiting_.store(count->waiting);
    missed_.store(count->missed);
    return true;
}

void Sender::WaitLonger(TimePoint now, const std::string& why) {
    const std::chrono::steady_clock::duration first = options_.firstRetry;
    const std::chrono::steady_clock::duration longest = options_.longestRetry;
    retry_ =
        retry_ == std::chrono::steady_clock::duration{} ? first : std::min(retry_ * 2, longest);
    awayUntil_ = now + retry_;
    std::lock_guard lock(mutex_);
    lastError_ = why;
}

void Sender::ServerBack() {
    retry_ = {};
    std::lock_guard lock(mutex_);
    lastError_.clear();
}

}  // namespace quorvel::cafe
