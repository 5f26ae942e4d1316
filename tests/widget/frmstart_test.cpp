// The login screen's rules, driven through its controls as a person would.
#include "login/frmstart.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <functional>

#include <gtest/gtest.h>

#include "blocker/frmBlocks.h"
#include "cafe/Sender.h"
#include "db/Database.h"
#include "panel/frmCtrlpnl.h"
#include "session/frmtimer2.h"
#include "support/Poll.h"
#include "support/ScriptedServer.h"
#include "widget/WidgetRig.h"

namespace quorvel::test {
namespace {

using Calls = std::vector<std::string>;

// The calls without the 50 ms timer's re-assertions, which land whenever the event
// loop runs.
Calls WithoutTicks(Calls calls) {
    std::erase(calls, "SetTopMost 1");
    return calls;
}

class LoginScreenTest : public WidgetRig {
  protected:
    void SetUp() override {
        t.pv.OsVersion = 10.0;
        OpenDataFile();
    }

    ui::frmstart& Show() {
        auto& screen = forms->Get<ui::frmstart>();
        screen.show();
        QApplication::processEvents();
        return screen;
    }
    template <class T>
    T* Child(const char* name) {
        return forms->Get<ui::frmstart>().findChild<T*>(name);
    }
    QLineEdit* Login() { return Child<QLineEdit>("txtLog"); }
    QLineEdit* Password() { return Child<QLineEdit>("txtpas"); }
    QPushButton* Enter() { return Child<QPushButton>("cmdsubt"); }
    QTimer* Timer() { return Child<QTimer>("stimer1"); }
    void Type(const QString& login, const QString& password) {
        Login()->setText(login);
        Password()->setText(password);
    }
};

TEST_F(LoginScreenTest, CoversTheWholeScreenWithEveryControlOnIt) {
    auto& screen = Show();
    EXPECT_TRUE(screen.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(screen.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(screen.windowState() & Qt::WindowFullScreen);
    EXPECT_EQ(screen.geometry(), screen.screen()->geometry());
    for (QWidget* child : screen.findChildren<QWidget*>()) {
        const QRect onScreen(child->mapTo(&screen, QPoint(0, 0)), child->size());
        EXPECT_TRUE(screen.rect().contains(onScreen)) << child->objectName().toStdString();
    }
    // The password shows as one "*" a character, whatever the desktop style's mask.
    Password()->setText("geheim");
    EXPECT_EQ(Password()->displayText(), "******");
    ExpectTabInReadingOrder(&screen, Login());
}

TEST_F(LoginScreenTest, EveryShowingLocksTheDesktopAndFocusesTheLoginBox) {
    auto& screen = Show();
    EXPECT_EQ(WithoutTicks(t.desktop.calls), (Calls{"ShowTaskbar 0", "SetScreenSaverRunning 1 1"}));
    EXPECT_TRUE(Timer()->isActive());
    EXPECT_TRUE(Login()->hasFocus());

    screen.hide();
    t.desktop.calls.clear();
    screen.show();
    QApplication::processEvents();
    EXPECT_EQ(WithoutTicks(t.desktop.calls), (Calls{"ShowTaskbar 0", "SetScreenSaverRunning 1 1"}));
}

TEST_F(LoginScreenTest, ShowsTheLastSessionAndBooksItOnceIfItNeverReachedLogout) {
    t.Set(store::kTimersKey, "UserId", "guest", 1);
    t.Set(store::kTimersKey, "Date", "12/04/2026", 1);
    t.Set(store::kTimersKey, "Elapsed", "1 : 5 : 30", 1);
    t.Set(store::kTimersKey, "Amount", "30", 1);
    t.Set(store::kTimersKey, "Status", std::int32_t{1}, 4);
    SetSetting("Currency", "Rs", 1);

    auto& screen = Show();
    EXPECT_EQ(Child<QLabel>("Label4")->text(), "guest");
    EXPECT_EQ(Child<QLabel>("info_0")->text(), "12/04/2026");
    EXPECT_EQ(Child<QLabel>("info_2")->text(), "1 : 5 : 30 Hrs.");
    EXPECT_EQ(Child<QLabel>("info_3")->text(), "Rs 30");
    EXPECT_EQ(t.pv.CurrencySymbol, "Rs");
    const auto booked = db::FindDay(*t.pv.Conn, "12/04/2026");
    ASSERT_TRUE(booked);
    EXPECT_EQ(booked->gnum, 1);
    EXPECT_EQ(booked->gamt, 30.0);
    EXPECT_EQ(t.Get(store::kTimersKey, "Status").ToNumber(), 0);

    // The next showing books nothing more (a long session's figures shown this time).
    t.Set(store::kTimersKey, "Elapsed", "123 : 59 : 59", 1);
    t.Set(store::kTimersKey, "Amount", "32767", 1);
    screen.hide();
    screen.show();
    QApplication::processEvents();
    EXPECT_EQ(Child<QLabel>("info_3")->text(), "Rs 32767");
    EXPECT_EQ(db::FindDay(*t.pv.Conn, "12/04/2026")->gnum, 1);
    // The widest texts fit where they are shown.
    for (const char* name : {"Label4", "info_0", "info_2", "info_3"}) {
        auto* label = Child<QLabel>(name);
        EXPECT_GE(label->width(), label->sizeHint().width()) << name;
    }
}

// Each tick keeps the screen on top and the input held.
TEST_F(LoginScreenTest, TheTimerRestsWhileTheLockDoesAndWakesWhenDisturbed) {
    auto& screen = Show();
    t.desktop.calls.clear();
    const int kept = t.desktop.keepCalls;
    screen.stimer1_Timer();
    EXPECT_EQ(t.desktop.calls, (Calls{"SetTopMost 1"}));
    EXPECT_EQ(t.desktop.keepCalls, kept + 1);
    EXPECT_TRUE(Timer()->isActive()) << "the platform cannot tell: every tick checks";
    t.desktop.settled = true;
    screen.stimer1_Timer();
    EXPECT_FALSE(Timer()->isActive());

    // Something happened that the checks did not see coming: they run at once, and
    // tick until the lock rests again.
    t.desktop.settled = false;
    t.desktop.calls.clear();
    screen.LockDisturbed();
    EXPECT_EQ(t.desktop.calls, (Calls{"SetTopMost 1"}));
    EXPECT_TRUE(Timer()->isActive());

    // Once signed in, a disturbance is nobody's business.
    t.desktop.settled = true;
    screen.stimer1_Timer();
    Type("admin", "boss");
    screen.cmdsubt_Click();
    t.desktop.settled = false;
    t.desktop.calls.clear();
    screen.LockDisturbed();
    EXPECT_TRUE(t.desktop.calls.empty());
    EXPECT_FALSE(Timer()->isActive());
}

TEST_F(LoginScreenTest, AWindowDestroyedByAnotherProgramIsMadeAgainAsItWas) {
    auto& screen = Show();
    Type("gue", "");
    Password()->setFocus();
    t.desktop.calls.clear();
    const WId before = screen.winId();
    t.desktop.windowExists = false;
    screen.stimer1_Timer();
    t.desktop.windowExists = true;
    QApplication::processEvents();
    EXPECT_TRUE(screen.isVisible());
    EXPECT_NE(screen.winId(), before);
    EXPECT_EQ(screen.focusWidget(), Password());
    EXPECT_EQ(Login()->text(), "gue");
    // No new activation: nothing locked again.
    EXPECT_EQ(WithoutTicks(t.desktop.calls), Calls{});
}

TEST_F(LoginScreenTest, LoginScreenPictureIsShownWhenItLoadsAndLeftOutOtherwise) {
    QImage picture(200, 100, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    const std::string good = dir.file("welcome.png");
    ASSERT_TRUE(picture.save(QString::fromStdString(good)));
    WriteFileBytes(dir.file("broken.jpg"), "this is not a picture");

    SetSetting("LoginScr", good, 1);
    auto& screen = Show();
    auto* image = Child<QLabel>("Image1");
    EXPECT_FALSE(image->pixmap().isNull());
    // Scaled into the picture box, proportions kept.
    EXPECT_EQ(image->pixmap().width(), image->width());
    EXPECT_EQ(image->pixmap().height(), image->width() / 2);

    for (const std::string& bad : {dir.file("missing.png"), dir.file("broken.jpg"), dir.file("")}) {
        screen.hide();
        SetSetting("LoginScr", bad, 1);
        screen.show();
        QApplication::processEvents();
        EXPECT_TRUE(image->pixmap().isNull()) << bad;
        EXPECT_EQ(screen.focusWidget(), Login()) << bad;
        EXPECT_TRUE(Timer()->isActive());
    }
}

TEST_F(LoginScreenTest, EnterMovesOnSignsInOnlyWithAPasswordAndCancelEmptiesTheBoxes) {
    Show();
    Login()->setText("guest");
    PressEnter(Login());
    EXPECT_TRUE(Password()->hasFocus());

    // No password: Enter is off, so Enter in the box only moves on, past it.
    PressEnter(Password());
    EXPECT_TRUE(Child<QPushButton>("cmdcan")->hasFocus());
    EXPECT_TRUE(boxes.shown.empty());

    Password()->setText("x");
    EXPECT_TRUE(Enter()->isEnabled());
    Password()->clear();
    EXPECT_FALSE(Enter()->isEnabled());

    Password()->setText("wrong");
    PressEnter(Password());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Invalid Password");

    // Enter on Cancel empties both boxes and starts again at the login.
    Child<QPushButton>("cmdcan")->setFocus();
    PressEnter(Child<QPushButton>("cmdcan"));
    EXPECT_EQ(Login()->text(), "");
    EXPECT_EQ(Password()->text(), "");
    EXPECT_TRUE(Login()->hasFocus());
    EXPECT_FALSE(Enter()->isEnabled());
}

// The order of a sign-in's steps is login::SignInWith's (SignInSteps_test), and a valid
// login typed otherwise takes none of them; here, that the screen does its part of each.

// A refused sign-in: the box shows below nothing (top-most dropped around it, the
// timer resting), and the box to correct comes back focused with its text selected.
struct Refusal {
    const char* login;
    const char* password;
    const char* message;
    bool passwordToCorrect;
};

class RefusedSignInTest : public LoginScreenTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(RefusedSignInTest, DropsTopMostAroundTheBoxAndSelectsTheBoxToCorrect) {
    const Refusal& r = GetParam();
    auto& screen = Show();
    bool timerOffDuringBox = false;
    boxes.during = [&] { timerOffDuringBox = !Timer()->isActive(); };
    Type(r.login, r.password);
    t.desktop.calls.clear();
    Enter()->click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, r.message);
    EXPECT_EQ(boxes.shown[0].flags, 48);
    EXPECT_EQ(boxes.shown[0].title, "Quorvel (DE)");
    EXPECT_EQ(t.desktop.calls, (Calls{"SetTopMost 0", "SetTopMost 1"}));
    EXPECT_TRUE(timerOffDuringBox);
    EXPECT_TRUE(Timer()->isActive());
    EXPECT_TRUE(screen.isVisible());
    QLineEdit* toCorrect = r.passwordToCorrect ? Password() : Login();
    EXPECT_TRUE(toCorrect->hasFocus());
    EXPECT_EQ(toCorrect->selectedText().toStdString(), r.passwordToCorrect ? r.password : r.login);
    EXPECT_EQ(Login()->text().toStdString(), r.login);
}

// Text that would break a statement built by splicing is only a name not there.
INSTANTIATE_TEST_SUITE_P(Refusals, RefusedSignInTest,
                         ::testing::Values(Refusal{"nobody", "visitor", "Invalid Login", false},
                                           Refusal{"o'brien", "x' or 1=1", "Invalid Login", false},
                                           Refusal{"x' or '1'='1", "x' or 1=1", "Invalid Login",
                                                   false},
                                           Refusal{"guest", "Visitor", "Invalid Password", true},
                                           Refusal{"admin", "' or 1=1", "Invalid Password", true}));

TEST_F(LoginScreenTest, AdminReleasesTheDesktopWithTheClockAndOpensTheControlPanel) {
    auto& screen = Show();
    Type("admin", "boss  ");
    Enter()->click();
    EXPECT_FALSE(screen.isVisible());
    EXPECT_FALSE(Timer()->isActive());
    EXPECT_EQ(Login()->text(), "");
    EXPECT_EQ(Password()->text(), "");
    EXPECT_TRUE(forms->Get<ui::frmCtrlpnl>().isVisible());
    EXPECT_FALSE(forms->IsLoaded<ui::frmtimer2>());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(LoginScreenTest, GuestReleasesTheDesktopWithoutTheClockAndStartsTheSession) {
    auto& screen = Show();
    Type("guest", "visitor");
    Enter()->click();
    EXPECT_FALSE(screen.isVisible());
    EXPECT_FALSE(Timer()->isActive());
    EXPECT_EQ(Login()->text(), "");
    EXPECT_TRUE(forms->Get<ui::frmtimer2>().isVisible());
    EXPECT_FALSE(forms->IsLoaded<ui::frmBlocks>()) << "Blocking is off";
    EXPECT_FALSE(forms->IsLoaded<ui::frmCtrlpnl>());
}

// Only unloading ends the screen, and it closes the data file.
TEST_F(LoginScreenTest, RefusesEveryCloseRequestAndUnloadingClosesTheDataFile) {
    auto& screen = Show();
    EXPECT_FALSE(screen.close());
    EXPECT_TRUE(screen.isVisible());
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(Login(), &escape);
    EXPECT_TRUE(screen.isVisible());
    auto conn = t.pv.Conn;
    forms.reset();
    EXPECT_FALSE(conn->IsOpen());
}

// The quiet line for the owner on a PC that has joined a cafe's server.
struct ServerStatusCase {
    const char* name;
    bool joined;
    int waiting;
    int missed;
    const char* shown;  // "" for nothing at all
};

void PrintTo(const ServerStatusCase& c, std::ostream* out) {
    *out << c.name;
}

class LoginScreenServerStatus : public LoginScreenTest,
                                public ::testing::WithParamInterface<ServerStatusCase> {
  protected:
    void Queue(int sessions, int missed) {
        for (int i = 0; i < sessions; ++i) {
            const std::string id = "s" + std::to_string(i);
            db::OutboxWrite write;
            write.entry = {0, id, "2026-12-05", 0, 0, 0, 100, "Rs"};
            ASSERT_EQ(db::AddSessionToDailyTotals(*t.pv.Conn, "12/05/2026", 1.0, id, &write),
                      db::Booking::Booked);
        }
        if (missed > 0) {
            sqlite::Statement miss(t.pv.Conn->connection(),
                                   "INSERT INTO OutboxMissed_T (Sessions) VALUES (?1)");
            miss.Bind(1, std::int64_t{missed});
            ASSERT_TRUE(miss.Run());
        }
    }
    void Join() {
        cafe::SenderOptions options;
        options.dataFile = dir.file("QuorvelData.mdb");
        options.password = db::kDataFilePassword;
        sender = std::make_shared<cafe::Sender>(server.Link(), t.clock, options);
        t.pv.Cafe = sender;
    }
    void TearDown() override {
        LoginScreenTest::TearDown();
        t.pv.Cafe.reset();
        sender.reset();  // before the server it delivers to
    }
    QLabel* Status() { return Child<QLabel>("lblServer"); }

    ScriptedServer server{&t.clock};
    std::shared_ptr<cafe::Sender> sender;
};

TEST_P(LoginScreenServerStatus, SaysHowManySessionsWaitOnlyWhenSomeDo) {
    const ServerStatusCase& c = GetParam();
    server.Otherwise(ScriptedServer::Answer::Away);
    Queue(c.waiting, c.missed);
    if (c.joined) {
        Join();
        ASSERT_TRUE(PollUntil([&] { return !server.calls().empty(); }));
    }
    Show();
    EXPECT_EQ(Status()->text().toStdString(), c.shown);
    EXPECT_EQ(Status()->isVisible(), *c.shown != '\0');
    EXPECT_EQ(Child<QTimer>("tmrServer")->isActive(), c.joined);
}

const ServerStatusCase kServerStatus[] = {
    {"OnItsOwn", false, 2, 0, ""},
    {"NothingWaits", true, 0, 0, ""},
    {"OneWaits", true, 1, 0, "1 session waiting for the server"},
    {"SeveralWait", true, 3, 0, "3 sessions waiting for the server"},
    {"OutboxFull", true, 2, 4,
     "2 sessions waiting for the server\nOutbox full: 4 sessions kept on this PC only"},
};

INSTANTIATE_TEST_SUITE_P(Cases, LoginScreenServerStatus, ::testing::ValuesIn(kServerStatus),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorvel::test
