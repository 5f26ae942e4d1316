// The Passwords tab against a real data file: a changed password is the one the login
// screen accepts next, and a change that did not happen is never reported as done.
#include "panel/PasswordsPage.h"

#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTabBar>

#include <gtest/gtest.h>

#include "db/Database.h"
#include "login/Authentication.h"
#include "widget/PanelRig.h"

namespace quorvel::test {
namespace {

struct Frame {
    const char* login;
    const char* oldBox;
    const char* newBox;
    const char* confirmBox;
    const char* save;
    const char* stored;  // the password the rig's data file holds
};
const Frame kAdmin{"admin", "txtpas", "txtnpas", "txtcpas", "Command10", "boss"};
const Frame kGuest{"guest", "txtuPas", "txtunpas", "txtucpas", "Command14", "visitor"};

class PasswordsTest : public PanelRig, public ::testing::WithParamInterface<Frame> {
  protected:
    void SetUp() override {
        PanelRig::SetUp();
        Control<QTabBar>("tbrOptions")->setCurrentIndex(4);
        Panel().activateWindow();
        QApplication::processEvents();
    }
    QLineEdit* Box(const char* name) { return Control<QLineEdit>(name); }
    // Fills the frame's three boxes and presses its Save; the message shown.
    std::string Save(const Frame& f, const QString& oldText, const QString& newText,
                     const QString& confirmText) {
        Box(f.oldBox)->setText(oldText);
        Box(f.newBox)->setText(newText);
        Box(f.confirmBox)->setText(confirmText);
        boxes.shown.clear();
        Control<QPushButton>(f.save)->click();
        EXPECT_EQ(boxes.shown.size(), 1u);
        return boxes.shown.empty() ? "" : boxes.shown.back().text;
    }
    std::optional<std::string> Stored(const char* login) {
        const auto row = db::FindLogin(*t.pv.Conn, login);
        return row ? row->password : std::nullopt;
    }
    const Frame& Other(const Frame& f) { return std::string(f.login) == "admin" ? kGuest : kAdmin; }
};

TEST_P(PasswordsTest, TheChecksInOrderWithTheBoxToCorrect) {
    const Frame& f = GetParam();
    const QString old = f.stored;
    struct Case {
        const char* what;
        QString oldText, newText, confirmText;
        const char* message;
        const char* focus;
    };
    const std::vector<Case> cases{
        {"old in another case", old.toUpper(), "n3w", "n3w", "Invalid Old Password", f.oldBox},
        {"old with a blank after it", old + " ", "n3w", "n3w", "Invalid Old Password", f.oldBox},
        {"wrong old and blank new", "nope", "", "", "Invalid Old Password", f.oldBox},
        {"new of blanks only", old, "   ", "   ", "Invalid New Password", f.newBox},
        {"new with a leading blank", old, " n3w", " n3w", "Invalid New Password", f.newBox},
        {"new with a trailing blank", old, "n3w ", "n3w ", "Invalid New Password", f.newBox},
        {"confirm empty", old, "n3w", "", "Invalid Password", f.confirmBox},
        {"confirm of blanks", old, "n3w", "   ", "Invalid Password", f.confirmBox},
        {"confirm in another case", old, "n3w", "N3W", "Invalid Password", f.confirmBox},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Save(f, c.oldText, c.newText, c.confirmText), c.message) << c.what;
        EXPECT_EQ(boxes.shown.back().flags, ui::kMbInformation) << c.what;
        EXPECT_EQ(boxes.shown.back().title, "Quorvel (DE)");
        EXPECT_TRUE(Box(c.focus)->hasFocus()) << c.what;
        EXPECT_EQ(Box(c.focus)->selectedText(), Box(c.focus)->text()) << c.what;
        EXPECT_EQ(Box(f.newBox)->text(), c.newText) << "boxes keep what was typed";
        EXPECT_EQ(Stored(f.login), f.stored) << c.what;
    }
}

TEST_P(PasswordsTest, AGoodChangeIsStoredAndTheLoginScreenTakesIt) {
    const Frame& f = GetParam();
    const QString changed = QString::fromUtf8("n\xC3\xAB w'--");  // inner blank, quote, non-ASCII
    Box(Other(f).oldBox)->setText("keep");
    EXPECT_EQ(Save(f, f.stored, changed, changed), "Password successfully modified");
    EXPECT_EQ(Stored(f.login), "n\xC3\xAB w'--");
    EXPECT_EQ(login::CheckSignIn({true, Stored(f.login)}, f.login, "n\xC3\xAB w'--"),
              std::string(f.login) == "admin" ? login::SignIn::Admin : login::SignIn::Guest);
    for (const char* box : {f.oldBox, f.newBox, f.confirmBox}) EXPECT_EQ(Box(box)->text(), "");
    // The other frame's row and boxes are untouched.
    EXPECT_EQ(Stored(Other(f).login), Other(f).stored);
    EXPECT_EQ(Box(Other(f).oldBox)->text(), "keep");
    // The same password again is accepted.
    EXPECT_EQ(Save(f, changed, changed, changed), "Password successfully modified");
}

// An update the data file refuses, or a login row gone: said, never reported as done.
TEST_P(PasswordsTest, AChangeTheDataFileDidNotMakeIsReported) {
    const Frame& f = GetParam();
    for (const bool rowGone : {false, true}) {
        const std::string damage =
            rowGone ? "DROP TRIGGER refuse; DELETE FROM Login_M WHERE Login = '" +
                          std::string(f.login) + "'"
                    : "CREATE TRIGGER refuse BEFORE UPDATE ON Login_M BEGIN SELECT "
                      "RAISE(ABORT, 'refused'); END;";
        ASSERT_TRUE(t.pv.Conn->connection().Exec(damage.c_str()));
        const std::string message = Save(f, f.stored, "n3w", "n3w");
        EXPECT_EQ(message.find("successfully"), std::string::npos) << message;
        EXPECT_NE(message.find(rowGone ? "\"" + std::string(f.login) + "\"" : "not changed"),
                  std::string::npos)
            << message;
        EXPECT_EQ(boxes.shown.back().flags, ui::kMbExclamation);
        EXPECT_EQ(Stored(f.login), rowGone ? std::nullopt : std::optional<std::string>(f.stored));
        EXPECT_EQ(Box(f.newBox)->text(), "n3w");
    }
}

TEST_P(PasswordsTest, BoxesMaskWithStarsAndTakeTheLoginScreensLength) {
    const Frame& f = GetParam();
    for (const char* name : {f.oldBox, f.newBox, f.confirmBox}) {
        QLineEdit* box = Box(name);
        EXPECT_EQ(box->echoMode(), QLineEdit::Password);
        EXPECT_EQ(box->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, box),
                  '*');
        box->setText(QString(10000, 'x'));
        EXPECT_EQ(box->text().size(), login::kPasswordMaxLength)
            << "an eleventh character never gets in";
    }
}

INSTANTIATE_TEST_SUITE_P(BothFrames, PasswordsTest, ::testing::Values(kAdmin, kGuest),
                         [](const auto& info) { return std::string(info.param.login); });

}  // namespace
}  // namespace quorvel::test
