// A guest session from the login screen with blocking on, then off: the blocker runs
// from the sign-in to the logout only when the setting asks for it, and a guest who
// stops its watch ends the session.
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <algorithm>

#include <gtest/gtest.h>

#include "blocker/frmBlocks.h"
#include "db/Database.h"
#include "login/frmstart.h"
#include "session/frmtimer2.h"
#include "widget/WidgetRig.h"

namespace quorvel::test {
namespace {

using platform::Hwnd;

class GuestBlockingTest : public WidgetRig {
  protected:
    void SetUp() override {
        t.pv.OsVersion = 10.0;
        t.clock.Set({2026, 12, 5, 10, 0, 0});
        OpenDataFile({.rates = {{"10", "15", "20", "25"}}});

        t.Set(store::kUrlsKey, "casino", "1", platform::kRegSz);

        const Hwnd frame = t.windows.Add(t.windows.DesktopWindow(), "IEFrame",
                                         "Casino - Microsoft Internet Explorer");
        address = t.windows.Add(frame, "Edit", "http://www.casino.example/");
    }
    void SetBlocking(std::int32_t on) {
        SetSetting("Blocking", store::Variant(on), platform::kRegDword);
    }
    void SignInAsGuest() {
        auto& screen = forms->Get<ui::frmstart>();
        screen.show();
        QApplication::processEvents();
        screen.findChild<QLineEdit*>("txtLog")->setText("guest");
        screen.findChild<QLineEdit*>("txtpas")->setText("visitor");
        screen.findChild<QPushButton*>("cmdsubt")->click();
        ASSERT_TRUE(forms->IsLoaded<ui::frmtimer2>());
    }
    void Logout() {
        auto* label = forms->Get<ui::frmtimer2>().findChild<QLabel*>("lbltmr2");
        ClickLabel(label);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_FALSE(forms->IsLoaded<ui::frmtimer2>());
    }

    Hwnd address = 0;
};

TEST_F(GuestBlockingTest, TheBlockerRunsThroughASessionOnlyWhileBlockingIsOn) {
    SetBlocking(1);
    // The browsers are watched (on Linux: accessibility switched on) before the guest
    // gets the desktop, so no browser can start unseen.
    std::vector<std::string> desktopAtStart;
    t.windows.onCall = [&](std::string_view call, Hwnd) {
        if (call == "StartWatching") desktopAtStart = t.desktop.calls;
    };
    SignInAsGuest();
    ASSERT_TRUE(forms->IsLoaded<ui::frmBlocks>());
    EXPECT_TRUE(t.windows.watching);
    EXPECT_EQ(std::count(desktopAtStart.begin(), desktopAtStart.end(), "SetScreenSaverRunning 0 0"),
              0);
    EXPECT_EQ(
        std::count(t.desktop.calls.begin(), t.desktop.calls.end(), "SetScreenSaverRunning 0 0"), 1);
    QPointer<ui::frmBlocks> blocker = &forms->Get<ui::frmBlocks>();
    EXPECT_FALSE(blocker->isVisible());
    ASSERT_TRUE(WaitFor([&] { return t.windows.enterPresses > 0; }));
    EXPECT_EQ(t.windows.At(address).text, blocker::kBlockedPage);

    Logout();
    EXPECT_FALSE(forms->IsLoaded<ui::frmBlocks>());
    EXPECT_TRUE(blocker.isNull()) << "the blocker and its timer are gone at logout";
    EXPECT_FALSE(t.windows.watching);

    // The next guest finds blocking switched off: no blocker, the address stays.
    SetBlocking(0);
    t.windows.At(address).text = "http://www.casino.example/";
    const int pressed = t.windows.enterPresses;
    SignInAsGuest();
    EXPECT_FALSE(forms->IsLoaded<ui::frmBlocks>());
    QApplication::processEvents();
    EXPECT_EQ(t.windows.At(address).text, "http://www.casino.example/");
    EXPECT_EQ(t.windows.enterPresses, pressed);
    Logout();
}

TEST_F(GuestBlockingTest, TheLockMakesBrowsersVisibleBeforeAnySignInOnlyWhileBlockingIsOn) {
    // A browser the guest's desktop starts under the lock must already show itself to
    // the blocker: the lock prepares the watch each time it comes up, before the guest
    // has signed in and before the blocker is loaded.
    struct Case {
        std::int32_t blocking;
        int preparations;
    };
    for (const Case c : {Case{1, 1}, Case{0, 0}}) {
        SCOPED_TRACE(c.blocking);
        SetBlocking(c.blocking);
        t.windows.preparations = 0;
        forms->Navigate().ShowLock();
        EXPECT_EQ(t.windows.preparations, c.preparations);
        EXPECT_FALSE(t.windows.watching);
    }
    // After a session the lock comes back and prepares the next guest's browsers.
    SetBlocking(1);
    SignInAsGuest();
    t.windows.preparations = 0;
    Logout();
    EXPECT_EQ(t.windows.preparations, 1);
}

// ---- A guest who stops the blocker's watch ------------------------------------------

// Steps taken one after another, no event handled between them: as at one moment.
enum class Step { WatchLost, Logout };

struct Ending {
    const char* name;
    std::vector<Step> steps;
    bool notice;  // the lock says the blocker was stopped
};

class LostWatchTest : public GuestBlockingTest, public ::testing::WithParamInterface<Ending> {
  protected:
    QLabel* Notice() { return forms->Get<ui::frmstart>().findChild<QLabel*>("lblNotice"); }
    int Booked() { return db::FindDay(*t.pv.Conn, "12/05/2026").value_or(db::DayRow{}).gnum; }
    // The program started again (on a cafe PC, on the fresh desktop's display).
    void Restart() {
        forms->Unload<ui::frmBlocks>();
        forms->Unload<ui::frmtimer2>();
        forms->Unload<ui::frmstart>();  // which closes the data file
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        std::string error;
        t.pv.Conn = db::Database::Open(dir.file("QuorvelData.mdb"), db::kDataFilePassword, error);
        ASSERT_TRUE(t.pv.Conn) << error;
        forms->Get<ui::frmstart>().show();
    }
};

TEST_P(LostWatchTest, TheSessionIsBookedOnceAndTheLockSaysWhyUntilTheNextSignIn) {
    SetBlocking(1);
    SignInAsGuest();
    QPointer<ui::frmBlocks> blocker = &forms->Get<ui::frmBlocks>();
    QPointer<ui::frmtimer2> timer = &forms->Get<ui::frmtimer2>();
    for (int second = 0; second < 600; ++second, t.clock.AdvanceSeconds(1)) timer->Timer1_Timer();
    const double owed = timer->findChild<QLabel*>("lblamt")->text().toDouble();
    for (const Step step : GetParam().steps) {
        t.windows.SetWatchLost(t.windows.WatchLost() || step == Step::WatchLost);
        if (step == Step::WatchLost) blocker->Timer1_Timer();
        if (step == Step::Logout) ClickLabel(timer->findChild<QLabel*>("lbltmr2"));
    }
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(blocker.isNull() && timer.isNull());
    EXPECT_EQ(Booked(), 1);
    EXPECT_EQ(db::FindDay(*t.pv.Conn, "12/05/2026")->gamt, owed);
    const std::string log = ReadFileBytes(dir.file("ScanregLog.log"));
    EXPECT_EQ(log.find("\r\nguest|"), log.rfind("\r\nguest|")) << "one line in the session log";
    EXPECT_EQ(t.guestDesktop.requests, 1);

    // On a cafe PC the program restarts on the fresh desktop: the new lock says the same.
    for (const bool restarted : {false, true}) {
        if (restarted) Restart();
        ASSERT_EQ(Notice()->isVisible(), GetParam().notice) << restarted;
        if (!GetParam().notice) continue;
        EXPECT_EQ(Notice()->text(), "The last session was ended: the website blocker was stopped.");
        EXPECT_GE(Notice()->width(), Notice()->sizeHint().width());
        EXPECT_TRUE(
            forms->Get<ui::frmstart>().rect().contains(Notice()->parentWidget()->geometry()));
    }
    // The next guest's session, cut off, is no longer the one the blocker ended.
    t.windows.SetWatchLost(false);
    SignInAsGuest();
    Restart();
    EXPECT_FALSE(Notice()->isVisible());
    EXPECT_EQ(Booked(), 2);
}

INSTANTIATE_TEST_SUITE_P(
    Endings, LostWatchTest,
    ::testing::Values(Ending{"WatchLost", {Step::WatchLost}, true},
                      Ending{"WatchLostOnTwoTicks", {Step::WatchLost, Step::WatchLost}, true},
                      Ending{"WatchLostThenLogout", {Step::WatchLost, Step::Logout}, true},
                      Ending{"LogoutThenWatchLost", {Step::Logout, Step::WatchLost}, false},
                      Ending{"Logout", {Step::Logout}, false}),
    [](const auto& info) { return std::string(info.param.name); });

// The blocker loads at a sign-in just before the session starts: a watch lost then has
// nothing to end, and the session that starts is ended at the next tick.
TEST_F(LostWatchTest, AWatchLostWhileNoSessionRunsChangesNothingUntilOneStarts) {
    SetBlocking(1);
    forms->Navigate().ShowLock();
    forms->Navigate().LoadBlocker();
    t.windows.SetWatchLost(true);
    forms->Get<ui::frmBlocks>().Timer1_Timer();
    EXPECT_TRUE(forms->IsLoaded<ui::frmBlocks>());
    EXPECT_FALSE(Notice()->isVisible());
    EXPECT_EQ(Booked(), 0);
    EXPECT_EQ(t.guestDesktop.requests, 0);

    forms->Get<ui::frmstart>().hide();
    forms->Navigate().StartSession();
    forms->Get<ui::frmBlocks>().Timer1_Timer();
    EXPECT_TRUE(Notice()->isVisible());
    EXPECT_EQ(Booked(), 1);
}

}  // namespace
}  // namespace quorvel::test
