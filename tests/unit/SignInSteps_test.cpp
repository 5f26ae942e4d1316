// The Enter button without the screen: for each sign-in, which desktop calls and which
// of the screen's own steps happen, in one order.
#include "login/SignInSteps.h"

#include <gtest/gtest.h>

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

struct Case {
    const char* name;
    const char* login;
    const char* password;
    bool blocking;
    bool dataFileClosed;
    Calls expected;
    const char* currentUser;
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

    login::SignInWith(t.pv, screen, c.login, c.password);

    EXPECT_EQ(t.desktop.calls, c.expected);
    EXPECT_EQ(t.pv.CurrentUser, c.currentUser);
}

INSTANTIATE_TEST_SUITE_P(Logins, SignInStepsTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorvel::test
