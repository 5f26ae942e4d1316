// The Timer Programs tab over the settings store: the Add frame's enable rules, Save
// and Delete against "Software\Quorvel\Programs", and the shared Open dialog.
#include "panel/TimerProgramsPage.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

#include "panel/NamedValues.h"
#include "platform/fake/MemoryRegistry.h"
#include "ui/Text.h"
#include "widget/PanelRig.h"

namespace quorvel::test {
namespace {

using platform::kHkeyCurrentUser;

class TimerProgramsTest : public PanelRig {
  protected:
    void StoreProgram(const std::string& name, const std::string& path) {
        t.Set(store::kProgramsKey, name, path, platform::kRegSz);
    }
    store::NameList Stored() { return StoredNames(store::kProgramsKey); }
    std::string Path(const std::string& name) {
        return t.Get(store::kProgramsKey, name).ToDisplayText();
    }
    QListWidget* List() { return Control<QListWidget>("combo1"); }
    store::NameList Listed() { return Items("combo1"); }
    QLineEdit* Name() { return Control<QLineEdit>("txtname"); }
    QLineEdit* Location() { return Control<QLineEdit>("txtloct"); }
    QPushButton* Button(const char* name) { return Control<QPushButton>(name); }
    // Browse, Save and Refresh: which are enabled.
    std::vector<bool> Enabled() {
        return {Button("cmdbrowse")->isEnabled(), Button("cmdsave")->isEnabled(),
                Button("cmdcancel")->isEnabled()};
    }
    void Save(const QString& name, const QString& path) {
        Name()->setText(name);
        Location()->setText(path);
        Button("cmdsave")->click();
    }
};

using Enables = std::vector<bool>;

// The Add frame's buttons follow what is typed; Save stores the program, appends it to
// the list and clears the boxes.
TEST_F(TimerProgramsTest, TheAddFramesButtonsFollowWhatIsTypedAndSaveAppendsTheProgram) {
    StoreProgram("Browser", "/usr/bin/browser");
    ASSERT_EQ(Listed(), store::NameList{"Browser"});
    EXPECT_EQ(Enabled(), (Enables{false, false, false}));
    EXPECT_TRUE(Button("cmddel")->isEnabled());
    Name()->setText("Editor");
    EXPECT_EQ(Enabled(), (Enables{true, false, true}));
    Location()->setText("/usr/bin/editor");
    EXPECT_EQ(Enabled(), (Enables{true, true, true}));
    // A name of blanks only is never saved.
    Name()->setText("   ");
    EXPECT_EQ(Enabled(), (Enables{true, false, true}));
    Name()->clear();
    EXPECT_EQ(Enabled(), (Enables{false, false, false}));
    Name()->setText("Editor");
    Button("cmdcancel")->click();
    EXPECT_EQ(Name()->text(), "");
    EXPECT_EQ(Location()->text(), "");
    EXPECT_EQ(Enabled(), (Enables{false, false, false}));

    Save("Editor", "/usr/bin/editor");
    EXPECT_EQ(Path("Editor"), "/usr/bin/editor");
    EXPECT_EQ(Listed(), (store::NameList{"Browser", "Editor"}));
    EXPECT_EQ(Name()->text(), "");
    EXPECT_EQ(Location()->text(), "");
    EXPECT_TRUE(boxes.shown.empty());
}

// Names the store holds as one: refused, whatever the list showed when the panel opened.
struct Taken {
    const char* what;
    const char* stored;
    const char* typed;
};

class ProgramNameTakenTest : public TimerProgramsTest,
                             public ::testing::WithParamInterface<Taken> {};

TEST_P(ProgramNameTakenTest, IsRefusedAndTheStoredPathKept) {
    Panel();
    // Stored after the panel opened: Save looks at the store, not at the list.
    StoreProgram(GetParam().stored, "/usr/bin/first");
    Save(GetParam().typed, "/usr/bin/second");
    ASSERT_EQ(boxes.texts(), std::vector<std::string>{"Name already exixts"});
    EXPECT_EQ(boxes.shown[0].flags, ui::kMbInformation);
    EXPECT_EQ(Path(GetParam().stored), "/usr/bin/first");
    EXPECT_EQ(Stored(), store::NameList{GetParam().stored});
    EXPECT_EQ(Name()->text(), "") << "the boxes are cleared either way";
}

INSTANTIATE_TEST_SUITE_P(Cases, ProgramNameTakenTest,
                         ::testing::Values(Taken{"Same", "Editor", "Editor"},
                                           Taken{"Blanks", "Editor", "  Editor "},
                                           Taken{"LetterCase", "Editor", "EDITOR"}),
                         [](const auto& info) { return std::string(info.param.what); });

// A name Quick Launch could not read back would be saved and never offered.
TEST_F(TimerProgramsTest, ANameTooLongToBeReadBackIsRefused) {
    for (const auto& [name, readable] : NameLengths()) {
        boxes.shown.clear();
        Save(name, "/usr/bin/editor");
        EXPECT_EQ(Path(ui::ToStored(name)).empty(), !readable) << name.size();
        EXPECT_EQ(boxes.texts(),
                  readable ? store::NameList{} : store::NameList{panel::kProgramTooLongMessage});
    }
    EXPECT_EQ(Listed(), Stored());
}

TEST_F(TimerProgramsTest, WithoutItsKeySaveSaysSoAndListsNothing) {
    TestPlatform bare(std::make_unique<platform::MemoryRegistry>());
    ui::App app2{bare.pv, boxes, files, *forms};
    ui::TimerProgramsPage page(app2);
    page.LoadProgramList();
    page.findChild<QLineEdit*>("txtname")->setText("Editor");
    page.findChild<QLineEdit*>("txtloct")->setText("/usr/bin/editor");
    page.cmdsave_Click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].flags, ui::kMbExclamation);
    EXPECT_NE(boxes.shown[0].text.find("could not be saved"), std::string::npos);
    EXPECT_EQ(page.findChild<QListWidget*>("combo1")->count(), 0);
}

TEST_F(TimerProgramsTest, BrowseStartsAtTheStoredFolderAndCancelKeepsTheLocation) {
    SetSetting("LoginScr", store::Variant("/srv/pictures/login.jpg"), platform::kRegSz);
    Name()->setText("Editor");
    files.picks = {"/usr/bin/editor", ""};
    Button("cmdbrowse")->click();
    EXPECT_EQ(Location()->text(), "/usr/bin/editor");
    Button("cmdbrowse")->click();
    EXPECT_EQ(Location()->text(), "/usr/bin/editor");
    ASSERT_EQ(files.opened.size(), 2u);
    EXPECT_EQ(files.opened[0].startFolder, "/srv/pictures/login.jpg");
    EXPECT_EQ(files.opened[0].filter, panel::ProgramFilter());
    EXPECT_TRUE(Button("cmdsave")->isEnabled());
}

TEST_F(TimerProgramsTest, DeleteRemovesEveryMarkedProgramAndNoneMarkedOnlyClearsTheBoxes) {
    for (const char* name : {"A", "B", "C"}) StoreProgram(name, std::string("/usr/bin/") + name);
    Name()->setText("typed");
    Button("cmddel")->click();
    EXPECT_EQ(Stored(), (store::NameList{"A", "B", "C"}));
    EXPECT_EQ(Name()->text(), "");
    List()->item(0)->setSelected(true);
    List()->item(2)->setSelected(true);
    Button("cmddel")->click();
    EXPECT_EQ(Stored(), store::NameList{"B"});
    EXPECT_EQ(Listed(), store::NameList{"B"});
    EXPECT_TRUE(boxes.shown.empty());
}

}  // namespace
}  // namespace quorvel::test
