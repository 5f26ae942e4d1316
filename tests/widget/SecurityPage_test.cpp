// The Security tab over the settings store: what Apply leaves in the four policy keys,
// what the next opening shows, and what is said when the store refuses a change.
#include "panel/SecurityPage.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include <numeric>

#include <gtest/gtest.h>

#include "panel/SecurityPolicies.h"
#include "unit/StoreBackends.h"
#include "widget/PanelRig.h"

namespace quorvel::test {
namespace {

using panel::kPolicies;
using panel::kPolicyCount;
using platform::kHkeyCurrentUser;

class SecurityTest : public PanelRig {
  protected:
    QCheckBox* Box(int i) { return Control<QCheckBox>(kPolicies[i].box); }
    store::Variant Stored(int i) { return t.Get(kPolicies[i].key, kPolicies[i].value); }
    void Store(int i, const store::Variant& value, std::uint32_t type = platform::kRegDword) {
        t.pv.settings.CreateSettingsKey(kHkeyCurrentUser, kPolicies[i].key);
        t.Set(kPolicies[i].key, kPolicies[i].value, value, static_cast<std::int32_t>(type));
    }
    bool KeyExists(const char* path) {
        platform::ScopedKey key(*t.registry);
        return t.registry->OpenKey(kHkeyCurrentUser, path, key.out()) == platform::kErrorSuccess;
    }
    // Apply, and the one message it showed.
    RecordingMessageBoxes::Shown Apply() {
        boxes.shown.clear();
        Control<QPushButton>("Command2")->click();
        EXPECT_EQ(boxes.shown.size(), 1u);
        return boxes.shown.empty() ? RecordingMessageBoxes::Shown{} : boxes.shown.back();
    }
    static void ExpectApplied(const RecordingMessageBoxes::Shown& shown) {
        EXPECT_EQ(shown.text, "Changes have sucessfully been made to your computer");
        EXPECT_EQ(shown.flags, ui::kMbInformation);
        EXPECT_EQ(shown.title, "Quorvel (DE)");
    }
    std::vector<store::Variant> AllStored() {
        std::vector<store::Variant> all;
        for (int i = 0; i < kPolicyCount; ++i) all.push_back(Stored(i));
        return all;
    }
};

const store::Variant kOne(std::int32_t{1});
const char* const kPolicyKeys[] = {panel::kExplorerPolicies, panel::kSystemPolicies,
                                   panel::kBrowserControlPanelPolicies,
                                   panel::kBrowserRestrictions};

// On a clean store the first Apply makes the four keys; every Apply sets each ticked
// value to 1 and deletes each cleared one, a second Apply leaves what the first left,
// and the next opening shows it. Closing without Apply stores nothing.
TEST_F(SecurityTest, ApplySetsEveryTickedValueToOneAndDeletesEveryClearedOne) {
    for (const char* key : kPolicyKeys) ASSERT_FALSE(KeyExists(key)) << key;
    const std::vector<int> all = [] {
        std::vector<int> every(kPolicyCount);
        std::iota(every.begin(), every.end(), 0);
        return every;
    }();
    for (const std::vector<int>& ticked :
         {all, std::vector<int>{0, 5, 9, 13, 17}, std::vector<int>{}}) {
        const auto isTicked = [&](int i) {
            return std::count(ticked.begin(), ticked.end(), i) == 1;
        };
        for (int i = 0; i < kPolicyCount; ++i)
            if (Box(i)->isChecked() != isTicked(i)) Box(i)->click();
        ExpectApplied(Apply());
        const auto once = AllStored();
        for (int i = 0; i < kPolicyCount; ++i)
            EXPECT_EQ(once[i], isTicked(i) ? kOne : store::Variant()) << kPolicies[i].value;
        ExpectApplied(Apply());
        EXPECT_EQ(AllStored(), once);
        ClosePanel();
        for (int i = 0; i < kPolicyCount; ++i)
            EXPECT_EQ(Box(i)->isChecked(), isTicked(i)) << kPolicies[i].box;
    }
    for (const char* key : kPolicyKeys) EXPECT_TRUE(KeyExists(key)) << key;
    Box(0)->click();
    ClosePanel();
    EXPECT_FALSE(Box(0)->isChecked());
    EXPECT_TRUE(Stored(0).IsEmpty());
}

// What another tool may have left in a policy value, and how the box shows it.
struct Found {
    const char* what;
    store::Variant value;
    std::uint32_t type;
    bool ticked;
};

class SecurityLoadTest : public SecurityTest, public ::testing::WithParamInterface<Found> {};

TEST_P(SecurityLoadTest, OnlyTheNumberOneTicksAndALeftClearedBoxDeletesWhatWasThere) {
    const int i = 4;  // "Hide Background Page"
    Store(i, GetParam().value, GetParam().type);
    EXPECT_EQ(Box(i)->isChecked(), GetParam().ticked);
    for (int other = 0; other < kPolicyCount; ++other) {
        if (other != i) {
            EXPECT_FALSE(Box(other)->isChecked()) << kPolicies[other].box;
        }
    }
    ExpectApplied(Apply());
    EXPECT_EQ(Stored(i), GetParam().ticked ? kOne : store::Variant());
}

INSTANTIATE_TEST_SUITE_P(Values, SecurityLoadTest,
                         ::testing::Values(Found{"DwordOne", kOne, platform::kRegDword, true},
                                           Found{"DwordTwo", store::Variant(std::int32_t{2}),
                                                 platform::kRegDword, false},
                                           Found{"DwordZero", store::Variant(std::int32_t{0}),
                                                 platform::kRegDword, false},
                                           Found{"TextOne", store::Variant("1"), platform::kRegSz,
                                                 false}),
                         [](const auto& info) { return std::string(info.param.what); });

TEST_F(SecurityTest, RestrictionsTheStoreRefusedAreNamedAndTheRestIsApplied) {
    auto inner = MakeProvisionedMemoryRegistry();
    const store::mdlRegistry innerSettings(*inner);
    innerSettings.CreateSettingsKey(kHkeyCurrentUser, panel::kBrowserRestrictions);
    innerSettings.WriteSetting(kHkeyCurrentUser, panel::kBrowserRestrictions, "NoHelpMenu", kOne,
                               platform::kRegDword);
    auto refusing = std::make_unique<FailingRegistry>(*inner);
    // A value the account may not set, and a stored one it may not delete.
    refusing->refusedNames = {"NoFind", "NoHelpMenu"};
    TestPlatform bare(std::move(refusing));
    ui::App app2{bare.pv, boxes, files, *forms};
    ui::SecurityPage page(app2);
    page.LoadSecurityPolicies();
    for (const char* name : {"runmenu", "findmenu", "helpmenu"})
        page.findChild<QCheckBox*>(name)->click();
    ASSERT_FALSE(page.findChild<QCheckBox*>("helpmenu")->isChecked());
    page.Command2_Click();

    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].flags, ui::kMbExclamation);
    const std::string& report = boxes.shown[0].text;
    EXPECT_EQ(report.find("sucessfully"), std::string::npos) << report;
    for (const char* named : {"Remove Find Menu", "Disable Help Menu"})
        EXPECT_NE(report.find(named), std::string::npos) << named << " in: " << report;
    // Applied, and so not named: a ticked box, and cleared ones whose values were not
    // there to delete.
    for (const char* applied : {"Remove Run Menu", "Disable Favorites", "Hide Settings Page"})
        EXPECT_EQ(report.find(applied), std::string::npos) << applied << " in: " << report;
    EXPECT_EQ(innerSettings.ReadSetting(kHkeyCurrentUser, panel::kExplorerPolicies, "NoRun"), kOne);
}

}  // namespace
}  // namespace quorvel::test
