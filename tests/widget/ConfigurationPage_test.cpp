// The Configuration tab against a real data file: what the owner sets here is what the
// next guest session reads, and what could not be stored is said.
#include "panel/ConfigurationPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTest>
#include <functional>

#include <gtest/gtest.h>

#include "db/Database.h"
#include "panel/Configuration.h"
#include "platform/fake/MemoryRegistry.h"
#include "session/ChargeRule.h"
#include "ui/Text.h"
#include "widget/PanelRig.h"

namespace quorvel::test {
namespace {

using platform::kHkeyCurrentUser;

const QString kEuro = QString(QChar(0x20AC));
const QString kCent = QString(QChar(0x00A2));

class ConfigurationTest : public PanelRig {
  protected:
    void SetUp() override {
        PanelRig::SetUp();
        // The browser's keys, as a provisioned terminal has them.
        t.pv.settings.CreateSettingsKey(kHkeyCurrentUser, panel::kBrowserMainKey);
        t.pv.settings.CreateSettingsKey(kHkeyCurrentUser, panel::kBrowserCacheKey);
    }

    ui::ConfigurationPage& Page() { return *Control<ui::ConfigurationPage>("fDr"); }
    QLineEdit* Box(const char* name) { return Control<QLineEdit>(name); }
    QSpinBox* Spinner(int i) { return Control<QSpinBox>(("fud_" + std::to_string(i)).c_str()); }
    QString Rate(int i) { return Box(("cb_" + std::to_string(i)).c_str())->text(); }
    QComboBox* Currency() { return Control<QComboBox>("cSymbol"); }

    std::string Setting(const char* key, const char* name) {
        return t.Get(key, name).ToDisplayText();
    }
    std::string Setting(const char* name) { return Setting(store::kSettingsKey, name); }
    int RateRows() {
        sqlite::Statement count(t.pv.Conn->connection(), "SELECT count(*) FROM Rates_M");
        count.Step();
        return static_cast<int>(count.Int(0));
    }
    // Apply answered Yes; the message that followed.
    RecordingMessageBoxes::Shown Apply() {
        boxes.shown.clear();
        boxes.answers = {ui::kIdYes};
        Control<QPushButton>("Command12")->click();
        EXPECT_EQ(boxes.shown.size(), 2u);
        EXPECT_EQ(boxes.shown.front().text, "Continue...");
        EXPECT_EQ(boxes.shown.front().flags, ui::kMbYesNoQuestion);
        return boxes.shown.back();
    }
    void Step(int i, int times) { Spinner(i)->stepBy(times); }
    // Keys as typed: each character, Backspace for "\b".
    void Type(QWidget* target, const QString& text) {
        for (QChar c : text) {
            const int key = c == '\b' ? Qt::Key_Backspace : 0;
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
            QApplication::sendEvent(target, &press);
        }
    }
};

TEST_F(ConfigurationTest,
       TheFirstApplyAddsTheRatesRowTheSessionChargesFromAndLaterOnesOverwriteIt) {
    EXPECT_EQ(RateRows(), 0);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Rate(i), "0") << "no row: the boxes keep 0";
    Step(0, 10);
    Step(1, 15);
    Step(2, 20);
    Step(3, 25);
    Step(4, 5);
    Box("mCharge")->setText("7");
    Currency()->setCurrentIndex(2);
    const auto done = Apply();
    EXPECT_EQ(done.text, "Configurations applied successfully");
    EXPECT_EQ(done.flags, ui::kMbInformation);
    EXPECT_EQ(done.title, "Quorvel (DE)");

    EXPECT_EQ(RateRows(), 1);
    // What the timer window will read at the next session start.
    const auto rates = session::LoadRates(db::ReadRates(*t.pv.Conn));
    EXPECT_EQ(rates.rate0to14, 10);
    EXPECT_EQ(rates.rate15to29, 15);
    EXPECT_EQ(rates.rate30to44, 20);
    EXPECT_EQ(rates.rate45to59, 25);
    const auto minimums = session::ReadMinimums(t.pv.settings);
    EXPECT_EQ(minimums.minimumTime, 5);
    EXPECT_EQ(minimums.minimumCharge, 7);
    EXPECT_EQ(Setting("Currency"), "\xE2\x82\xAC") << "the euro sign, UTF-8";

    // A later Apply overwrites the row and adds no second one.
    Step(3, 9980);
    EXPECT_EQ(Rate(3), "10000");
    Apply();
    EXPECT_EQ(RateRows(), 1);
    EXPECT_EQ(db::ReadRates(*t.pv.Conn), (std::array<double, 4>{10, 15, 20, 10000}));
}

TEST_F(ConfigurationTest, EmptiedMinimumChargeAndCurrencyAreStoredAsZeroAndTheCentSign) {
    SetSetting("MinimumC", "12", 1);
    SetSetting("Currency", "Rs", 1);
    Panel();
    EXPECT_EQ(Box("mCharge")->text(), "12");
    EXPECT_EQ(Currency()->currentText(), "Rs");
    Box("mCharge")->clear();
    Currency()->setEditText("");
    Apply();
    EXPECT_EQ(Box("mCharge")->text(), "0");
    EXPECT_EQ(Setting("MinimumC"), "0");
    EXPECT_EQ(Currency()->currentIndex(), 0);
    EXPECT_EQ(Currency()->currentText(), kCent);
    EXPECT_EQ(Setting("Currency"), "\xC2\xA2");
}

TEST_F(ConfigurationTest, SpinnersStopAtTheirEnds) {
    struct Case {
        int index;
        int steps;
        const char* expected;
    };
    for (const Case& c :
         {Case{0, 20000, "10000"}, Case{0, -30000, "0"}, Case{3, 10001, "10000"}, Case{4, 10, "10"},
          Case{4, 10, "14"}, Case{4, -1, "13"}, Case{4, -100, "0"}, Case{2, -1, "0"}}) {
        Step(c.index, c.steps);
        EXPECT_EQ(Rate(c.index), c.expected) << "fud_" << c.index << " by " << c.steps;
    }
}

TEST_F(ConfigurationTest, MinimumChargesHoldsDigitsOnlyHoweverTextArrives) {
    QLineEdit* box = Box("mCharge");
    box->clear();
    struct Case {
        const char* how;
        std::function<void()> enter;
        const char* expected;
    };
    const std::vector<Case> cases{
        {"typed digits", [&] { Type(box, "42"); }, "42"},
        {"typed letter, minus, point, blank", [&] { Type(box, "a-. "); }, "42"},
        {"Backspace", [&] { Type(box, "\b"); }, "4"},
        {"pasted mixed text",
         [&] {
             box->insert(
                 "1'; DROP x--2\xC3\xA9"
                 "3");
         },
         "4123"},
        {"Delete at the start, as the keyboard sends it",
         [&] {
             box->setCursorPosition(0);
             // With its text, U+007F, as the X keyboard hands the key over.
             QTest::sendKeyEvent(QTest::Click, box, Qt::Key_Delete, QString(QChar(0x7F)),
                                 Qt::NoModifier);
         },
         "123"},
        {"pasted 10 000 characters", [&] { box->setText(QString(10000, '9')); }, "999999999"},
        {"non-ASCII digits",
         [&] {
             box->setText(
                 QString::fromUtf8("\xD9\xA3"
                                   "5"));
         },
         "5"},
    };
    for (const Case& c : cases) {
        c.enter();
        EXPECT_EQ(box->text(), c.expected) << c.how;
    }
}

// A minimum charge and a currency written by another tool: the box shows what the
// session uses, and an Apply that did not touch them leaves them as stored.
TEST_F(ConfigurationTest, StoredChargeAndSymbolAreShownAsUsedAndKeptByAnApplyThatLeftThem) {
    struct Case {
        store::Variant stored;
        int type;
        const char* shown;
    };
    for (const Case& c : {Case{"12.5", 1, "12"}, Case{"13.5", 1, "14"}, Case{"12.6", 1, "13"},
                          Case{" 8 mins", 1, "8"}, Case{"0012", 1, "12"}, Case{"abc", 1, "0"},
                          Case{"-5", 1, "-5"}, Case{"2147483647", 1, "2147483647"},
                          Case{"99999999999", 1, "0"}, Case{std::int32_t{12}, 4, "12"}}) {
        SetSetting("MinimumC", c.stored, c.type);
        ClosePanel();
        EXPECT_EQ(Box("mCharge")->text(), c.shown) << c.stored.ToText();
        EXPECT_EQ(std::to_string(session::ReadMinimums(t.pv.settings).minimumCharge), c.shown);
        Apply();
        EXPECT_EQ(t.pv.settings.ReadSetting(kHkeyCurrentUser, store::kSettingsKey, "MinimumC"),
                  c.type == 1 ? store::Variant(c.stored.ToText() + '\0') : c.stored);
    }
    for (const std::string symbol : {"EURO", "Fr.", "\xA4 old", "\xE2\x82\xAC\xE2\x82\xAC"}) {
        SetSetting("Currency", symbol, 1);
        ClosePanel();
        EXPECT_EQ(Currency()->currentText(), ui::FromStored(symbol)) << symbol;
        Apply();
        EXPECT_EQ(Setting("Currency"), symbol) << "not a byte changed, not cut";
    }
    // Edited, a symbol is held to three characters and stored as typed.
    Type(Currency()->lineEdit(), "XY");
    Apply();
    EXPECT_EQ(Setting("Currency"),
              "\xE2\x82\xAC\xE2\x82\xAC"
              "X");
    Currency()->setEditText("");
    Type(Currency()->lineEdit(), "CHF'");
    Apply();
    EXPECT_EQ(Setting("Currency"), "CHF");
}

TEST_F(ConfigurationTest, ApplyAnsweredNoPutsBackWhatIsStoredAndWritesNothing) {
    SetSetting("MinimumC", "3", 1);
    SetSetting("LoginScr", "/srv/pictures/old.jpg", 1);
    SetSetting("Currency", "Rs", 1);
    Panel();
    Step(1, 50);
    Box("mCharge")->setText("99");
    Currency()->setEditText("R");
    Control<QCheckBox>("Check1")->setChecked(true);
    files.picks = {"/srv/pictures/new.jpg"};
    Control<QPushButton>("Command8")->click();
    EXPECT_EQ(Box("txtSloct")->text(), "/srv/pictures/new.jpg");

    Control<QPushButton>("Command12")->click();  // unscripted: No
    ASSERT_EQ(boxes.texts(), std::vector<std::string>{"Continue..."});
    EXPECT_EQ(Rate(1), "0");
    EXPECT_EQ(Box("mCharge")->text(), "3");
    EXPECT_EQ(Currency()->currentText(), "Rs");
    EXPECT_FALSE(Control<QCheckBox>("Check1")->isChecked());
    EXPECT_EQ(Box("txtSloct")->text(), "/srv/pictures/old.jpg");
    EXPECT_EQ(RateRows(), 0);
    EXPECT_EQ(Setting("MinimumC"), "3");
    EXPECT_EQ(Setting(panel::kBrowserMainKey, "Play_Animations"), "");
}

// The browser options: what Apply writes and what the next opening shows.
TEST_F(ConfigurationTest, BrowserOptionsAreWrittenAndReadBack) {
    struct Case {
        bool plainText;
        bool emptyCache;
        const char* written;
        int persistent;
    };
    for (const Case& c : {Case{true, true, "no", 0}, Case{false, false, "yes", 1},
                          Case{true, false, "no", 1}, Case{false, true, "yes", 0}}) {
        Control<QCheckBox>("Check1")->setChecked(c.plainText);
        Control<QCheckBox>("Check2")->setChecked(c.emptyCache);
        EXPECT_EQ(Apply().text, "Configurations applied successfully");
        for (const char* name : panel::kPlainTextValues)
            EXPECT_EQ(Setting(panel::kBrowserMainKey, name), c.written) << name;
        EXPECT_EQ(t.Get(panel::kBrowserCacheKey, "Persistent"),
                  store::Variant(std::int32_t{c.persistent}));

        ClosePanel();
        EXPECT_EQ(Control<QCheckBox>("Check1")->isChecked(), c.plainText)
            << "an Apply that does not touch it keeps plain-text surfing as it was";
        EXPECT_EQ(Control<QCheckBox>("Check2")->isChecked(), c.emptyCache);
    }
    // Plain-text surfing shows ticked only when all four values say no.
    for (const char* name : panel::kPlainTextValues) t.Set(panel::kBrowserMainKey, name, "no", 1);
    t.Set(panel::kBrowserMainKey, "Display Inline Videos", "yes", 1);
    ClosePanel();
    EXPECT_FALSE(Control<QCheckBox>("Check1")->isChecked());
}

TEST_F(ConfigurationTest, BrowseFillsThePathCancelLeavesItAndDefaultEmptiesIt) {
    SetSetting("LoginScr", "/srv/pictures/old.jpg", 1);
    Panel();
    files.picks = {"/home/owner/Pictures/caf\xC3\xA9 front.JPG", ""};
    Control<QPushButton>("Command8")->click();
    const QString chosen = QString::fromUtf8("/home/owner/Pictures/caf\xC3\xA9 front.JPG");
    EXPECT_EQ(Box("txtSloct")->text(), chosen);
    ASSERT_EQ(files.opened.size(), 1u);
    EXPECT_EQ(files.opened[0].filter,
              "JPG (*.jpg *.JPG);;JPEG (*.jpeg *.JPEG);;GIF (*.gif *.GIF);;BMP (*.bmp *.BMP)");
    EXPECT_EQ(Setting("LoginScr"), "/srv/pictures/old.jpg") << "nothing stored before Apply";

    Control<QPushButton>("Command8")->click();  // cancelled
    EXPECT_EQ(Box("txtSloct")->text(), chosen);
    Apply();
    EXPECT_EQ(Setting("LoginScr"), "/home/owner/Pictures/caf\xC3\xA9 front.JPG");

    // Default stores an empty path at once, asking nothing.
    boxes.shown.clear();
    Control<QPushButton>("Command11")->click();
    EXPECT_EQ(Box("txtSloct")->text(), "");
    EXPECT_EQ(t.Get(store::kSettingsKey, "LoginScr"), store::Variant(std::string(1, '\0')));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ConfigurationTest, ARefusedRatesUpdateIsReportedAndTheRestIsStored) {
    ASSERT_TRUE(db::WriteRates(*t.pv.Conn, {"1", "2", "3", "4"}));
    ASSERT_TRUE(
        t.pv.Conn->connection().Exec("CREATE TRIGGER refuse BEFORE UPDATE ON Rates_M BEGIN SELECT "
                                     "RAISE(ABORT, 'refused'); END;"));
    Step(0, 50);
    Box("mCharge")->setText("8");
    const auto report = Apply();
    EXPECT_EQ(report.flags, ui::kMbExclamation);
    EXPECT_NE(report.text.find("Rates"), std::string::npos) << report.text;
    EXPECT_EQ(report.text.find("successfully"), std::string::npos) << report.text;
    EXPECT_EQ(db::ReadRates(*t.pv.Conn), (std::array<double, 4>{1, 2, 3, 4}));
    EXPECT_EQ(Setting("MinimumC"), "8") << "what succeeded stays stored";
}

TEST_F(ConfigurationTest, SettingsThatCannotBeWrittenAreNamed) {
    // A store without the browser's keys: those two options cannot be written.
    TestPlatform bare(std::make_unique<platform::MemoryRegistry>());
    // (The rig's own store keeps its keys; this one has none of the program's either.)
    ui::App app2{bare.pv, boxes, files, *forms};
    bare.pv.Conn = t.pv.Conn;
    ui::ConfigurationPage page(app2);
    page.LoadConfiguration();
    boxes.answers = {ui::kIdYes};
    page.Command12_Click();
    ASSERT_EQ(boxes.shown.size(), 2u);
    const std::string report = boxes.shown[1].text;
    for (const char* name :
         {"Force Plain Text Surfing", "Empty Temporary Internet Files on Exit", "Minimum Time",
          "Minimum Charges", "Currency Symbol", "Login Screen image"})
        EXPECT_NE(report.find(name), std::string::npos) << name << " in: " << report;
    EXPECT_EQ(report.find("Rates"), std::string::npos) << "the rates were stored";
    EXPECT_EQ(RateRows(), 1);
}

// A store with nothing set: an empty minimum time and a bare caption, emptying the
// cache ticked; a second opening shows what is stored and nothing unsaved. The first
// band's caption follows the minimum time.
TEST_F(ConfigurationTest, AnOpeningShowsWhatIsStoredAndNothingUnsaved) {
    EXPECT_EQ(Rate(4), "");
    EXPECT_EQ(Control<QLabel>("Label5")->text(), "- 15 mins");
    EXPECT_TRUE(Control<QCheckBox>("Check2")->isChecked());
    EXPECT_FALSE(Control<QCheckBox>("Check1")->isChecked());
    Step(0, 30);
    Box("mCharge")->setText("55");
    Currency()->setCurrentIndex(3);
    SetSetting("MinimumT", "5", 1);
    ClosePanel();
    EXPECT_EQ(Rate(0), "0");
    EXPECT_EQ(Box("mCharge")->text(), "");
    EXPECT_EQ(Currency()->currentText(), "");
    EXPECT_EQ(Control<QLabel>("Label5")->text(), "5- 15 mins");
    Step(4, 5);
    EXPECT_EQ(Control<QLabel>("Label5")->text(), "10- 15 mins");
    EXPECT_EQ(Spinner(0)->accessibleName(), "10- 15 mins") << "named by the caption beside it";
}

}  // namespace
}  // namespace quorvel::test
