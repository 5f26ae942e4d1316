// The Enter button without the screen: for each sign-in, which desktop calls and which
// of the screen's own steps happen, in one order.
#include "login/SignInSteps.h"

#include <gtest/gtest.h>

#include "session/CloseOut.h"
#include "store/Variant.h"
#include "support/DataFile.h"
#include "support/TempDir.h"
#include "support/TestPlatform.h"

namespace quorvel::test {
namespace {

using Calls = std::vector<std::string>;

// The screen's steps go into the fake desktop's own record, so the two kinds of call
// are seen in the one order they were made in.
class RecordingScreen final : public login::LoginScreen {
  public:
    explicit RecordingScreen(Calls& calls) : calls_(calls) {}
    std::uintptr_t Handle() override { return 7; }
    void HoldLock(bool hold) override { calls_.push_back(hold ? "HoldLock 1" : "HoldLock 0"); }
    void Warn(const std::string& text) override { calls_.push_back("Warn " + text); }
    void Correct(login::Box box) override {
        calls_.push_back(box == login::Box::Login ? "Correct Login" : "Correct Password");
    }
    void ClearBoxes() override { calls_.push_back("ClearBoxes"); }
    void Hide() override { calls_.push_back("Hide"); }
    void ProcessPendingEvents() override { calls_.push_back("ProcessPendingEvents"); }
    void LoadBlocker() override { calls_.push_back("LoadBlocker"); }
    void OpenControlPanel() override { calls_.push_back("OpenControlPanel"); }
    void StartSession() override { calls_.push_back("StartSession"); }

  private:
    Calls& calls_;
};

// The last guest session as the Timers key holds it at the sign-in.
enum class Last {
    Booked,
    Unbookable,       // its booking refused at Logout, and now still
    RefusedAtLogout,  // its desktop made afresh at Logout; the booking goes through now
    CutOff,           // never reached Logout; the booking goes through now
};

struct Case {
    const char* name;
    const char* login;
    const char* password;
    bool blocking;
    bool dataFileClosed;
    Calls expected;
    const char* currentUser;
    Last last = Last::Booked;
};

// A failing case is named by its name, not its bytes.
void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

const Calls kGuestAfterBlocker = {"ShowTaskbar 1",        "SetScreenSaverRunning 0 0",
                                  "ShowTrayClock 0",      "FlashNotifyIcon",
                                  "HoldLock 0",           "SetTopMost 0",
                                  "ClearBoxes",           "Hide",
                                  "ProcessPendingEvents", "StartSession"};
const Calls kAdmin = {
    "ShowTrayClock 1",           "FlashNotifyIcon", "HoldLock 0", "ShowTaskbar 1",
    "SetScreenSaverRunning 0 0", "ClearBoxes",      "Hide",       "OpenControlPanel"};

Calls Refused(const char* text, const char* box) {
    return {"HoldLock 0",   "SetTopMost 0", std::string("Warn ") + text,
            "SetTopMost 1", "HoldLock 1",   std::string("Correct ") + box};
}

Calls Then(Calls first, const Calls& rest) {
    first.insert(first.end(), rest.begin(), rest.end());
    return first;
}

const Case kCases[] = {
    {"GuestWithoutBlocking", "guest", "visitor", false, false, kGuestAfterBlocker, "guest"},
    // The blocker is watching before the desktop is released.
    {"GuestWithBlocking", "guest", "visitor", true, false,
     Then({"LoadBlocker"}, kGuestAfterBlocker), "guest"},
    {"AdminWithoutBlocking", "admin", "boss", false, false, kAdmin, ""},
    // Blocking is the guest's: the administrator's desktop is never watched.
    {"AdminWithBlocking", "admin", "boss", true, false, kAdmin, ""},
    // Blanks typed around the password do not count.
    {"PasswordTrimmed", "guest", " visitor  ", false, false, kGuestAfterBlocker, "guest"},
    {"WrongPassword", "guest", "Visitor", true, false, Refused("Invalid Password", "Password"), ""},
    {"NoSuchLogin", "owner", "boss", false, false, Refused("Invalid Login", "Login"), ""},
    // A data file that is not open cannot vouch for anyone.
    {"DataFileClosed", "admin", "boss", false, true, Refused("Invalid Login", "Login"), ""},
    // Found and checked, but the branch is taken on the login as typed: nothing happens.
    {"LoginWithLeadingBlank", " admin", "boss", false, false, {}, ""},
    // A new session would write over one still to be booked.
    {"GuestWhileTheLastSessionIsUnbookable", "guest", "visitor", true, false,
     Refused(login::kLastSessionOpen, "Login"), "", Last::Unbookable},
    {"GuestOnceTheLastSessionIsBookedNow", "guest", "visitor", false, false, kGuestAfterBlocker,
     "guest", Last::RefusedAtLogout},
    // Booked now, but its guest's desktop is still there until the reset asked for.
    {"GuestOverACutOffSessionsDesktop", "guest", "visitor", false, false,
     Refused(login::kLastSessionOpen, "Login"), "", Last::CutOff},
    {"AdminWhileTheLastSessionIsUnbookable", "admin", "boss", false, false, kAdmin, "",
     Last::Unbookable},
};

class SignInStepsTest : public ::testing::TestWithParam<Case> {
  protected:
    SignInStepsTest() {
        t.pv.OsVersion = 5.1;
        t.pv.Conn = CreateDataFile(dir.file("QuorvelData.mdb"));
    }

    TempDir dir;
    TestPlatform t;
    RecordingScreen screen{t.desktop.calls};
};

TEST_P(SignInStepsTest, TakesEachStepInItsOrder) {
    const Case& c = GetParam();
    t.pv.settings.WriteSetting(platform::kHkeyCurrentUser, store::kSettingsKey, "Blocking",
                               store::Variant(c.blocking ? 1 : 0), platform::kRegDword);
    if (c.dataFileClosed) t.pv.Conn->Close();
    if (c.last != Last::Booked) {
        t.Set(store::kTimersKey, "SessionId", "20261204-093000-00000000000000ff");
        t.Set(store::kTimersKey, "Amount", "30");
        t.Set(store::kTimersKey, "Status", std::int32_t{1}, platform::kRegDword);
        t.Set(store::kTimersKey, session::kFreshDesktop,
              std::int32_t{c.last == Last::CutOff ? 0 : 1}, platform::kRegDword);
    }
    if (c.last == Last::Unbookable) ASSERT_TRUE(t.pv.Conn->connection().Exec("DROP TABLE Guest_T"));

    login::SignInWith(t.pv, screen, c.login, c.password);

    EXPECT_EQ(t.desktop.calls, c.expected);
    EXPECT_EQ(t.pv.CurrentUser, c.currentUser);
    if (c.last != Last::Booked) {
        // Only a guest's sign-in tries the booking again.
        const bool booked = std::string(c.login) == "guest" && c.last != Last::Unbookable;
        EXPECT_EQ(
            t.pv.settings.ReadSetting(platform::kHkeyCurrentUser, store::kTimersKey, "Status"),
            store::Variant(std::int32_t{booked ? 0 : 1}));
    }
    EXPECT_EQ(t.guestDesktop.requests, c.last == Last::CutOff ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Logins, SignInStepsTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorvel::test
