#include <gtest/gtest.h>

#include <string>

#include "StoreBackends.h"
#include "store/mdlRegistry.h"

namespace quorvel::test {
namespace {

using namespace std::string_literals;
using platform::kHkeyCurrentUser;
using store::kTimersKey;
using store::Variant;

template <class Store>
class SettingsStore : public ::testing::Test {
  protected:
    SettingsStore() { settings.CreateSettingsKey(kHkeyCurrentUser, kTimersKey); }

    Variant Read(const std::string& name, const std::string& key = kTimersKey) {
        return settings.ReadSetting(kHkeyCurrentUser, key, name);
    }
    void Write(const std::string& name, const Variant& value, std::int32_t type,
               const std::string& key = kTimersKey) {
        settings.WriteSetting(kHkeyCurrentUser, key, name, value, type);
    }
    // Stores a value of any type directly, as another tool could.
    void Put(const std::string& name, std::uint32_t type, const std::string& bytes) {
        PutRaw(store.registry, kTimersKey, name, type, bytes);
    }
    bool KeyExists(const std::string& path) {
        platform::ScopedKey key(store.registry);
        return store.registry.OpenKey(kHkeyCurrentUser, path, key.out()) == 0;
    }
    void ExpectAllKeysClosed() {
        if (const auto open = store.openHandles()) {
            EXPECT_EQ(*open, 0u);
        }
    }

    Store store;
    store::mdlRegistry settings{store.registry};
};

TYPED_TEST_SUITE(SettingsStore, StoreBackends);

TYPED_TEST(SettingsStore, TextReadsBackWithOneTrailingNul) {
    this->Write("Elapsed", "abc", 1);
    const Variant value = this->Read("Elapsed");
    ASSERT_TRUE(value.IsText());
    EXPECT_EQ(value.ToText(), "abc\0"s);
    EXPECT_EQ(value.ToText().size(), 4u);
    // Writing back what was read (a page that shows a setting and applies it again)
    // must not pile up terminators.
    this->Write("Elapsed", value, 1);
    EXPECT_EQ(this->Read("Elapsed").ToText(), "abc\0"s);
    // Empty text is its terminator alone; a number written as text is its digits.
    this->Write("LogoutTime", "", 1);
    EXPECT_EQ(this->Read("LogoutTime").ToText(), "\0"s);
    this->Write("Amount", Variant(25), 1);
    EXPECT_EQ(this->Read("Amount").ToText(), "25\0"s);
    this->ExpectAllKeysClosed();
}

TYPED_TEST(SettingsStore, NumbersAreFourLittleEndianBytesReadAsSigned) {
    this->Write("Status", 1, 4);
    EXPECT_TRUE(this->Read("Status").IsNumber());
    EXPECT_EQ(this->Read("Status"), Variant(1));
    this->Put("Continue", 4, "\xFF\xFF\xFF\xFF"s);
    EXPECT_EQ(this->Read("Continue"), Variant(-1));
    this->Put("Continue", 4, "\x01\x02\x00\x00"s);
    EXPECT_EQ(this->Read("Continue"), Variant(0x0201));
    // The text of a read converts the way the program reads numbers.
    this->Write("Status", Variant("5\0"s), 4);
    EXPECT_EQ(this->Read("Status"), Variant(5));
    this->ExpectAllKeysClosed();
}

// Other types, and a number that does not fit in 32 bits, write nothing.
TYPED_TEST(SettingsStore, TypesOtherThanTextAndNumberWriteNothing) {
    this->Write("Remind", "1", 1);
    this->Write("Status", 1, 4);
    for (const std::int32_t type : {0, 2, 3, 7, 11, -1}) {
        this->Write("Remind", "0", type);
        this->Write("Fresh", "0", type);
    }
    this->Write("Status", Variant("4294967296"), 4);
    this->Write("Status", Variant("-2147483649"), 4);
    EXPECT_EQ(this->Read("Status"), Variant(1));
    EXPECT_EQ(this->Read("Remind").ToText(), "1\0"s);
    EXPECT_TRUE(this->Read("Fresh").IsEmpty());
    platform::ScopedKey key(this->store.registry);
    ASSERT_EQ(this->store.registry.OpenKey(kHkeyCurrentUser, kTimersKey, key.out()), 0);
    EXPECT_EQ(this->settings.WriteKeyValue(key.get(), "Fresh", 3, "x"), 0);
}

TYPED_TEST(SettingsStore, WritesNeverCreateAKey) {
    const std::string absent = "Software\\Quorvel\\Absent";
    this->Write("Status", 1, 4, absent);
    this->Write("Elapsed", "0 : 0 : 1", 1, absent);
    EXPECT_FALSE(this->KeyExists(absent));
    EXPECT_TRUE(this->Read("Status", absent).IsEmpty());
    this->settings.DeleteSetting(kHkeyCurrentUser, absent, "Status");
    EXPECT_FALSE(this->KeyExists(absent));
    this->ExpectAllKeysClosed();
}

// Missing values and keys, and values of other types, read as empty.
TYPED_TEST(SettingsStore, MissingOrOtherTypedValuesReadAsEmptyAndLeaveTheOutValueAlone) {
    EXPECT_TRUE(this->Read("Nothing").IsEmpty());
    EXPECT_TRUE(this->Read("Status", "Software\\Quorvel\\Absent").IsEmpty());
    EXPECT_EQ(this->Read("Nothing").ToInt32(), 0);
    this->ExpectAllKeysClosed();
    this->Put("Blob", 3, "\x01\x02"s);
    this->Put("Expand", 2, "%PATH%"s);
    this->Put("Nothing", 0, "");
    for (const char* name : {"Blob", "Expand", "Nothing"}) {
        EXPECT_TRUE(this->Read(name).IsEmpty()) << name;
        platform::ScopedKey key(this->store.registry);
        ASSERT_EQ(this->store.registry.OpenKey(kHkeyCurrentUser, kTimersKey, key.out()), 0);
        Variant out("kept");
        EXPECT_EQ(this->settings.ReadKeyValue(key.get(), name, out), -1) << name;
        EXPECT_EQ(out, Variant("kept")) << name;
    }
}

TYPED_TEST(SettingsStore, DeletingRemovesTheValueAndAMissingOneIsSilent) {
    this->Write("Remind", "1", 1);
    this->Write("Status", 1, 4);
    this->settings.DeleteSetting(kHkeyCurrentUser, kTimersKey, "Remind");
    this->settings.DeleteSetting(kHkeyCurrentUser, kTimersKey, "Remind");
    this->settings.DeleteSetting(kHkeyCurrentUser, kTimersKey, "NeverThere");
    EXPECT_TRUE(this->Read("Remind").IsEmpty());
    EXPECT_EQ(this->Read("Status"), Variant(1));
    this->ExpectAllKeysClosed();
}

TYPED_TEST(SettingsStore, CreateSettingsKeyMakesThePathAndKeepsAnExistingKey) {
    const std::string policy = "Software\\Policies\\Microsoft\\Internet Explorer\\Restrictions";
    this->settings.CreateSettingsKey(kHkeyCurrentUser, policy);
    EXPECT_TRUE(this->KeyExists("Software\\Policies\\Microsoft"));
    this->Write("NoBrowserOptions", 1, 4, policy);
    this->settings.CreateSettingsKey(kHkeyCurrentUser, policy);
    EXPECT_EQ(this->Read("NoBrowserOptions", policy), Variant(1));
    this->ExpectAllKeysClosed();
}

TYPED_TEST(SettingsStore, AFailedReadOfTheTextEmptiesTheOutValue) {
    this->Write("Elapsed", "1 : 5 : 30", 1);
    FailingRegistry failing(this->store.registry);
    failing.failDataReads = true;
    store::mdlRegistry settings(failing);
    platform::ScopedKey key(failing);
    ASSERT_EQ(failing.OpenKey(kHkeyCurrentUser, kTimersKey, key.out()), 0);
    Variant out("stale");
    EXPECT_NE(settings.ReadKeyValue(key.get(), "Elapsed", out), 0);
    EXPECT_TRUE(out.IsEmpty());
}

}  // namespace
}  // namespace quorvel::test
