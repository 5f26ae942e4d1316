// The login screen's view of the last session, and the booking of one that never
// reached Logout.
#include <gtest/gtest.h>

#include "session/CloseOut.h"
#include "unit/SessionRig.h"

namespace quorvel::test {
namespace {

struct CloseOutRig : SessionRig {
    store::Variant Status() const { return TimersValue("Status"); }
    // What an interrupted session leaves behind.
    void Interrupted(const char* date, const char* amount, const char* id = "s-1") {
        const std::pair<const char*, const char*> texts[] = {
            {"UserId", "guest"},         {"Date", date},
            {"Amount", amount},          {"Elapsed", "0 : 31 : 7"},
            {"LoginTime", "9:00:00 AM"}, {"SessionId", id}};
        for (const auto& [name, text] : texts) tp.Set(store::kTimersKey, name, text);
        tp.Set(store::kTimersKey, "Status", std::int32_t{1}, platform::kRegDword);
    }
};

TEST(CloseOut, InterruptedSessionIsBookedOnceIntoItsOwnDay) {
    CloseOutRig rig;
    rig.Interrupted("12/4/2026", "30");
    session::CloseOutSession(rig.tp.pv, rig.takings);
    ASSERT_EQ(rig.takings.bookings.size(), 1u);
    const auto& b = rig.takings.bookings[0];
    EXPECT_EQ((std::array{b.day.year, b.day.month, b.day.day}), (std::array{2026, 12, 4}));
    EXPECT_EQ(b.amount, 30.0);
    EXPECT_EQ(b.sessionId, "s-1");
    EXPECT_EQ(rig.Status(), store::Variant(std::int32_t{0}));

    session::CloseOutSession(rig.tp.pv, rig.takings);
    EXPECT_EQ(rig.takings.calls, 1);
    EXPECT_EQ(rig.takings.bookings.size(), 1u);
}

// An amount that is no number, or none that fits, counts the guest only.
TEST(CloseOut, StoredAmountThatIsNoFiniteNumberCountsTheSessionWithoutTakings) {
    struct Case {
        const char* amount;
        std::optional<double> booked;
    };
    for (const Case c :
         {Case{"nan", std::nullopt}, Case{"-nan", std::nullopt}, Case{"inf", std::nullopt},
          Case{"1e400", std::nullopt}, Case{"12abc", std::nullopt}, Case{"3O", std::nullopt},
          Case{"", std::nullopt}, Case{" 12.5 ", 12.5}, Case{"+5", 5.0}}) {
        CloseOutRig rig;
        rig.Interrupted("12/4/2026", c.amount);
        session::CloseOutSession(rig.tp.pv, rig.takings);
        ASSERT_EQ(rig.takings.bookings.size(), 1u) << c.amount;
        EXPECT_EQ(rig.takings.bookings[0].amount, c.booked) << c.amount;
        EXPECT_EQ(rig.Status(), store::Variant(std::int32_t{0})) << c.amount;
    }
}

TEST(CloseOut, BookingMadeBeforeAStopIsNotMadeAgain) {
    // Logout booked the session, then the PC lost power before Status 0 was written.
    CloseOutRig rig;
    rig.Interrupted("12/4/2026", "30");
    rig.takings.ids.insert("s-1");
    session::CloseOutSession(rig.tp.pv, rig.takings);
    EXPECT_TRUE(rig.takings.bookings.empty());
    EXPECT_EQ(rig.Status(), store::Variant(std::int32_t{0}));
}

TEST(CloseOut, LoggedOutSessionIsLeftAlone) {
    CloseOutRig rig;
    rig.Interrupted("12/4/2026", "30");
    rig.tp.Set(store::kTimersKey, "Status", std::int32_t{0}, 4);
    session::CloseOutSession(rig.tp.pv, rig.takings);
    EXPECT_EQ(rig.takings.calls, 0);

    CloseOutRig empty;  // nothing stored yet: a fresh installation
    session::CloseOutSession(empty.tp.pv, empty.takings);
    EXPECT_EQ(empty.takings.calls, 0);
}

TEST(CloseOut, DateThatIsNotADateBooksNothingAndClosesTheSession) {
    for (const char* date : {"", "yesterday", "13/45/2026", "2/30/2026"}) {
        CloseOutRig rig;
        rig.Interrupted(date, "30");
        session::CloseOutSession(rig.tp.pv, rig.takings);
        EXPECT_EQ(rig.takings.calls, 0) << date;
        EXPECT_EQ(rig.Status(), store::Variant(std::int32_t{0})) << date;
    }
}

// The day comes from the identity whenever it carries one: the stored date text is in
// the format the system had when the session started, which may have changed since.
TEST(CloseOut, BooksTheDayTheIdentityCarriesWhateverTheDateTextSays) {
    struct Case {
        const char* id;
        const char* date;
        std::array<int, 3> booked;  // year, month, day
    };
    const Case cases[] = {
        {"20261204-093000-00000000000000ff", "04.12.2026", {2026, 12, 4}},  // unreadable now
        {"20261204-093000-00000000000000ff", "4/12/2026", {2026, 12, 4}},   // reads as April
        {"20261204-093000-00000000000000ff", "", {2026, 12, 4}},
        {"s-1", "12/4/2026", {2026, 12, 4}},                             // no day in it: the text
        {"20260230-093000-00000000000000ff", "3/2/2026", {2026, 3, 2}},  // no such day
        {"2026120-093000-0", "3/2/2026", {2026, 3, 2}},
    };
    for (const Case& c : cases) {
        CloseOutRig rig;
        rig.Interrupted(c.date, "30", c.id);
        session::CloseOutSession(rig.tp.pv, rig.takings);
        ASSERT_EQ(rig.takings.bookings.size(), 1u) << c.id << " " << c.date;
        const auto& day = rig.takings.bookings[0].day;
        EXPECT_EQ((std::array{day.year, day.month, day.day}), c.booked) << c.id << " " << c.date;
    }
    // What a real session stores reads back as its start day.
    const platform::LocalDateTime start{2027, 2, 28, 23, 59, 59};
    const auto day = session::SessionIdDay(session::NewSessionId(start));
    ASSERT_TRUE(day);
    EXPECT_EQ((std::array{day->year, day->month, day->day}), (std::array{2027, 2, 28}));
}

TEST(CloseOut, RefusedBookingIsTriedAgainAtTheNextActivation) {
    CloseOutRig rig;
    rig.Interrupted("12/4/2026", "30", "");  // no identity stored: named by its values
    rig.takings.fail = true;
    session::CloseOutSession(rig.tp.pv, rig.takings);
    EXPECT_EQ(rig.Status(), store::Variant(std::int32_t{1}));
    rig.takings.fail = false;
    session::CloseOutSession(rig.tp.pv, rig.takings);
    ASSERT_EQ(rig.takings.bookings.size(), 1u);
    EXPECT_EQ(rig.Status(), store::Variant(std::int32_t{0}));
    // The name given to a session without identity is the same at every close-out.
    rig.tp.Set(store::kTimersKey, "Status", std::int32_t{1}, 4);
    session::CloseOutSession(rig.tp.pv, rig.takings);
    EXPECT_EQ(rig.takings.bookings.size(), 1u);
}

// The desktop a cut-off session leaves is the last guest's: it is asked to be fresh once
// the session is closed out, and only then.
TEST(CloseOut, AsksForAFreshGuestDesktopOnceTheCutOffSessionIsClosedOut) {
    enum class Stored { CutOff, CutOffAlreadyBooked, CutOffUndated, LoggedOut, Nothing };
    struct Case {
        const char* what;
        Stored stored;
        bool refused;
        int requests;
    };
    const Case cases[] = {
        {"cut off, booked now", Stored::CutOff, false, 1},
        {"cut off after its booking", Stored::CutOffAlreadyBooked, false, 1},
        {"cut off with no day to book into", Stored::CutOffUndated, false, 1},
        {"cut off, booking refused: tried again later", Stored::CutOff, true, 0},
        {"ended by Logout", Stored::LoggedOut, false, 0},
        {"a fresh installation", Stored::Nothing, false, 0},
    };
    for (const Case& c : cases) {
        CloseOutRig rig;
        if (c.stored != Stored::Nothing)
            rig.Interrupted(c.stored == Stored::CutOffUndated ? "yesterday" : "12/4/2026", "30",
                            c.stored == Stored::CutOffUndated ? "" : "s-1");
        if (c.stored == Stored::CutOffAlreadyBooked) rig.takings.ids.insert("s-1");
        if (c.stored == Stored::LoggedOut)
            rig.tp.Set(store::kTimersKey, "Status", std::int32_t{0}, platform::kRegDword);
        rig.takings.fail = c.refused;
        std::vector<store::Variant> statusAtRequest;
        rig.tp.guestDesktop.onRequest = [&] { statusAtRequest.push_back(rig.Status()); };

        session::CloseOutSession(rig.tp.pv, rig.takings);
        EXPECT_EQ(rig.tp.guestDesktop.requests, c.requests) << c.what;
        for (const auto& status : statusAtRequest)
            EXPECT_EQ(status, store::Variant(std::int32_t{0})) << c.what;
        // The next activation finds the session closed: no second request.
        session::CloseOutSession(rig.tp.pv, rig.takings);
        EXPECT_EQ(rig.tp.guestDesktop.requests, c.requests) << c.what;
    }
}

TEST(ShowPreviousUser, ShowsTheLastSessionWithTheCurrency) {
    CloseOutRig rig;
    rig.Interrupted("12/4/2026", "25");
    rig.tp.Set(store::kTimersKey, "Elapsed", "1 : 5 : 30");
    rig.tp.Set(store::kSettingsKey, "Currency", "Rs", 1);
    const auto shown = session::ShowPreviousUser(rig.tp.pv);
    EXPECT_EQ(shown.user, "guest");
    EXPECT_EQ(shown.date, "12/4/2026");
    EXPECT_EQ(shown.usage, "1 : 5 : 30 Hrs.");
    EXPECT_EQ(shown.charges, "Rs 25");
    EXPECT_EQ(rig.tp.pv.CurrencySymbol, "Rs");
    // Showing never books.
    EXPECT_EQ(rig.takings.calls, 0);
}

TEST(ShowPreviousUser, MissingValuesShowEmptyTexts) {
    CloseOutRig rig;
    rig.tp.pv.CurrencySymbol = "old";
    const auto shown = session::ShowPreviousUser(rig.tp.pv);
    EXPECT_EQ(shown.user, "");
    EXPECT_EQ(shown.date, "");
    EXPECT_EQ(shown.usage, " Hrs.");
    EXPECT_EQ(shown.charges, " ");
    EXPECT_EQ(rig.tp.pv.CurrencySymbol, "");
}

}  // namespace
}  // namespace quorvel::test
