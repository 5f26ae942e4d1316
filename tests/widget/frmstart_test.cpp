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
#include "db/Database.h"
#include "panel/frmCtrlpnl.h"
#include "session/frmtimer2.h"
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

TEST_F(LoginScreenTest, CoversTheScreenWithTheDesignedControls) {
    auto& screen = Show();
    EXPECT_EQ(screen.windowTitle(), "Login Screen");
    EXPECT_TRUE(screen.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(screen.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(screen.windowState() & Qt::WindowFullScreen);
    EXPECT_EQ(screen.geometry(), screen.screen()->geometry());

    EXPECT_EQ(Login()->maxLength(), 15);
    EXPECT_EQ(Password()->maxLength(), 10);
    // The password shows as one "*" a character, whatever the desktop style's mask.
    Password()->setText("geheim");
    EXPECT_EQ(Password()->displayText(), "******");
    Password()->clear();
    EXPECT_FALSE(Enter()->isEnabled());
    EXPECT_EQ(Enter()->text(), "Enter");
    EXPECT_EQ(Child<QPushButton>("cmdcan")->text(), "Cancel");
    EXPECT_EQ(Timer()->interval(), 50);
    for (auto [name, caption] : {std::pair{"Label1", "Login"},
                                 {"Label2", "Password"},
                                 {"info_1", "Previous user details:"},
                                 {"Label8", "User :"},
                                 {"Ldate", "Date :"},
                                 {"lusage", "Usage :"},
                                 {"lcharges", "Charges :"}}) {
        auto* label = Child<QLabel>(name);
        ASSERT_TRUE(label) << name;
        EXPECT_EQ(label->text(), caption);
    }
    for (const char* name : {"info_0", "info_2", "info_3", "Label4", "Image1"})
        EXPECT_TRUE(Child<QLabel>(name)) << name;

    // Bold Arial 8.25 pt in the boxes, Impact 9 pt on the buttons, or their stand-ins.
    EXPECT_DOUBLE_EQ(Login()->font().pointSizeF(), 8.25);
    EXPECT_TRUE(Password()->font().bold());
    EXPECT_DOUBLE_EQ(Enter()->font().pointSizeF(), 9);
    EXPECT_NE(Enter()->font().family(), "D050000L");

    // Twips at the screen's resolution, within the band that holds the sign-in.
    const double dpi = screen.logicalDpiX();
    auto px = [dpi](int twips) { return qRound(twips * dpi / 1440.0); };
    EXPECT_EQ(Login()->geometry(), QRect(px(3840), px(120), px(2175), px(315)));
    EXPECT_EQ(Enter()->geometry(), QRect(px(3840), px(1080), px(880), px(435)));
    EXPECT_EQ(Child<QLabel>("Image1")->size(), QSize(px(6000), px(6000)));
    for (QWidget* child : screen.findChildren<QWidget*>()) {
        const QRect onScreen(child->mapTo(&screen, QPoint(0, 0)), child->size());
        EXPECT_TRUE(screen.rect().contains(onScreen)) << child->objectName().toStdString();
    }

    // Tab order: login, password, Enter, Cancel.
    EXPECT_EQ(Login()->nextInFocusChain(), Password());
    EXPECT_EQ(Password()->nextInFocusChain(), Enter());
    EXPECT_EQ(Enter()->nextInFocusChain(), Child<QPushButton>("cmdcan"));
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
    auto timers = [&](const char* name, const store::Variant& value, int type) {
        t.pv.settings.WriteSetting(platform::kHkeyCurrentUser, store::kTimersKey, name, value,
                                   type);
    };
    timers("UserId", "guest", 1);
    timers("Date", "12/04/2026", 1);
    timers("Elapsed", "1 : 5 : 30", 1);
    timers("Amount", "30", 1);
    timers("Status", std::int32_t{1}, 4);
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
    EXPECT_EQ(t.pv.settings.ReadSetting(platform::kHkeyCurrentUser, store::kTimersKey, "Status")
                  .ToNumber(),
              0);

    // The next showing books nothing more (a long session's figures shown this time).
    timers("Elapsed", "123 : 59 : 59", 1);
    timers("Amount", "32767", 1);
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

TEST_F(LoginScreenTest, TimerKeepsTheScreenOnTopAndTheInputHeld) {
    Show();
    t.desktop.calls.clear();
    const int kept = t.desktop.keepCalls;
    forms->Get<ui::frmstart>().stimer1_Timer();
    EXPECT_EQ(t.desktop.calls, (Calls{"SetTopMost 1"}));
    EXPECT_EQ(t.desktop.keepCalls, kept + 1);
}

TEST_F(LoginScreenTest, TheTimerRestsWhileTheLockDoesAndWakesWhenDisturbed) {
    auto& screen = Show();
    screen.stimer1_Timer();
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

TEST_F(LoginScreenTest, EnterMovesOnAndSignsInOnlyWithAPassword) {
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
}

TEST_F(LoginScreenTest, CancelEmptiesBothBoxes) {
    Show();
    Type("admin", "boss");
    Child<QPushButton>("cmdcan")->setFocus();
    PressEnter(Child<QPushButton>("cmdcan"));
    EXPECT_EQ(Login()->text(), "");
    EXPECT_EQ(Password()->text(), "");
    EXPECT_TRUE(Login()->hasFocus());
    EXPECT_FALSE(Enter()->isEnabled());
}

TEST_F(LoginScreenTest, FailuresDropTopMostAroundTheBoxAndSelectTheBoxToCorrect) {
    Show();
    bool timerOffDuringBox = false;
    boxes.during = [&] { timerOffDuringBox = !Timer()->isActive(); };

    Type("nobody", "visitor");
    t.desktop.calls.clear();
    Enter()->click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Invalid Login");
    EXPECT_EQ(boxes.shown[0].flags, 48);
    EXPECT_EQ(boxes.shown[0].title, "Quorvel (DE)");
    EXPECT_EQ(t.desktop.calls, (Calls{"SetTopMost 0", "SetTopMost 1"}));
    EXPECT_TRUE(timerOffDuringBox);
    EXPECT_TRUE(Timer()->isActive());
    EXPECT_TRUE(Login()->hasFocus());
    EXPECT_EQ(Login()->selectedText(), "nobody");

    // Text that would break a statement built by splicing is only a name not there.
    for (const char* login : {"o'brien", "x' or '1'='1"}) {
        Type(login, "x' or '1'='1");
        Enter()->click();
        EXPECT_EQ(boxes.shown.back().text, "Invalid Login") << login;
    }
    boxes.shown.clear();
    // A data file that cannot be read: no one gets in.
    t.pv.Conn->Close();
    Type("admin", "boss");
    Enter()->click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Invalid Login");
    boxes.shown.clear();
}

TEST_F(LoginScreenTest, WrongPasswordSelectsThePassword) {
    Show();
    Type("guest", "Visitor");
    t.desktop.calls.clear();
    Enter()->click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Invalid Password");
    EXPECT_EQ(boxes.shown[0].flags, 48);
    EXPECT_EQ(t.desktop.calls, (Calls{"SetTopMost 0", "SetTopMost 1"}));
    EXPECT_TRUE(Password()->hasFocus());
    EXPECT_EQ(Password()->selectedText(), "Visitor");
    EXPECT_EQ(Login()->text(), "guest");
    EXPECT_TRUE(forms->Get<ui::frmstart>().isVisible());
}

TEST_F(LoginScreenTest, AdminReleasesTheDesktopWithTheClockAndOpensTheControlPanel) {
    auto& screen = Show();
    Type("admin", "boss  ");
    t.desktop.calls.clear();
    Enter()->click();
    EXPECT_EQ(t.desktop.calls, (Calls{"ShowTrayClock 1", "FlashNotifyIcon", "ShowTaskbar 1",
                                      "SetScreenSaverRunning 0 0"}));
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
    t.desktop.calls.clear();
    Enter()->click();
    EXPECT_EQ(t.pv.CurrentUser, "guest");
    EXPECT_EQ(t.desktop.calls, (Calls{"ShowTaskbar 1", "SetScreenSaverRunning 0 0",
                                      "ShowTrayClock 0", "FlashNotifyIcon", "SetTopMost 0"}));
    EXPECT_FALSE(screen.isVisible());
    EXPECT_FALSE(Timer()->isActive());
    EXPECT_EQ(Login()->text(), "");
    EXPECT_TRUE(forms->Get<ui::frmtimer2>().isVisible());
    EXPECT_FALSE(forms->IsLoaded<ui::frmBlocks>()) << "Blocking is off";
    EXPECT_FALSE(forms->IsLoaded<ui::frmCtrlpnl>());
}

TEST_F(LoginScreenTest, GuestLoadsTheBlockerWhenBlockingIsOn) {
    SetSetting("Blocking", std::int32_t{1}, 4);
    Show();
    Type("guest", "visitor");
    Enter()->click();
    ASSERT_TRUE(forms->IsLoaded<ui::frmBlocks>());
    EXPECT_FALSE(forms->Get<ui::frmBlocks>().isVisible()) << "the blocker works hidden";
}

TEST_F(LoginScreenTest, OtherValidLoginsDoNothing) {
    auto& screen = Show();
    for (const char* login : {" admin", "ADMIN", "Guest"}) {
        Type(login, "boss");
        if (QString(login).trimmed().toLower() == "guest") Password()->setText("visitor");
        t.desktop.calls.clear();
        Enter()->click();
        EXPECT_TRUE(boxes.shown.empty()) << login;
        EXPECT_TRUE(t.desktop.calls.empty()) << login;
        EXPECT_TRUE(screen.isVisible());
        EXPECT_EQ(Login()->text(), login);
    }
    EXPECT_FALSE(forms->IsLoaded<ui::frmCtrlpnl>());
    EXPECT_FALSE(forms->IsLoaded<ui::frmtimer2>());
}

TEST_F(LoginScreenTest, RefusesEveryCloseRequest) {
    auto& screen = Show();
    EXPECT_FALSE(screen.close());
    EXPECT_TRUE(screen.isVisible());
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(Login(), &escape);
    EXPECT_TRUE(screen.isVisible());
}

TEST_F(LoginScreenTest, UnloadingClosesTheDataFile) {
    Show();
    auto conn = t.pv.Conn;
    forms.reset();
    EXPECT_FALSE(conn->IsOpen());
}

}  // namespace
}  // namespace quorvel::test
