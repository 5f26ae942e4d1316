#include <gtest/gtest.h>

#include <string>

#include "StoreBackends.h"
#include "store/ienann.h"
#include "store/mdlRegistry.h"
#include "support/TestPlatform.h"

namespace quorvel::test {
namespace {

using namespace std::string_literals;
using platform::kHkeyCurrentUser;
using store::kUrlsKey;
using store::NameList;

template <class Store>
class NameLists : public ::testing::Test {
  protected:
    NameLists() { settings.CreateSettingsKey(kHkeyCurrentUser, kUrlsKey); }

    void Put(const std::string& name, std::uint32_t type, const std::string& bytes) {
        PutRaw(store.registry, kUrlsKey, name, type, bytes);
    }
    NameList Load(const std::string& path = kUrlsKey) {
        NameList list = {"left over"};
        store::LoadNameList(store.registry, kHkeyCurrentUser, path, list);
        return list;
    }

    Store store;
    store::mdlRegistry settings{store.registry};
};

TYPED_TEST_SUITE(NameLists, StoreBackends);

// The default value is listed as an empty name; long data is still listed.
TYPED_TEST(NameLists, ListsTheNamesOfValuesWithDataInStoreOrder) {
    this->Put("", 1, "default");
    this->settings.WriteSetting(kHkeyCurrentUser, kUrlsKey, "games", "http://games/", 1);
    this->Put("long-address", 1, "http://" + std::string(400, 'a') + "/");
    this->Put("zero-length", 3, "");
    this->Put("none", 0, "");
    this->settings.WriteSetting(kHkeyCurrentUser, kUrlsKey, "chat", "http://chat/", 1);
    this->Put("flag", 4, "\x01\x00\x00\x00"s);
    // Empty text still holds its terminator, so it has data.
    this->settings.WriteSetting(kHkeyCurrentUser, kUrlsKey, "blank", "", 1);
    const NameList list = this->Load();
    EXPECT_EQ(list, InStoreOrder(this->store.registry, kUrlsKey,
                                 {"", "games", "long-address", "chat", "flag", "blank"}));
    // Loading again gives the same list, not a doubled one.
    EXPECT_EQ(this->Load(), list);
}

TYPED_TEST(NameLists, AMissingKeyOrAKeyWithoutValuesGivesAnEmptyList) {
    EXPECT_TRUE(this->Load().empty());
    EXPECT_TRUE(this->Load("Software\\Quorvel\\Absent").empty());
    if (const auto open = this->store.openHandles()) {
        EXPECT_EQ(*open, 0u);
    }
}

TYPED_TEST(NameLists, ANameTooLongForTheNameBufferIsLeftOutAndTheRestListed) {
    const std::string fits(254, 'f');
    const std::string tooLong(255, 't');
    this->Put(fits, 1, "x");
    this->Put(tooLong, 1, "x");
    this->Put("after", 1, "x");
    EXPECT_EQ(this->Load(), InStoreOrder(this->store.registry, kUrlsKey, {fits, "after"}));
}

// The loader says what it left out, so the panel can tell the owner (the in-memory
// store reports a long name's length as the file store does).
TEST(NameListSkips, EachNameTooLongIsReportedWithItsPlaceAndLength) {
    MemoryStore store;
    store::mdlRegistry(store.registry).CreateSettingsKey(kHkeyCurrentUser, kUrlsKey);
    for (const std::string& name : {std::string(254, 'f'), std::string(255, 't'),
                                    std::string("after"), std::string(300, 'l')})
        PutRaw(store.registry, kUrlsKey, name, 1, "x");
    NameList list;
    EXPECT_EQ(store::LoadNameList(store.registry, kHkeyCurrentUser, kUrlsKey, list),
              (store::SkippedNames{{1, 255}, {3, 300}}));
    EXPECT_EQ(list, (NameList{std::string(254, 'f'), "after"}));
}

TYPED_TEST(NameLists, AStoreThatFailsEveryEnumerationEndsTheLoad) {
    this->Put("games", 1, "x");
    FailingRegistry failing(this->store.registry);
    failing.enumStatus = platform::kErrorRegistryIo;
    NameList list = {"left over"};
    store::LoadNameList(failing, kHkeyCurrentUser, kUrlsKey, list);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(failing.enumCalls, 1);
}

TEST(publicVarLists, EachLoaderFillsItsOwnList) {
    TestPlatform platform;
    auto& pv = platform.pv;
    pv.settings.WriteSetting(kHkeyCurrentUser, store::kProgramsKey, "Notepad", "C:\\n.exe", 1);
    pv.settings.WriteSetting(kHkeyCurrentUser, kUrlsKey, "games", "http://games/", 1);
    pv.LoadProgramList(kHkeyCurrentUser, store::kProgramsKey);
    EXPECT_EQ(pv.ProgramList, NameList{"Notepad"});
    EXPECT_TRUE(pv.SiteList.empty());
    pv.LoadSiteList(kHkeyCurrentUser, kUrlsKey);
    EXPECT_EQ(pv.SiteList, NameList{"games"});
    EXPECT_EQ(pv.ProgramList, NameList{"Notepad"});
}

}  // namespace
}  // namespace quorvel::test
