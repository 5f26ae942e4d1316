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
        EXPECT_EQ(rig.takings.bookings[0].sessionId, c.id);
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

// What each stored state books and leaves, and whether it asks for a fresh guest
// desktop: the desktop a cut-off session leaves is the last guest's, so it is asked for
// once the session is closed out, and only then; a session whose Logout asked for it
// already is not made afresh twice. A second activation changes nothing.
TEST(CloseOut, BooksOnceClosesTheSessionAndOnlyThenAsksForAFreshDesktop) {
    enum class Stored { CutOff, BookedBeforeAStop, LogoutRefused, LoggedOut, Nothing };
    struct Case {
        const char* what;
        Stored stored;
        const char* date;
        bool refused;
        int calls;  // bookings tried
        std::size_t booked;
        std::optional<std::int32_t> status;
        int requests;
    };
    const Case cases[] = {
        {"cut off, booked now", Stored::CutOff, "12/4/2026", false, 1, 1, 0, 1},
        // Logout booked it, then the power went before Status 0 was written.
        {"cut off after its booking", Stored::BookedBeforeAStop, "12/4/2026", false, 1, 0, 0, 1},
        {"no date", Stored::CutOff, "", false, 0, 0, 0, 1},
        {"not a date", Stored::CutOff, "yesterday", false, 0, 0, 0, 1},
        {"no such month", Stored::CutOff, "13/45/2026", false, 0, 0, 0, 1},
        {"no such day", Stored::CutOff, "2/30/2026", false, 0, 0, 0, 1},
        {"booking refused: tried again later", Stored::CutOff, "12/4/2026", true, 1, 0, 1, 0},
        {"refused at Logout, booked now", Stored::LogoutRefused, "12/4/2026", false, 1, 1, 0, 0},
        {"ended by Logout", Stored::LoggedOut, "12/4/2026", false, 0, 0, 0, 0},
        {"a fresh installation", Stored::Nothing, "", false, 0, 0, std::nullopt, 0},
    };
    for (const Case& c : cases) {
        CloseOutRig rig;
        if (c.stored != Stored::Nothing) rig.Interrupted(c.date, "30");
        if (c.stored == Stored::BookedBeforeAStop) rig.takings.ids.insert("s-1");
        if (c.stored == Stored::LogoutRefused)
            rig.tp.Set(store::kTimersKey, session::kFreshDesktop, std::int32_t{1},
                       platform::kRegDword);
        if (c.stored == Stored::LoggedOut)
            rig.tp.Set(store::kTimersKey, "Status", std::int32_t{0}, platform::kRegDword);
        rig.takings.fail = c.refused;
        std::vector<store::Variant> statusAtRequest;
        rig.tp.guestDesktop.onRequest = [&] { statusAtRequest.push_back(rig.Status()); };

        EXPECT_EQ(session::CloseOutSession(rig.tp.pv, rig.takings), !c.refused) << c.what;
        EXPECT_EQ(rig.takings.calls, c.calls) << c.what;
        EXPECT_EQ(rig.takings.bookings.size(), c.booked) << c.what;
        EXPECT_EQ(rig.Status(), c.status ? store::Variant(*c.status) : store::Variant()) << c.what;
        EXPECT_EQ(rig.tp.guestDesktop.requests, c.requests) << c.what;
        for (const auto& status : statusAtRequest)
            EXPECT_EQ(status, store::Variant(std::int32_t{0})) << c.what;
        session::CloseOutSession(rig.tp.pv, rig.takings);
        EXPECT_EQ(rig.takings.calls, c.refused ? 2 : c.calls) << c.what;
        EXPECT_EQ(rig.takings.bookings.size(), c.booked) << c.what;
        EXPECT_EQ(rig.tp.guestDesktop.requests, c.requests) << c.what;
    }
}

// (What the login screen shows of the last session, and that showing it books nothing
// twice: LoginScreenTest.ShowsTheLastSessionAndBooksItOnceIfItNeverReachedLogout.)
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
