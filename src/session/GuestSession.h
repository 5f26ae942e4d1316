#pragma once
// The running guest session behind the timer window: its clock of ticks, the amount
// owed, the values kept in the Timers key once a second, the session log and the
// booking at Logout. The window only shows what this holds and forwards its events.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/Clock.h"
#include "session/ChargeRule.h"
#include "session/SessionLog.h"
#include "session/Takings.h"

namespace quorvel::store {
class publicVar;
}

namespace quorvel::session {

// How a session ended. Kept beside its values (Timers "EndedBy") for the lock to tell,
// also once the program has restarted on a fresh desktop.
enum class SessionEnd : std::int32_t {
    Logout = 0,
    // The blocker lost its watch of the browsers (the guest stopped it): the session
    // ends as Logout ends it, and the lock says why until the next guest signs in.
    WatchLost = 1,
};

// What RecordProgress writes to the log.
enum class LogMode : std::int16_t { SessionStart = 1, Running = 2, SessionEnd = 3 };

// "1 : 5 : 30": hours, minutes and seconds without leading zeros.
std::string ElapsedText(std::int32_t hours, std::int32_t minutes, std::int32_t seconds);

// The seconds an ElapsedText names; nullopt for any other text.
std::optional<std::int64_t> ElapsedSeconds(const std::string& text);

// A fresh identity for a session, unique across runs of the program. It begins with
// the session's start as "yyyymmdd-hhmmss-", whatever the system's date format.
std::string NewSessionId(const platform::LocalDateTime& now);
// The start day an identity made by NewSessionId carries; nullopt for any other text
// (an identity written by hand, or none) or a day that is not on the calendar.
std::optional<platform::LocalDateTime> SessionIdDay(const std::string& sessionId);

class GuestSession {
  public:
    GuestSession(store::publicVar& pv, Takings& takings);

    // Session start: the clock at zero, the log opened and its start part written, the
    // session's values stored with Status 1 (the last session's end forgotten), the
    // minimums read.
    void Start();
    // The activation's share: amount back to 0 and the rates loaded.
    void Activate();
    // One tick of the clock: stores what was on screen, advances, charges.
    void Tick();
    // Logout: how it ended, the logout time, the log's end part, the booking, Status 0
    // once booked.
    void Logout(SessionEnd how = SessionEnd::Logout);

    // Writes the log part the mode calls for, then stores Elapsed and Amount as shown.
    void RecordProgress();
    // Books this session into today's totals (at most once, by its identity).
    db::Booking AddSessionToDailyTotals();

    // Texts as the window shows them.
    const std::string& lbltimer() const { return loginTime_; }
    const std::string& lbltimer2() const { return elapsed_; }
    const std::string& lbltimer3() const { return logoutTime_; }
    const std::string& lblamt() const { return amountText_; }
    const std::string& lblamt2() const { return amountShown_; }
    const std::string& caption() const { return caption_; }

    std::int32_t hours() const { return charge_.hours; }
    std::int32_t minutes() const { return charge_.minutes; }
    std::int32_t seconds() const { return seconds_; }
    std::int32_t amount() const { return charge_.amount; }
    std::int32_t hourAmount() const { return charge_.hourAmount; }
    const Rates& rates() const { return rates_; }
    const Minimums& minimums() const { return minimums_; }
    const std::string& sessionId() const { return sessionId_; }
    bool logOpen() const { return log_ && log_->IsOpen(); }
    LogMode logMode() const { return logMode_; }

  private:
    void Store(const char* name, const std::string& text);
    // On a PC that has joined a cafe's server: the PC's state, for the counter.
    void TellCafe(bool inSession);
    void StoreNumber(const char* name, std::int32_t number);

    store::publicVar& pv_;
    Takings& takings_;

    Charge charge_;
    std::int32_t seconds_ = 0;
    Rates rates_;
    Minimums minimums_;
    LogMode logMode_ = LogMode::SessionStart;
    std::unique_ptr<SessionLog> log_;
    std::string sessionId_;
    std::int64_t startedAt_ = 0;     // seconds since 1970 UTC
    std::int64_t shownSeconds_ = 0;  // the elapsed time the guest sees
    std::string startDate_;

    std::string loginTime_;
    std::string elapsed_;
    std::string logoutTime_;
    std::string amountText_;
    std::string amountShown_;
    std::string caption_;
};

}  // namespace quorvel::session
