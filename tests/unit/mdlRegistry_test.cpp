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
        PutRaw(registry, kTimersKey, name, type, bytes);
    }
    bool KeyExists(const std::string& path) {
        platform::ScopedKey key(registry);
        return registry.OpenKey(kHkeyCurrentUser, path, key.out()) == 0;
    }
    // Every operation closes the keys it opened.
    void ExpectAllKeysClosed() { EXPECT_EQ(registry.openHandles(), 0u); }

    platform::MemoryRegistry registry;
    store::mdlRegistry settings{registry};
};

TEST_F(SettingsStore, TextReadsBackWithOneTrailingNul) {
    Write("Elapsed", "abc", 1);
    const Variant value = Read("Elapsed");
    ASSERT_TRUE(value.IsText());
    EXPECT_EQ(value.ToText(), "abc\0"s);
    EXPECT_EQ(value.ToText().size(), 4u);
    // Writing back what was read (a page that shows a setting and applies it again)
    // must not pile up terminators.
    Write("Elapsed", value, 1);
    EXPECT_EQ(Read("Elapsed").ToText(), "abc\0"s);
    // Empty text is its terminator alone; a number written as text is its digits.
    Write("LogoutTime", "", 1);
    EXPECT_EQ(Read("LogoutTime").ToText(), "\0"s);
    Write("Amount", Variant(25), 1);
    EXPECT_EQ(Read("Amount").ToText(), "25\0"s);
    ExpectAllKeysClosed();
}

TEST_F(SettingsStore, NumbersAreFourLittleEndianBytesReadAsSigned) {
    Write("Status", 1, 4);
    EXPECT_TRUE(Read("Status").IsNumber());
    EXPECT_EQ(Read("Status"), Variant(1));
    Put("Continue", 4, "\xFF\xFF\xFF\xFF"s);
    EXPECT_EQ(Read("Continue"), Variant(-1));
    Put("Continue", 4, "\x01\x02\x00\x00"s);
    EXPECT_EQ(Read("Continue"), Variant(0x0201));
    // The text of a read converts the way the program reads numbers.
    Write("Status", Variant("5\0"s), 4);
    EXPECT_EQ(Read("Status"), Variant(5));
    ExpectAllKeysClosed();
}

// Other types, and a number that does not fit in 32 bits, write nothing.
TEST_F(SettingsStore, TypesOtherThanTextAndNumberWriteNothing) {
    Write("Remind", "1", 1);
    Write("Status", 1, 4);
    for (const std::int32_t type : {0, 2, 3, 7, 11, -1}) {
        Write("Remind", "0", type);
        Write("Fresh", "0", type);
    }
    Write("Status", Variant("4294967296"), 4);
    Write("Status", Variant("-2147483649"), 4);
    EXPECT_EQ(Read("Status"), Variant(1));
    EXPECT_EQ(Read("Remind").ToText(), "1\0"s);
    EXPECT_TRUE(Read("Fresh").IsEmpty());
    platform::ScopedKey key(registry);
    ASSERT_EQ(registry.OpenKey(kHkeyCurrentUser, kTimersKey, key.out()), 0);
    EXPECT_EQ(settings.WriteKeyValue(key.get(), "Fresh", 3, "x"), 0);
}

// Writes and deletes never make a key; CreateSettingsKey makes the whole path and keeps
// a key that is there with its values.
TEST_F(SettingsStore, OnlyCreateSettingsKeyMakesAKey) {
    const std::string absent = "Software\\Quorvel\\Absent";
    Write("Status", 1, 4, absent);
    Write("Elapsed", "0 : 0 : 1", 1, absent);
    settings.DeleteSetting(kHkeyCurrentUser, absent, "Status");
    EXPECT_FALSE(KeyExists(absent));
    EXPECT_TRUE(Read("Status", absent).IsEmpty());

    const std::string policy = "Software\\Policies\\Microsoft\\Internet Explorer\\Restrictions";
    settings.CreateSettingsKey(kHkeyCurrentUser, policy);
    EXPECT_TRUE(KeyExists("Software\\Policies\\Microsoft"));
    Write("NoBrowserOptions", 1, 4, policy);
    settings.CreateSettingsKey(kHkeyCurrentUser, policy);
    EXPECT_EQ(Read("NoBrowserOptions", policy), Variant(1));
    ExpectAllKeysClosed();
}

// Missing values and keys, and values of other types, read as empty.
TEST_F(SettingsStore, MissingOrOtherTypedValuesReadAsEmptyAndLeaveTheOutValueAlone) {
    EXPECT_TRUE(Read("Nothing").IsEmpty());
    EXPECT_TRUE(Read("Status", "Software\\Quorvel\\Absent").IsEmpty());
    EXPECT_EQ(Read("Nothing").ToInt32(), 0);
    ExpectAllKeysClosed();
    Put("Blob", 3, "\x01\x02"s);
    Put("Expand", 2, "%PATH%"s);
    Put("Nothing", 0, "");
    for (const char* name : {"Blob", "Expand", "Nothing"}) {
        EXPECT_TRUE(Read(name).IsEmpty()) << name;
        platform::ScopedKey key(registry);
        ASSERT_EQ(registry.OpenKey(kHkeyCurrentUser, kTimersKey, key.out()), 0);
        Variant out("kept");
        EXPECT_EQ(settings.ReadKeyValue(key.get(), name, out), -1) << name;
        EXPECT_EQ(out, Variant("kept")) << name;
    }
}

TEST_F(SettingsStore, DeletingRemovesTheValueAndAMissingOneIsSilent) {
    Write("Remind", "1", 1);
    Write("Status", 1, 4);
    settings.DeleteSetting(kHkeyCurrentUser, kTimersKey, "Remind");
    settings.DeleteSetting(kHkeyCurrentUser, kTimersKey, "Remind");
    settings.DeleteSetting(kHkeyCurrentUser, kTimersKey, "NeverThere");
    EXPECT_TRUE(Read("Remind").IsEmpty());
    EXPECT_EQ(Read("Status"), Variant(1));
    ExpectAllKeysClosed();
}

TEST_F(SettingsStore, AFailedReadOfTheTextEmptiesTheOutValue) {
    Write("Elapsed", "1 : 5 : 30", 1);
    FailingRegistry failing(registry);
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
