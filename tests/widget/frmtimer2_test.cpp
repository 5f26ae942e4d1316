// The session timer window, driven through its handlers with a fake clock and a real
// data file.
#include "session/frmtimer2.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QTimer>

#include <gtest/gtest.h>

#include "blocker/frmBlocks.h"
#include "db/Database.h"
#include "login/frmstart.h"
#include "widget/WidgetRig.h"

namespace quorvel::test {
namespace {

class TimerWindowTest : public WidgetRig {
  protected:
    void SetUp() override {
        t.pv.OsVersion = 10.0;
        t.pv.CurrentUser = "guest";
        t.pv.CurrencySymbol = "Rs";
        t.clock.Set({2026, 12, 5, 10, 0, 0});
        OpenDataFile({.rates = {{"10", "15", "20", "25"}}});
    }

    // Sign-in: the window is made and shown, which starts its clock.
    ui::frmtimer2& SignIn() {
        auto& window = forms->Get<ui::frmtimer2>();
        window.show();
        QApplication::processEvents();
        return window;
    }
    ui::frmtimer2& Window() { return forms->Get<ui::frmtimer2>(); }
    template <class T>
    T* Child(const char* name) {
        return Window().findChild<T*>(name);
    }
    QString Text(const char* label) { return Child<QLabel>(label)->text(); }
    void Ticks(int n) {
        for (int i = 0; i < n; ++i) {
            t.clock.AdvanceSeconds(1);
            Window().Timer1_Timer();
        }
    }
    void Click(QLabel* label) { ClickLabel(label); }
    store::Variant Timers(const char* name) {
        return t.pv.settings.ReadSetting(platform::kHkeyCurrentUser, store::kTimersKey, name);
    }
};

TEST_F(TimerWindowTest, HasTheDesignedControls) {
    auto& w = SignIn();
    struct Expect {
        const char* name;
        const char* caption;
        const char* tip;
        bool visible;
    };
    for (const Expect& e :
         {Expect{"lbllogint", "Login Time : ", "", true},
          Expect{"lbltl", "Time Elapsed :", "", true}, Expect{"Lblamountt", "Amount : ", "", true},
          Expect{"lbltimer", "10:00:00 AM", "", true}, Expect{"lbltimer2", "0 : 0 : 0", "", true},
          Expect{"lblamt2", "", "", true}, Expect{"lblamt", "0", "", false},
          Expect{"lbllogout", "Logout Time : ", "", false}, Expect{"lbltimer3", "", "", false},
          Expect{"Label1_1", "Alarm", "", true}, Expect{"Label1_0", "Quick Launch", "", true},
          Expect{"Image1", "", "Move Quorvel Timer", true},
          Expect{"Label3", "Minimize", "Click to minimize", true},
          Expect{"Label2", "Close", "", true}, Expect{"lbltmr2", "Logout", "Click to logout", true},
          Expect{"aboutQuorvel", "About Quorvel", "", true},
          Expect{"Label5", "Message", "", false}}) {
        auto* label = Child<QLabel>(e.name);
        ASSERT_NE(label, nullptr) << e.name;
        EXPECT_EQ(label->text(), e.caption) << e.name;
        EXPECT_EQ(label->toolTip(), e.tip) << e.name;
        EXPECT_EQ(label->isVisible(), e.visible) << e.name;
    }
    EXPECT_FALSE(Child<QLabel>("Label2")->isEnabled());
    auto* combo = Child<QComboBox>("combo1");
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(0), "Alarm On");
    EXPECT_EQ(combo->itemText(1), "Alarm Off");
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(Child<QListWidget>("List1")->toolTip(), "Single Click to launch");
    auto* onTop = Child<QCheckBox>("Check1");
    EXPECT_EQ(onTop->text(), "On Top");
    EXPECT_EQ(onTop->toolTip(), "Check to keep this window always on top");
    EXPECT_TRUE(onTop->isVisible());

    auto* timer1 = Child<QTimer>("Timer1");
    EXPECT_EQ(timer1->interval(), 1000);
    EXPECT_EQ(timer1->timerType(), Qt::PreciseTimer);
    EXPECT_TRUE(timer1->isActive());
    auto* timer2 = Child<QTimer>("Timer2");
    EXPECT_EQ(timer2->interval(), 1);
    EXPECT_FALSE(timer2->isActive());
    EXPECT_EQ(w.windowTitle(), "0 : 0 : 0");
}

TEST_F(TimerWindowTest, ClockIsStoppedUntilTheWindowIsShown) {
    auto& w = forms->Get<ui::frmtimer2>();
    EXPECT_FALSE(Child<QTimer>("Timer1")->isActive());
    EXPECT_EQ(Timers("Status"), store::Variant(std::int32_t{1}));
    w.show();
    EXPECT_TRUE(Child<QTimer>("Timer1")->isActive());
}

TEST_F(TimerWindowTest, OnTopBoxIsHiddenBeforeWindows98) {
    t.pv.OsVersion = 4.0;
    SignIn();
    EXPECT_FALSE(Child<QCheckBox>("Check1")->isVisible());
}

TEST_F(TimerWindowTest, TicksShowTheElapsedTimeAndAmount) {
    auto& w = SignIn();
    Ticks(1);
    EXPECT_EQ(Text("lbltimer2"), "0 : 0 : 1");
    EXPECT_EQ(w.windowTitle(), "0 : 0 : 1: Quorvel Timer");
    EXPECT_EQ(Text("lblamt2"), "Rs 10");
    EXPECT_EQ(Text("lblamt"), "10");
    Ticks(59);
    EXPECT_EQ(Text("lbltimer2"), "0 : 1 : 0");
    Ticks(3540);
    EXPECT_EQ(Text("lbltimer2"), "1 : 0 : 0");
    EXPECT_EQ(w.windowTitle(), "1 : 0 : 0: Quorvel Timer");
    EXPECT_EQ(Text("lblamt2"), "Rs 35");
    // What the last tick stored is what the screen showed before it.
    EXPECT_EQ(Timers("Elapsed").ToDisplayText(), "0 : 59 : 59");
    EXPECT_EQ(Timers("Amount").ToDisplayText(), "25");
}

TEST_F(TimerWindowTest, CloseRequestsAreRefusedAndTheClockRunsOn) {
    auto& w = SignIn();
    Ticks(5);
    EXPECT_FALSE(w.close());
    QApplication::processEvents();
    EXPECT_TRUE(forms->IsLoaded<ui::frmtimer2>());
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(Child<QTimer>("Timer1")->isActive());
    Ticks(1);
    EXPECT_EQ(Text("lbltimer2"), "0 : 0 : 6");
}

TEST_F(TimerWindowTest, LogoutBooksTheSessionAndReturnsToTheLoginScreen) {
    forms->Get<ui::frmBlocks>();
    SignIn();
    Ticks(1 * 3600 + 20 * 60);
    Click(Child<QLabel>("lbltmr2"));
    QApplication::processEvents();

    const auto row = db::FindDay(*t.pv.Conn, "12/05/2026");
    ASSERT_TRUE(row);
    EXPECT_EQ(row->gnum, 1);
    EXPECT_EQ(row->gamt, 40.0);
    EXPECT_EQ(Timers("Status"), store::Variant(std::int32_t{0}));
    EXPECT_EQ(Timers("Elapsed").ToDisplayText(), "1 : 20 : 0");
    EXPECT_EQ(Timers("Amount").ToDisplayText(), "40");
    EXPECT_EQ(Timers("LogoutTime").ToDisplayText(), "11:20:00 AM");
    EXPECT_TRUE(db::IsSessionBooked(*t.pv.Conn, Timers("SessionId").ToDisplayText()));

    EXPECT_FALSE(forms->IsLoaded<ui::frmtimer2>());
    EXPECT_FALSE(forms->IsLoaded<ui::frmBlocks>());
    ASSERT_TRUE(forms->IsLoaded<ui::frmstart>());
    EXPECT_TRUE(forms->Get<ui::frmstart>().isVisible());
    // The login screen's close-out found the session booked: nothing added twice.
    EXPECT_EQ(db::FindDay(*t.pv.Conn, "12/05/2026")->gnum, 1);

    // The log was closed with the window: its line is complete.
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(ReadFileBytes(dir.file("ScanregLog.log")),
              "\r\nguest|12/5/2026 | 10:00:00 AM | 1 : 20 : 0 | 11:20:00 AM | 40");
}

TEST_F(TimerWindowTest, LogoutRightAfterSignInAddsTheDaysFirstRow) {
    SignIn();
    Window().lbltmr2_Click();
    QApplication::processEvents();
    const auto row = db::FindDay(*t.pv.Conn, "12/05/2026");
    ASSERT_TRUE(row);
    EXPECT_EQ(row->gnum, 1);
    EXPECT_EQ(row->gamt, 0.0);
    EXPECT_EQ(Timers("Elapsed").ToDisplayText(), "0 : 0 : 0");
    EXPECT_EQ(Timers("Status"), store::Variant(std::int32_t{0}));
}

}  // namespace
}  // namespace quorvel::test
