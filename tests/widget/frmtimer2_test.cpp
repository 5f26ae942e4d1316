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
#include "session/CloseOut.h"
#include "session/TimerControls.h"
#include "ui/Controls.h"
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
    store::Variant Timers(const char* name) { return t.Get(store::kTimersKey, name); }
};

// The clock starts when the window shows, on a precise timer (every second is billed),
// with the sign-in time beside it; the labels and the title show the session's figures
// (every tick of every band: ChargeRule_test).
TEST_F(TimerWindowTest, ClockStartsWhenShownAndTicksShowTheElapsedTimeAndAmount) {
    auto& w = forms->Get<ui::frmtimer2>();
    auto* timer1 = Child<QTimer>("Timer1");
    EXPECT_FALSE(timer1->isActive());
    EXPECT_EQ(Timers("Status"), store::Variant(std::int32_t{1}));
    w.show();
    EXPECT_TRUE(timer1->isActive());
    EXPECT_EQ(timer1->timerType(), Qt::PreciseTimer);
    EXPECT_EQ(Text("lbltimer"), "10:00:00 AM");
    EXPECT_EQ(w.windowTitle(), "0 : 0 : 0");
    Ticks(3600);
    EXPECT_EQ(Text("lbltimer2"), "1 : 0 : 0");
    EXPECT_EQ(w.windowTitle(), "1 : 0 : 0: Quorvel Timer");
    EXPECT_EQ(Text("lblamt2"), "Rs 35");
    EXPECT_EQ(Text("lblamt"), "35");
}

// A close request and a click on the disabled Close leave the session running; About
// opens the site, Minimize minimizes, and the clock runs on.
TEST_F(TimerWindowTest, CloseRequestsAreRefusedAndTheOtherLabelsDoWhatTheySay) {
    auto& w = SignIn();
    Ticks(5);
    EXPECT_FALSE(w.close());
    ClickLabel(Child<QLabel>("Label2"));
    QApplication::processEvents();
    EXPECT_TRUE(forms->IsLoaded<ui::frmtimer2>());
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(t.shell.calls.empty());
    ClickLabel(Child<QLabel>("aboutQuorvel"));
    EXPECT_EQ(t.shell.calls, std::vector<std::string>{"OpenAddress http://www.quorvel.example/"});
    ClickLabel(Child<QLabel>("Label3"));
    EXPECT_TRUE(w.windowState() & Qt::WindowMinimized);
    EXPECT_TRUE(Child<QTimer>("Timer1")->isActive());
    Ticks(1);
    EXPECT_EQ(Text("lbltimer2"), "0 : 0 : 6");
}

TEST_F(TimerWindowTest, LogoutBooksTheSessionAndReturnsToTheLoginScreen) {
    forms->Get<ui::frmBlocks>();
    SignIn();
    Ticks(3600 + 20 * 60);
    ClickLabel(Child<QLabel>("lbltmr2"));
    QApplication::processEvents();

    const auto row = db::FindDay(*t.pv.Conn, "12/05/2026");
    ASSERT_TRUE(row);
    EXPECT_EQ(row->gnum, 1);
    EXPECT_EQ(row->gamt, 40.0);
    // (What Logout stores, value by value: GuestSession_test; the log line below holds it.)
    EXPECT_EQ(Timers("Status"), store::Variant(std::int32_t{0}));
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

// Nothing of a guest may reach the next one: once Logout has booked the session (or
// tried to) and the lock shows again, a fresh guest desktop is asked for, once; the
// lock's close-out on that desktop, which books a session refused at Logout, does not
// ask again.
TEST_F(TimerWindowTest, LogoutAsksForAFreshGuestDesktopOnceTheLockIsUp) {
    struct Case {
        const char* what;
        bool dataFileRefuses;
        std::int32_t status;  // what the booking left when the request is made
    };
    for (const Case c : {Case{"booked", false, 0}, Case{"booking refused", true, 1}}) {
        SCOPED_TRACE(c.what);
        if (forms->IsLoaded<ui::frmstart>()) forms->Unload<ui::frmstart>();
        t.guestDesktop.requests = 0;
        SignIn();
        Ticks(90);
        struct Seen {
            bool lockShown;
            bool timerLoaded;
            store::Variant status;
        };
        std::vector<Seen> seen;
        t.guestDesktop.onRequest = [&] {
            seen.push_back(
                {forms->IsLoaded<ui::frmstart>() && forms->Get<ui::frmstart>().isVisible(),
                 forms->IsLoaded<ui::frmtimer2>(), Timers("Status")});
        };
        auto conn = t.pv.Conn;
        if (c.dataFileRefuses) t.pv.Conn.reset();
        ClickLabel(Child<QLabel>("lbltmr2"));
        QApplication::processEvents();
        t.pv.Conn = conn;
        t.guestDesktop.onRequest = nullptr;

        ASSERT_EQ(seen.size(), 1u);
        EXPECT_TRUE(seen[0].lockShown);
        EXPECT_FALSE(seen[0].timerLoaded);
        EXPECT_EQ(seen[0].status, store::Variant(c.status));
        EXPECT_TRUE(session::CloseOutSession(t.pv));
        EXPECT_EQ(Timers("Status"), store::Variant(std::int32_t{0}));
        EXPECT_TRUE(db::IsSessionBooked(*t.pv.Conn, Timers("SessionId").ToDisplayText()));
        EXPECT_EQ(t.guestDesktop.requests, 1);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// ---- The window's own controls ------------------------------------------------------

struct Choice {
    const char* what;
    int index;
    const char* remind;
};

class AlarmTest : public TimerWindowTest, public ::testing::WithParamInterface<Choice> {};

TEST_P(AlarmTest, TheChoiceIsStoredAsRemindAndNothingElseChanges) {
    // A store left at "0" by the last session: the new one still starts at "Alarm On".
    t.Set(store::kTimersKey, "Remind", "0", platform::kRegSz);
    SignIn();
    EXPECT_EQ(Timers("Remind").ToDisplayText(), "1") << "every session starts with Alarm On";
    const store::Variant elapsed = Timers("Elapsed");
    auto* combo = Child<QComboBox>("combo1");
    combo->setCurrentIndex(1 - GetParam().index);
    combo->setCurrentIndex(GetParam().index);
    EXPECT_EQ(Timers("Remind").ToDisplayText(), GetParam().remind);
    EXPECT_EQ(Timers("Elapsed"), elapsed);
    EXPECT_TRUE(Child<QTimer>("Timer1")->isActive());
}

INSTANTIATE_TEST_SUITE_P(Choices, AlarmTest,
                         ::testing::Values(Choice{"AlarmOn", 0, "1"}, Choice{"AlarmOff", 1, "0"}),
                         [](const auto& info) { return std::string(info.param.what); });

TEST_F(TimerWindowTest, OnTopKeepsTheWindowAboveUntilClickedAgain) {
    SignIn();
    auto* onTop = Child<QCheckBox>("Check1");
    auto* timer2 = Child<QTimer>("Timer2");
    onTop->click();
    EXPECT_TRUE(timer2->isActive());
    Window().Timer2_Timer();
    Window().Timer2_Timer();
    EXPECT_EQ(t.desktop.calls,
              (std::vector<std::string>{"SetTopMost 1", "SetTopMost 1", "SetTopMost 1"}));
    t.desktop.calls.clear();
    onTop->click();
    EXPECT_FALSE(timer2->isActive());
    EXPECT_EQ(t.desktop.calls, std::vector<std::string>{"SetTopMost 0"});
}

TEST_F(TimerWindowTest, DraggingTheHandleMovesTheWindowByAsMuchAsThePointerUntilReleased) {
    auto& w = SignIn();
    w.move(200, 150);
    const QPoint start = w.pos();
    auto* handle = Child<QLabel>("Image1");
    const int step = ui::Twips(&w, 100);  // 100 twips, as the screen can show them
    const QPoint grip = start + QPoint(14, 9);
    EXPECT_EQ(handle->cursor().shape(), Qt::OpenHandCursor);
    w.Image1_MouseDown(grip);
    EXPECT_EQ(handle->cursor().shape(), Qt::ClosedHandCursor);
    w.Image1_MouseMove(grip + QPoint(step, 0));
    EXPECT_EQ(w.pos(), start + QPoint(step, 0));
    w.Image1_MouseMove(grip + QPoint(step, 2 * step));
    EXPECT_EQ(w.pos(), start + QPoint(step, 2 * step));
    w.Image1_MouseUp();
    w.Image1_MouseMove(grip + QPoint(5 * step, 5 * step));
    EXPECT_EQ(w.pos(), start + QPoint(step, 2 * step)) << "released: the window stays";
    EXPECT_EQ(handle->cursor().shape(), Qt::OpenHandCursor);
}

TEST_F(TimerWindowTest, TabGoesInReadingOrderAndQuickLaunchStartsTheStoredPrograms) {
    t.Set(store::kProgramsKey, "Writer", "/usr/bin/writer");
    t.Set(store::kProgramsKey, "Browser", "/usr/bin/browser");
    t.Set(store::kProgramsKey, "Games", "/usr/games/cards");
    ExpectTabInReadingOrder(&SignIn(), Child<QComboBox>("combo1"));
    auto* list = Child<QListWidget>("List1");
    QStringList listed;
    for (int i = 0; i < list->count(); ++i) listed << list->item(i)->text();
    ASSERT_EQ(listed, QStringList({"Writer", "Browser", "Games"}));

    const auto click = [&](int row) {
        const QPointF at = list->visualItemRect(list->item(row)).center();
        const QPointF global = list->viewport()->mapToGlobal(at);
        QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &press);
        QApplication::sendEvent(list->viewport(), &release);
    };
    click(1);
    EXPECT_EQ(t.shell.calls, std::vector<std::string>{"StartProgram /usr/bin/browser 2"});

    // A program deleted since the session started: its name does nothing.
    t.pv.settings.DeleteSetting(platform::kHkeyCurrentUser, store::kProgramsKey, "Games");
    click(2);
    EXPECT_EQ(t.shell.calls.size(), 1u);

    // Enter starts the current one, for the keyboard.
    list->setCurrentRow(0);
    PressEnter(list);
    EXPECT_EQ(t.shell.calls.back(), "StartProgram /usr/bin/writer 2");
}

}  // namespace
}  // namespace quorvel::test
