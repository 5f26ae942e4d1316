#include "session/GuestSession.h"

#include <cstdio>
#include <random>

#include "cafe/Sender.h"
#include "session/CloseOut.h"
#include "store/publicVar.h"

namespace quorvel::session {

using platform::kHkeyCurrentUser;
using platform::kRegDword;
using platform::kRegSz;

std::string ElapsedText(std::int32_t hours, std::int32_t minutes, std::int32_t seconds) {
    return std::to_string(hours) + " : " + std::to_string(minutes) + " : " +
           std::to_string(seconds);
}

std::optional<std::int64_t> ElapsedSeconds(const std::string& text) {
    long long hours = 0, minutes = 0, seconds = 0;
    int used = 0;
    if (std::sscanf(text.c_str(), "%lld : %lld : %lld%n", &hours, &minutes, &seconds, &used) != 3 ||
        static_cast<std::size_t>(used) != text.size() || hours < 0 || minutes < 0 || seconds < 0 ||
        hours > 1000000)
        return std::nullopt;
    return hours * 3600 + minutes * 60 + seconds;
}

std::string NewSessionId(const platform::LocalDateTime& now) {
    // The start time keeps identities readable and ordered; the random part keeps two
    // sessions started in the same second (or a clock set back) apart.
    std::random_device random;
    std::uniform_int_distribution<unsigned long long> bits;
    char text[64];
    std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d-%016llx", now.year, now.month,
                  now.day, now.hour, now.minute, now.second, bits(random));
    return text;
}

std::optional<platform::LocalDateTime> SessionIdDay(const std::string& sessionId) {
    // "yyyymmdd-" and nothing else in its first nine characters.
    if (sessionId.size() < 9 || sessionId[8] != '-') return std::nullopt;
    for (std::size_t i = 0; i < 8; ++i)
        if (sessionId[i] < '0' || sessionId[i] > '9') return std::nullopt;
    const int number = std::stoi(sessionId.substr(0, 8));
    platform::LocalDateTime day;
    day.year = number / 10000;
    day.month = number / 100 % 100;
    day.day = number % 100;
    if (!platform::IsCalendarDay(day)) return std::nullopt;
    return day;
}

GuestSession::GuestSession(store::publicVar& pv, Takings& takings) : pv_(pv), takings_(takings) {}

void GuestSession::Store(const char* name, const std::string& text) {
    pv_.settings.WriteSetting(kHkeyCurrentUser, store::kTimersKey, name, text,
                              static_cast<std::int32_t>(kRegSz));
}

void GuestSession::StoreNumber(const char* name, std::int32_t number) {
    pv_.settings.WriteSetting(kHkeyCurrentUser, store::kTimersKey, name, number,
                              static_cast<std::int32_t>(kRegDword));
}

void GuestSession::Start() {
    // One reading of the clock, so the date and the login time agree across midnight.
    const platform::LocalDateTime now = pv_.os.clock.Now();

    charge_ = Charge{};
    seconds_ = 0;
    shownSeconds_ = 0;
    startedAt_ = pv_.os.clock.UnixSeconds();
    elapsed_ = ElapsedText(0, 0, 0);
    caption_ = elapsed_;
    loginTime_ = pv_.os.locale.TimeOfDay(now);
    startDate_ = pv_.os.locale.ShortDate(now);
    amountText_ = "0";

    log_ = std::make_unique<SessionLog>(SessionLogPath(pv_.SysDir));

    logMode_ = LogMode::SessionStart;
    RecordProgress();
    logMode_ = LogMode::Running;

    // The identity and the day go in before Status 1: whenever the close-out finds
    // Status 1, the identity beside it is this session's, never the previous one's, and
    // so is the note that its desktop is not yet made afresh.
    sessionId_ = NewSessionId(now);
    Store("SessionId", sessionId_);
    StoreNumber(kFreshDesktop, 0);
    Store("Date", startDate_);
    Store("UserId", pv_.CurrentUser);
    StoreNumber("Status", 1);
    Store("Elapsed", elapsed_);
    Store("LogoutTime", "");
    Store("LoginTime", loginTime_);
    StoreNumber("EndedBy", static_cast<std::int32_t>(SessionEnd::Logout));
    // A session cut off is booked at the next activation; a server wants its start.
    if (pv_.Cafe) Store("StartedAt", std::to_string(startedAt_));

    minimums_ = ReadMinimums(pv_.settings);
    TellCafe(true);
}

void GuestSession::TellCafe(bool inSession) {
    if (!pv_.Cafe) return;
    cafe::PcState state;
    state.inSession = inSession;
    if (inSession) {
        state.since = startedAt_;
        state.elapsedSeconds = shownSeconds_;
        state.owedCents = std::int64_t{charge_.amount} * 100;
    }
    state.currency = pv_.CurrencySymbol;
    pv_.Cafe->Tell(state);
}

void GuestSession::Activate() {
    charge_.amount = 0;
    rates_ = LoadRates(takings_.ReadRates());
}

void GuestSession::Tick() {
    seconds_ += 1;
    // What is stored is what the guest saw during the second that just ended.
    RecordProgress();
    elapsed_ = ElapsedText(charge_.hours, charge_.minutes, seconds_);
    shownSeconds_ =
        std::int64_t{charge_.hours} * 3600 + std::int64_t{charge_.minutes} * 60 + seconds_;
    caption_ = elapsed_ + ": Quorvel Timer";
    // The minute advances in the tick that shows second 59, so the next tick shows
    // second 0 of the new minute.
    if (seconds_ >= 59) {
        charge_.minutes += 1;
        seconds_ = -1;
    }
    ChargeStep(rates_, minimums_, charge_);
    amountText_ = std::to_string(charge_.amount);
    amountShown_ = pv_.CurrencySymbol + " " + amountText_;
    TellCafe(true);
}

void GuestSession::RecordProgress() {
    if (log_) {
        if (logMode_ == LogMode::SessionStart)
            log_->WriteStartPart(pv_.CurrentUser, startDate_, loginTime_);
        else if (logMode_ == LogMode::SessionEnd)
            log_->WriteEndPart(elapsed_, logoutTime_, amountText_);
    }
    Store("Elapsed", elapsed_);
    Store("Amount", amountText_);
}

db::Booking GuestSession::AddSessionToDailyTotals() {
    SessionTimes times;
    times.startedAt = startedAt_;
    times.endedAt = pv_.os.clock.UnixSeconds();
    times.elapsedSeconds = shownSeconds_;
    return takings_.Book(pv_.os.clock.Now(), static_cast<double>(charge_.amount), sessionId_,
                         times);
}

void GuestSession::Logout(SessionEnd how) {
    // Before the booking: a booking the data file refuses is made by the close-out,
    // and the lock still tells why the session ended.
    StoreNumber("EndedBy", static_cast<std::int32_t>(how));
    logoutTime_ = pv_.os.locale.TimeOfDay(pv_.os.clock.Now());
    logMode_ = LogMode::SessionEnd;
    RecordProgress();
    // Status 0 means "in the daily totals". A booking the data file refused leaves
    // Status 1, so the login screen's close-out books the session (once, by its
    // identity) instead of losing it.
    if (AddSessionToDailyTotals() != db::Booking::Failed) StoreNumber("Status", 0);
    Store("LogoutTime", logoutTime_);
    StoreNumber("Continue", 0);
    Store("TimeLimit", "0");
    TellCafe(false);
}

}  // namespace quorvel::session
