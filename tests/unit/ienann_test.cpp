#include <gtest/gtest.h>

#include <string>

#include "StoreBackends.h"
#include "store/ienann.h"
#include "store/mdlRegistry.h"

namespace quorvel::test {
namespace {

using namespace std::string_literals;
using platform::kHkeyCurrentUser;
using store::kUrlsKey;
using store::NameList;

class NameLists : public ::testing::Test {
  protected:
    NameLists() { settings.CreateSettingsKey(kHkeyCurrentUser, kUrlsKey); }

    void Put(const std::string& name, std::uint32_t type, const std::string& bytes) {
        PutRaw(registry, kUrlsKey, name, type, bytes);
    }
    NameList Load(const std::string& path = kUrlsKey) {
        NameList list = {"left over"};
        store::LoadNameList(registry, kHkeyCurrentUser, path, list);
        return list;
    }

    platform::MemoryRegistry registry;
    store::mdlRegistry settings{registry};
};

// The default value is listed as an empty name; long data is still listed. (The
// in-memory store enumerates in the order values were first written.)
TEST_F(NameLists, ListsTheNamesOfValuesWithDataInStoreOrder) {
    Put("", 1, "default");
    settings.WriteSetting(kHkeyCurrentUser, kUrlsKey, "games", "http://games/", 1);
    Put("long-address", 1, "http://" + std::string(400, 'a') + "/");
    Put("zero-length", 3, "");
    Put("none", 0, "");
    settings.WriteSetting(kHkeyCurrentUser, kUrlsKey, "chat", "http://chat/", 1);
    Put("flag", 4, "\x01\x00\x00\x00"s);
    // Empty text still holds its terminator, so it has data.
    settings.WriteSetting(kHkeyCurrentUser, kUrlsKey, "blank", "", 1);
    const NameList list = Load();
    EXPECT_EQ(list, (NameList{"", "games", "long-address", "chat", "flag", "blank"}));
    // Loading again gives the same list, not a doubled one.
    EXPECT_EQ(Load(), list);
}

TEST_F(NameLists, AMissingKeyOrAKeyWithoutValuesGivesAnEmptyList) {
    EXPECT_TRUE(Load().empty());
    EXPECT_TRUE(Load("Software\\Quorvel\\Absent").empty());
    EXPECT_EQ(registry.openHandles(), 0u);
}

// A name too long for the loader's buffer is left out, the rest listed, and what was
// left out said, so the panel can tell the owner (the in-memory store reports a long
// name's length as the file store does).
TEST_F(NameLists, EachNameTooLongIsLeftOutAndReportedWithItsPlaceAndLength) {
    for (const std::string& name : {std::string(254, 'f'), std::string(255, 't'),
                                    std::string("after"), std::string(300, 'l')})
        Put(name, 1, "x");
    NameList list;
    EXPECT_EQ(store::LoadNameList(registry, kHkeyCurrentUser, kUrlsKey, list),
              (store::SkippedNames{{1, 255}, {3, 300}}));
    EXPECT_EQ(list, (NameList{std::string(254, 'f'), "after"}));
}

TEST_F(NameLists, AStoreThatFailsEveryEnumerationEndsTheLoad) {
    Put("games", 1, "x");
    FailingRegistry failing(registry);
    failing.enumStatus = platform::kErrorRegistryIo;
    NameList list = {"left over"};
    store::LoadNameList(failing, kHkeyCurrentUser, kUrlsKey, list);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(failing.enumCalls, 1);
}

}  // namespace
}  // namespace quorvel::test
