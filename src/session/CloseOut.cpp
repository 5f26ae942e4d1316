#include "session/CloseOut.h"

#include "db/Numbers.h"
#include "session/GuestSession.h"

namespace quorvel::session {

using platform::kHkeyCurrentUser;

namespace {

std::string ReadTimersText(const store::publicVar& pv, const char* name) {
    return pv.settings.ReadSetting(kHkeyCurrentUser, store::kTimersKey, name).ToDisplayText();
}

}  // namespace

PreviousUser ShowPreviousUser(store::publicVar& pv) {
    PreviousUser shown;
    const std::string user = ReadTimersText(pv, "UserId");
    const std::string elapsed = ReadTimersText(pv, "Elapsed");
    const std::string amount = ReadTimersText(pv, "Amount");
    shown.date = ReadTimersText(pv, "Date");
    shown.user = user;
    shown.usage = elapsed + " Hrs.";
    pv.CurrencySymbol =
        pv.settings.ReadSetting(kHkeyCurrentUser, store::kSettingsKey, "Currency").ToDisplayText();
    shown.charges = pv.CurrencySymbol + " " + amount;
    if (pv.settings.ReadSetting(kHkeyCurrentUser, store::kTimersKey, "EndedBy").ToNumber() ==
        static_cast<std::int32_t>(SessionEnd::WatchLost))
        shown.notice = kWatchLostNotice;
    return shown;
}

void FreshDesktopAfterSession(store::publicVar& pv) {
    if (pv.settings.ReadSetting(kHkeyCurrentUser, store::kTimersKey, kFreshDesktop).ToNumber() ==
        1)
        return;
    // Noted only once the request is made: a note lost with the program (the reset may
    // end it at once) costs a second reset, never a desktop left unreset.
    if (pv.os.guestDesktop.RequestFresh())
        pv.settings.WriteSetting(kHkeyCurrentUser, store::kTimersKey, kFreshDesktop,
                                 std::int32_t{1}, static_cast<std::int32_t>(platform::kRegDword));
}

bool CloseOutSession(store::publicVar& pv, Takings& takings) {
    const std::string dateText = ReadTimersText(pv, "Date");
    const std::string amountText = ReadTimersText(pv, "Amount");
    if (pv.settings.ReadSetting(kHkeyCurrentUser, store::kTimersKey, "Status").ToNumber() != 1)
        return true;

    // The desktop of a session cut off (a crash, a power cut) still holds that guest's
    // tabs, cookies and programs: once the session is closed out, the next guest gets a
    // fresh one. Not before: a booking that failed is tried again at the next
    // activation, and the program, restarted on the fresh desktop's display, would
    // otherwise ask again and again. A session whose Logout asked for it (its booking
    // refused then, made now) does not ask twice.
    const auto writeBooked = [&pv] {
        pv.settings.WriteSetting(kHkeyCurrentUser, store::kTimersKey, "Status", std::int32_t{0},
                                 static_cast<std::int32_t>(platform::kRegDword));
        FreshDesktopAfterSession(pv);
        return true;
    };

    // The identity the session stored at its start carries its day in a fixed form. The
    // stored date text is in whatever format the system had then, which may have
    // changed before this restart; it is read only for a session without an identity
    // (its values written by hand). A date that cannot be read names no day: there is
    // nothing to book it into.
    std::string sessionId = ReadTimersText(pv, "SessionId");
    auto day = SessionIdDay(sessionId);
    if (!day) day = pv.os.locale.ParseShortDate(dateText);
    if (!day || !platform::IsCalendarDay(*day)) return writeBooked();

    // A session without an identity is named by what it stored, which is just as
    // stable across repeated close-outs.
    if (sessionId.empty())
        sessionId = "unnamed|" + ReadTimersText(pv, "UserId") + "|" + dateText + "|" +
                    ReadTimersText(pv, "LoginTime");

    // A session is booked only once whatever happened before: a booking that was made
    // but whose Status 0 never reached the store is found by its identity and not
    // added again. A booking the data file refused keeps Status 1 to be tried at the
    // next activation. An amount that is not a number (or not a finite one) counts the
    // session without takings.
    // For a cafe's server: the session ended its elapsed time after it started; without
    // a start (one begun before the PC joined), it is taken to have ended now.
    SessionTimes times;
    times.elapsedSeconds = ElapsedSeconds(ReadTimersText(pv, "Elapsed")).value_or(0);
    const auto startedAt = db::ParseNumber(ReadTimersText(pv, "StartedAt"));
    if (startedAt) {
        times.startedAt = static_cast<std::int64_t>(*startedAt);
        times.endedAt = times.startedAt + times.elapsedSeconds;
    } else {
        times.endedAt = pv.os.clock.UnixSeconds();
        times.startedAt = times.endedAt - times.elapsedSeconds;
    }
    if (takings.Book(*day, db::ParseNumber(amountText), sessionId, times) == db::Booking::Failed)
        return false;
    return writeBooked();
}

}  // namespace quorvel::session
