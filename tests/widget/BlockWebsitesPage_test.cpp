// The Block Websites tab over the settings store: what Block and Remove leave in
// "Software\Quorvel\URLs", the list beside it, and the "Enable Blocking" switch.
#include "panel/BlockWebsitesPage.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

#include "blocker/frmBlocks.h"
#include "panel/NamedValues.h"
#include "platform/fake/MemoryRegistry.h"
#include "ui/Text.h"
#include "widget/PanelRig.h"

namespace quorvel::test {
namespace {

using platform::kHkeyCurrentUser;

class BlockWebsitesTest : public PanelRig {
  protected:
    void StoreSite(const std::string& keyword) {
        t.Set(store::kUrlsKey, keyword, "http://www." + keyword + ".com", platform::kRegSz);
    }
    store::NameList StoredSites() { return StoredNames(store::kUrlsKey); }
    std::string Address(const std::string& keyword) {
        return t.Get(store::kUrlsKey, keyword).ToDisplayText();
    }
    QListWidget* List() { return Control<QListWidget>("List1"); }
    store::NameList Listed() { return Items("List1"); }
    void Block(const QString& keyword) {
        Control<QLineEdit>("txtSite")->setText(keyword);
        Control<QPushButton>("Command5")->click();
    }
    store::Variant Blocking() { return t.Get(store::kSettingsKey, "Blocking"); }
};

TEST_F(BlockWebsitesTest, BlockStoresTheKeywordForTheNextSessionAndResetsTheEntry) {
    StoreSite("casino");
    ASSERT_EQ(Listed(), store::NameList{"casino"});
    EXPECT_EQ(Control<QLineEdit>("Text3")->text(), "http://www");
    EXPECT_TRUE(Control<QLineEdit>("Text3")->isReadOnly());
    Control<QLineEdit>("Text4")->setText("org");
    Block("poker");
    EXPECT_EQ(Address("poker"), "http://www.poker.org");
    EXPECT_EQ(Listed(), (store::NameList{"casino", "poker"}));
    EXPECT_EQ(StoredSites(), (store::NameList{"casino", "poker"}));
    EXPECT_EQ(Control<QLineEdit>("txtSite")->text(), "");
    EXPECT_EQ(Control<QLineEdit>("Text4")->text(), "com");
    EXPECT_FALSE(Control<QPushButton>("Command5")->isEnabled());
    EXPECT_TRUE(boxes.shown.empty());
    // What the next guest sign-in's blocker loads: the keywords, in the store's order.
    ClosePanel();
    EXPECT_EQ(forms->Get<ui::frmBlocks>().blocker().lstwindows4(),
              (store::NameList{"casino", "poker"}));
}

// What is typed against what is listed: the store holds one value per name whatever
// its letter case, and a keyword is kept without the blanks around it.
struct Typed {
    const char* what;
    const char* listed;
    const char* typed;
    bool refused;
    store::NameList after;
};

class BlockKeywordTest : public BlockWebsitesTest, public ::testing::WithParamInterface<Typed> {};

TEST_P(BlockKeywordTest, TheListAlwaysShowsWhatTheStoreHolds) {
    const Typed& c = GetParam();
    if (*c.listed) StoreSite(c.listed);
    Block(c.typed);
    if (c.refused) {
        ASSERT_EQ(boxes.texts(), std::vector<std::string>{"Website already blocked"});
        EXPECT_EQ(boxes.shown[0].flags, ui::kMbInformation);
    } else {
        EXPECT_TRUE(boxes.shown.empty());
    }
    EXPECT_EQ(Listed(), c.after);
    EXPECT_EQ(StoredSites(), c.after);
    EXPECT_EQ(Control<QLineEdit>("txtSite")->text(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BlockKeywordTest,
    ::testing::Values(Typed{"LeadingBlank", "news", " news", true, {"news"}},
                      Typed{"TrailingBlank", "news", "news ", true, {"news"}},
                      Typed{"OtherLetterCase", "news", "News", true, {"news"}},
                      Typed{"StoredTrimmed", "", "  news  ", false, {"news"}},
                      Typed{"Distinct", "news", "newsy", false, {"news", "newsy"}}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(BlockWebsitesTest, BlockStaysDisabledForBlanksAndStoresNothingForThem) {
    auto* block = Control<QPushButton>("Command5");
    EXPECT_FALSE(block->isEnabled());
    Control<QLineEdit>("txtSite")->setText("x");
    EXPECT_TRUE(block->isEnabled());
    Control<QLineEdit>("txtSite")->setText("   ");
    EXPECT_FALSE(block->isEnabled());
    Panel().findChild<ui::BlockWebsitesPage*>("fBw")->Command5_Click();
    EXPECT_TRUE(StoredSites().empty());
    EXPECT_TRUE(Listed().empty());
    EXPECT_TRUE(boxes.shown.empty());
}

// A store without the program's keys: Block and the switch say what was not stored.
TEST_F(BlockWebsitesTest, WithoutItsKeysBlockAndTheSwitchSaySo) {
    TestPlatform bare(std::make_unique<platform::MemoryRegistry>());
    ui::App app2{bare.pv, boxes, files, *forms};
    ui::BlockWebsitesPage page(app2);
    page.LoadSiteList();
    page.findChild<QLineEdit*>("txtSite")->setText("casino");
    page.Command5_Click();
    page.findChild<QCheckBox*>("Check3")->click();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].flags, ui::kMbExclamation);
    EXPECT_NE(boxes.shown[0].text.find("could not be blocked"), std::string::npos);
    EXPECT_EQ(page.findChild<QListWidget*>("List1")->count(), 0);
    EXPECT_NE(boxes.shown[1].text.find("Enable Blocking"), std::string::npos);
}

// A keyword the blocker could not read back would be stored and never block; one
// stored by another tool is said when the panel opens.
TEST_F(BlockWebsitesTest, AKeywordTooLongToBeReadBackIsRefusedOrSaid) {
    for (const auto& [name, readable] : NameLengths()) {
        boxes.shown.clear();
        Block(name);
        EXPECT_EQ(!Address(ui::ToStored(name)).empty(), readable) << name.size();
        EXPECT_EQ(boxes.texts(),
                  readable ? store::NameList{} : store::NameList{panel::kSiteTooLongMessage});
    }
    StoreSite(std::string(300, 'x'));
    const store::NameList blocked = Listed();
    boxes.shown.clear();
    ClosePanel();
    EXPECT_EQ(Listed(), blocked);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(boxes.shown[0].text.find("\"Software\\Quorvel\\URLs\" holds"), std::string::npos);
    EXPECT_NE(boxes.shown[0].text.find("a name of 300 bytes"), std::string::npos);
}

TEST_F(BlockWebsitesTest, RemoveTakesOnlyTheMarkedAndSelectAllMarksEvery) {
    for (const char* site : {"a", "b", "c", "d"}) StoreSite(site);
    ClosePanel();  // open afresh with the four listed
    auto* remove = Control<QPushButton>("Command7");
    remove->click();
    EXPECT_EQ(StoredSites(), (store::NameList{"a", "b", "c", "d"})) << "nothing marked";
    List()->item(1)->setSelected(true);
    List()->item(3)->setSelected(true);
    remove->click();
    EXPECT_EQ(StoredSites(), (store::NameList{"a", "c"}));
    EXPECT_EQ(Listed(), (store::NameList{"a", "c"}));
    // A value deleted behind the panel's back still goes from the list.
    t.pv.settings.DeleteSetting(kHkeyCurrentUser, store::kUrlsKey, "c");
    Control<QPushButton>("Command13")->click();
    remove->click();
    EXPECT_TRUE(StoredSites().empty());
    EXPECT_TRUE(Listed().empty());
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(Control<QPushButton>("Command4")->isEnabled());
}

// Stored at each click; an opening ticks the box as stored, and stores a setting
// written as text by another tool again as the number.
TEST_F(BlockWebsitesTest, EnableBlockingIsStoredAtEachClickAndShownAtTheNextOpening) {
    auto* box = Control<QCheckBox>("Check3");
    EXPECT_FALSE(box->isChecked());
    EXPECT_TRUE(Blocking().IsEmpty()) << "nothing stored by opening with the setting missing";
    const store::Variant on(std::int32_t{1}), off(std::int32_t{0});
    for (const store::Variant& clicked : {on, off, on}) {
        box->click();
        EXPECT_EQ(Blocking(), clicked);
    }
    ClosePanel();
    EXPECT_TRUE(Control<QCheckBox>("Check3")->isChecked());
    SetSetting("Blocking", store::Variant("1"), platform::kRegSz);
    ClosePanel();
    EXPECT_TRUE(Control<QCheckBox>("Check3")->isChecked());
    EXPECT_EQ(Blocking(), on);
}

}  // namespace
}  // namespace quorvel::test
