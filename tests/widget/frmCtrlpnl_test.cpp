// The control panel's shell: which page shows, and every way the window goes away.
#include "panel/frmCtrlpnl.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTabBar>
#include <QToolButton>
#include <functional>

#include <gtest/gtest.h>

#include "login/frmstart.h"
#include "panel/PanelPage.h"
#include "panel/drgstcst.h"
#include "widget/PanelRig.h"

namespace quorvel::test {
namespace {

using panel::ExitMode;
using panel::StatusPanel;

class ControlPanelTest : public PanelRig {
  protected:
    // The frames that show, in the order the tab strip lists them.
    std::vector<std::string> Shown() {
        std::vector<std::string> shown;
        for (const panel::Tab& tab : panel::kTabs)
            if (Control<ui::PanelPage>(tab.frame)->isVisible()) shown.push_back(tab.frame);
        return shown;
    }
    void SelectTab(int index) {
        Control<QTabBar>("tbrOptions")->setCurrentIndex(index);
        QApplication::processEvents();
    }
    // The report window open beside the panel: whichever way the panel goes, it goes too.
    void OpenReport() {
        SelectTab(7);
        Control<QPushButton>("Command6")->click();
        ASSERT_TRUE(forms->IsLoaded<ui::drgstcst>());
    }
};

// One frame shows at a time, the frames lying on one another; a click on the tab
// already shown or on a tab with an unknown key changes nothing; each opening is a new
// window on the Security page, ready to show the login screen again.
TEST_F(ControlPanelTest, EachTabShowsItsFrameAloneAndEachOpeningStartsOnSecurity) {
    auto& panel = Panel();
    const QPointer<ui::frmCtrlpnl> first = &panel;
    EXPECT_EQ(Control<QTabBar>("tbrOptions")->currentIndex(), 0);
    EXPECT_EQ(Shown(), std::vector<std::string>{"fSo"});
    EXPECT_EQ(panel.exitMode(), ExitMode::ShowLoginScreen);
    for (int i : {3, 7, 0, 1, 4, 2, 6, 5}) {
        SelectTab(i);
        EXPECT_EQ(Shown(), std::vector<std::string>{panel::kTabs[i].frame}) << "tab " << i;
        EXPECT_EQ(Control<ui::PanelPage>(panel::kTabs[i].frame)->geometry(),
                  Control<ui::PanelPage>("fSo")->geometry());
    }
    SelectTab(3);
    panel.tbrOptions_Click();
    EXPECT_EQ(Shown(), std::vector<std::string>{"fDr"});
    Control<QTabBar>("tbrOptions")->setTabData(5, QString("kXx"));
    SelectTab(5);
    EXPECT_EQ(Shown(), std::vector<std::string>{"fDr"});

    ClosePanel();
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(Shown(), std::vector<std::string>{"fSo"});
}

TEST_F(ControlPanelTest, QuitAnsweredYesEndsTheProgramWithoutTheLoginScreen) {
    auto& login = forms->Get<ui::frmstart>();
    bool ended = false;
    forms->OnAllUnloaded([&] { ended = true; });
    OpenReport();
    boxes.answers = {ui::kIdYes};
    Control<QToolButton>("StatusBar1_3")->click();
    Settle();
    EXPECT_FALSE(forms->IsLoaded<ui::drgstcst>());

    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Do you realy want to quit Quorvel (DE)");
    EXPECT_EQ(boxes.shown[0].flags, ui::kMbYesNoQuestion);
    EXPECT_EQ(boxes.shown[0].title, "Quorvel (DE)");
    EXPECT_TRUE(t.pv.QuitConfirmed);
    EXPECT_FALSE(forms->IsLoaded<ui::frmCtrlpnl>());
    EXPECT_FALSE(forms->IsLoaded<ui::frmstart>());
    EXPECT_TRUE(ended);
    EXPECT_FALSE(t.pv.Conn->IsOpen()) << "the login screen's unloading closes the data file";
    (void)login;
}

// Quit answered No, and a click on the status bar's spacer, leave the panel as it was.
TEST_F(ControlPanelTest, QuitAnsweredNoAndTheSpacerChangeNothing) {
    auto& panel = Panel();
    SelectTab(4);
    panel.StatusBar1_PanelClick(StatusPanel::Spacer);
    Control<QToolButton>("StatusBar1_3")->click();  // unscripted: No
    Settle();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(forms->IsLoaded<ui::frmCtrlpnl>());
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(panel.exitMode(), ExitMode::ShowLoginScreen);
    EXPECT_EQ(Shown(), std::vector<std::string>{"fMp"});
    EXPECT_FALSE(t.pv.QuitConfirmed);
    EXPECT_FALSE(forms->IsLoaded<ui::frmstart>());
}

// "Close Control Panel" and every other way the window can be closed.
struct CloseWay {
    const char* name;
    std::function<void(ui::frmCtrlpnl&)> close;
};

class ClosingTest : public ControlPanelTest, public ::testing::WithParamInterface<CloseWay> {};

TEST_P(ClosingTest, ReturnsToTheLockedLoginScreenAndKeepsTheProgramRunning) {
    auto& login = forms->Get<ui::frmstart>();
    bool ended = false;
    forms->OnAllUnloaded([&] { ended = true; });
    OpenReport();
    GetParam().close(Panel());
    Settle();

    EXPECT_FALSE(forms->IsLoaded<ui::frmCtrlpnl>());
    EXPECT_FALSE(forms->IsLoaded<ui::drgstcst>());
    EXPECT_TRUE(login.isVisible());
    EXPECT_FALSE(ended);
    EXPECT_FALSE(t.pv.QuitConfirmed);
    EXPECT_TRUE(t.pv.Conn->IsOpen());
    for (const auto& box : boxes.shown) EXPECT_EQ(box.text, panel::kQuitQuestion);
    // The login screen's activation locked the desktop again.
    EXPECT_NE(std::find(t.desktop.calls.begin(), t.desktop.calls.end(), "ShowTaskbar 0"),
              t.desktop.calls.end());
}

INSTANTIATE_TEST_SUITE_P(
    EveryWay, ClosingTest,
    ::testing::Values(CloseWay{"ClosePanel",
                               [](ui::frmCtrlpnl& w) {
                                   w.findChild<QToolButton*>("StatusBar1_2")->click();
                               }},
                      CloseWay{"WindowManagerClose", [](ui::frmCtrlpnl& w) { w.close(); }},
                      CloseWay{"CloseAfterQuitAnsweredNo",
                               [](ui::frmCtrlpnl& w) {
                                   w.StatusBar1_PanelClick(StatusPanel::Quit);
                                   w.close();
                               }}),
    [](const auto& info) { return std::string(info.param.name); });

// Every page as it is read and worked: each control a person can work has a name a
// screen reader announces (for an input with a caption beside it, that caption); Tab
// goes from the tab strip through the page to the status bar in reading order; no
// label, check box or button is narrower than its caption needs, nor the tab strip
// than its tabs. A stored keyword gives the blocked list an item.
TEST_F(ControlPanelTest, EveryPageIsNamedTabbedInReadingOrderAndShowsItsCaptionsWhole) {
    t.Set(store::kUrlsKey, "casino", "http://www.casino.com", platform::kRegSz);
    auto* tabs = Control<QTabBar>("tbrOptions");
    EXPECT_GE(tabs->width(), tabs->sizeHint().width());
    for (int tab = 0; tab < static_cast<int>(panel::kTabs.size()); ++tab) {
        SCOPED_TRACE(panel::kTabs[tab].caption);
        SelectTab(tab);
        for (QWidget* control : Panel().findChildren<QWidget*>()) {
            if (!control->isVisible()) continue;
            const std::string name = control->objectName().toStdString();
            auto* label = qobject_cast<QLabel*>(control);
            if ((label && !label->wordWrap()) || qobject_cast<QAbstractButton*>(control))
                EXPECT_GE(control->width(), control->sizeHint().width()) << name;
            // A control's own parts ("qt_...") are named by the control.
            if (!(control->focusPolicy() & Qt::TabFocus) || name.starts_with("qt_")) continue;
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
            ASSERT_TRUE(accessible);
            EXPECT_FALSE(accessible->text(QAccessible::Name).trimmed().isEmpty()) << name;
        }
        for (QLabel* caption : Panel().findChildren<QLabel*>()) {
            if (!caption->isVisible() || !caption->buddy()) continue;
            // The caption without its accelerator or a colon after it: "Blocked
            // Website(s):" names its list "Blocked Website(s)", "From :" its picker "From".
            QString text = caption->text().remove('&').trimmed();
            if (text.endsWith(':')) text = text.chopped(1).trimmed();
            EXPECT_EQ(
                QAccessible::queryAccessibleInterface(caption->buddy())->text(QAccessible::Name),
                text)
                << caption->objectName().toStdString();
        }
        ExpectTabInReadingOrder(&Panel(), tabs);
    }
}

}  // namespace
}  // namespace quorvel::test
