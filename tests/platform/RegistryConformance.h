#pragma once
// What the settings store and the list loader rely on from a registry backend,
// written once and run over every backend. Each backend's factory gives a Registry
// and a fresh base path under HKEY_CURRENT_USER to work in.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace quorvel::test {

using namespace platform;

template <class Factory>
class RegistryConformance : public ::testing::Test {
  protected:
    Factory factory;
    Registry& reg() { return factory.registry(); }
    std::string Path(const std::string& sub) { return factory.base() + "\\" + sub; }

    RegKey Create(const std::string& sub) {
        RegKey key = 0;
        EXPECT_EQ(reg().CreateKey(kHkeyCurrentUser, Path(sub), key), kErrorSuccess) << sub;
        return key;
    }
    void SetText(RegKey key, const std::string& name, const std::string& text) {
        ASSERT_EQ(
            reg().SetValue(key, name, kRegSz, reinterpret_cast<const std::uint8_t*>(text.data()),
                           static_cast<std::uint32_t>(text.size())),
            kErrorSuccess);
    }
    // The stored bytes of a value, as a query with a large enough buffer gives them.
    bool Query(RegKey key, const std::string& name, std::uint32_t& type, std::string& bytes) {
        std::uint32_t size = 0;
        if (reg().QueryValue(key, name, &type, nullptr, &size) != kErrorSuccess) return false;
        std::vector<std::uint8_t> buffer(size + 1, 0xEE);
        if (reg().QueryValue(key, name, &type, buffer.data(), &size) != kErrorSuccess) return false;
        bytes.assign(reinterpret_cast<const char*>(buffer.data()), size);
        return true;
    }
    std::vector<std::string> EnumNames(RegKey key) {
        std::vector<std::string> names;
        for (std::uint32_t i = 0;; ++i) {
            char name[20000];
            std::uint32_t len = sizeof name;
            const auto rc = reg().EnumValue(key, i, name, &len, nullptr, nullptr, nullptr);
            if (rc == kErrorNoMoreItems) break;
            EXPECT_EQ(rc, kErrorSuccess);
            if (rc != kErrorSuccess || i > 1000) break;
            names.emplace_back(name, len);
        }
        return names;
    }
};

TYPED_TEST_SUITE_P(RegistryConformance);

TYPED_TEST_P(RegistryConformance, OpeningAMissingKeyFailsWithHandleZero) {
    RegKey key = 12345;
    EXPECT_NE(this->reg().OpenKey(kHkeyCurrentUser, this->Path("Absent\\Deeper"), key),
              kErrorSuccess);
    EXPECT_EQ(key, 0u);
    // Every operation on handle 0 fails and leaves nothing behind.
    const std::uint8_t byte = 'x';
    EXPECT_NE(this->reg().SetValue(0, "v", kRegSz, &byte, 1), kErrorSuccess);
    std::uint32_t type = 0, size = 0;
    EXPECT_NE(this->reg().QueryValue(0, "v", &type, nullptr, &size), kErrorSuccess);
    EXPECT_NE(this->reg().DeleteValue(0, "v"), kErrorSuccess);
    EXPECT_EQ(this->reg().OpenKey(kHkeyCurrentUser, this->Path("Absent"), key), kErrorFileNotFound);
}

TYPED_TEST_P(RegistryConformance, CreateMakesEveryMissingKeyAndReopensExistingOnes) {
    RegKey deep = this->Create("A\\B\\C");
    ASSERT_NE(deep, 0u);
    this->SetText(deep, "v", "deep");
    this->reg().CloseKey(deep);
    for (const char* sub : {"A", "A\\B", "A\\B\\C"}) {
        RegKey key = 0;
        EXPECT_EQ(this->reg().OpenKey(kHkeyCurrentUser, this->Path(sub), key), kErrorSuccess)
            << sub;
        this->reg().CloseKey(key);
    }
    // Creating an existing key opens it with its values intact.
    RegKey again = this->Create("A\\B\\C");
    std::uint32_t type = 0;
    std::string bytes;
    ASSERT_TRUE(this->Query(again, "v", type, bytes));
    EXPECT_EQ(bytes.substr(0, 4), "deep");
    this->reg().CloseKey(again);
}

TYPED_TEST_P(RegistryConformance, TextSizeCountsItsTerminatorAndSmallBuffersAskForMore) {
    RegKey key = this->Create("Text");
    this->SetText(key, "abc", "abc");
    std::uint32_t type = 0, size = 0;
    ASSERT_EQ(this->reg().QueryValue(key, "abc", &type, nullptr, &size), kErrorSuccess);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(size, 4u);
    std::uint8_t small[2] = {};
    size = sizeof small;
    EXPECT_EQ(this->reg().QueryValue(key, "abc", &type, small, &size), kErrorMoreData);
    EXPECT_EQ(size, 4u);
    std::string bytes;
    ASSERT_TRUE(this->Query(key, "abc", type, bytes));
    EXPECT_EQ(bytes, std::string("abc\0", 4));
    // Empty text still reads back as its terminator alone.
    this->SetText(key, "empty", "");
    ASSERT_TRUE(this->Query(key, "empty", type, bytes));
    EXPECT_EQ(bytes, std::string("\0", 1));
    // Overwriting replaces type and data.
    const std::uint8_t dword[4] = {7, 0, 0, 0};
    ASSERT_EQ(this->reg().SetValue(key, "abc", kRegDword, dword, 4), kErrorSuccess);
    ASSERT_TRUE(this->Query(key, "abc", type, bytes));
    EXPECT_EQ(type, kRegDword);
    EXPECT_EQ(bytes, std::string("\7\0\0\0", 4));
    this->reg().CloseKey(key);
}

TYPED_TEST_P(RegistryConformance, ValuesOfEveryTypeCodeKeepTheirTypeAndBytes) {
    RegKey key = this->Create("Types");
    const std::string binary("\x00\x01\xFF\x10", 4);
    const std::uint8_t minusOne[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    ASSERT_EQ(this->reg().SetValue(key, "bin", kRegBinary,
                                   reinterpret_cast<const std::uint8_t*>(binary.data()), 4),
              kErrorSuccess);
    ASSERT_EQ(this->reg().SetValue(key, "dw", kRegDword, minusOne, 4), kErrorSuccess);
    ASSERT_EQ(this->reg().SetValue(key, "none", kRegNone, nullptr, 0), kErrorSuccess);
    std::uint32_t type = 0;
    std::string bytes;
    ASSERT_TRUE(this->Query(key, "bin", type, bytes));
    EXPECT_EQ(type, kRegBinary);
    EXPECT_EQ(bytes, binary);
    ASSERT_TRUE(this->Query(key, "dw", type, bytes));
    EXPECT_EQ(type, kRegDword);
    EXPECT_EQ(bytes, std::string("\xFF\xFF\xFF\xFF", 4));
    ASSERT_TRUE(this->Query(key, "none", type, bytes));
    EXPECT_EQ(type, kRegNone);
    EXPECT_EQ(bytes, "");
    this->reg().CloseKey(key);
}

TYPED_TEST_P(RegistryConformance, DeletingRemovesOnlyThatValue) {
    RegKey key = this->Create("Delete");
    this->SetText(key, "keep", "1");
    this->SetText(key, "drop", "2");
    EXPECT_EQ(this->reg().DeleteValue(key, "drop"), kErrorSuccess);
    EXPECT_NE(this->reg().DeleteValue(key, "drop"), kErrorSuccess);
    std::uint32_t type = 0, size = 0;
    EXPECT_EQ(this->reg().QueryValue(key, "drop", &type, nullptr, &size), kErrorFileNotFound);
    EXPECT_EQ(this->reg().QueryValue(key, "keep", &type, nullptr, &size), kErrorSuccess);
    this->reg().CloseKey(key);
}

// Backends may enumerate in insertion order or alphabetically (Wine does); the
// program relies only on every value being listed once, in the same order each time.
TYPED_TEST_P(RegistryConformance, EnumerationListsEveryValueOnceInAStableOrder) {
    RegKey key = this->Create("Enum");
    for (const char* name : {"zeta", "alpha", "", "mid"}) this->SetText(key, name, name);
    const auto first = this->EnumNames(key);
    this->SetText(key, "alpha", "changed");  // an update must not move or double it
    const auto second = this->EnumNames(key);
    EXPECT_EQ(first, second);
    EXPECT_EQ(std::multiset<std::string>(first.begin(), first.end()),
              (std::multiset<std::string>{"", "alpha", "mid", "zeta"}));

    // Data sizes as reported by the enumeration; a name buffer too small is refused.
    char name[255];
    std::uint32_t nameLen = sizeof name, dataSize = 255, type = 0;
    std::uint8_t data[255];
    ASSERT_EQ(this->reg().EnumValue(key, 0, name, &nameLen, &type, data, &dataSize), kErrorSuccess);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(dataSize, std::strlen(reinterpret_cast<char*>(data)) + 1);
    // Without a data buffer the size alone is reported, whatever the data's length.
    const std::string longData(600, 'd');
    this->SetText(key, "zeta", longData);
    const auto zetaIndex = std::find(first.begin(), first.end(), "zeta") - first.begin();
    nameLen = sizeof name;
    dataSize = 0;
    ASSERT_EQ(this->reg().EnumValue(key, static_cast<std::uint32_t>(zetaIndex), name, &nameLen,
                                    nullptr, nullptr, &dataSize),
              kErrorSuccess);
    EXPECT_EQ(std::string(name, nameLen), "zeta");
    EXPECT_EQ(dataSize, longData.size() + 1);
    char tiny[2];
    nameLen = sizeof tiny;
    EXPECT_EQ(this->reg().EnumValue(key, static_cast<std::uint32_t>(zetaIndex), tiny, &nameLen,
                                    nullptr, nullptr, nullptr),
              kErrorMoreData);
    nameLen = sizeof name;
    EXPECT_EQ(this->reg().EnumValue(key, 4, name, &nameLen, nullptr, nullptr, nullptr),
              kErrorNoMoreItems);
    this->reg().CloseKey(key);
}

// The list loader reads data into a small scratch buffer: a value whose data does
// not fit must still be named, with the size its data needs.
TYPED_TEST_P(RegistryConformance, DataTooLargeForItsBufferStillNamesTheValue) {
    RegKey key = this->Create("LongData");
    const std::string address = "http://" + std::string(400, 'a') + "/";
    this->SetText(key, "site", address);
    char name[255];
    std::uint32_t nameLen = sizeof name, dataSize = 255;
    std::uint8_t data[255];
    EXPECT_EQ(this->reg().EnumValue(key, 0, name, &nameLen, nullptr, data, &dataSize),
              kErrorMoreData);
    EXPECT_EQ(std::string(name, nameLen), "site");
    EXPECT_EQ(dataSize, address.size() + 1);
    this->reg().CloseKey(key);
}

// Awkward names are kept exactly or refused, and never land on another key or value.
TYPED_TEST_P(RegistryConformance, AwkwardNamesAreKeptExactlyOrRefusedNeverMixedUp) {
    RegKey key = this->Create("Names");
    const std::string longName(300, 'n');
    const std::vector<std::string> names = {"plain",   "it's \"quoted\"", "\\lead",
                                            "trail\\", "caf\xE9 \xFC",    longName};
    for (const auto& name : names) this->SetText(key, name, "data of " + name);
    for (const auto& name : names) {
        std::uint32_t type = 0;
        std::string bytes;
        ASSERT_TRUE(this->Query(key, name, type, bytes)) << name;
        EXPECT_EQ(bytes, "data of " + name + std::string(1, '\0')) << name;
    }
    this->reg().CloseKey(key);

    // Key paths with a backslash at either end, a component of 256 characters.
    for (const std::string& sub : {std::string("Names\\trail\\"), std::string(256, 'k')}) {
        RegKey odd = 0;
        if (this->reg().CreateKey(kHkeyCurrentUser, this->Path(sub), odd) != kErrorSuccess) {
            EXPECT_EQ(odd, 0u);
            continue;
        }
        this->SetText(odd, "marker", sub);
        this->reg().CloseKey(odd);
        RegKey same = 0;
        ASSERT_EQ(this->reg().OpenKey(kHkeyCurrentUser, this->Path(sub), same), kErrorSuccess);
        std::uint32_t type = 0;
        std::string bytes;
        ASSERT_TRUE(this->Query(same, "marker", type, bytes));
        EXPECT_EQ(bytes, sub + std::string(1, '\0'));
        this->reg().CloseKey(same);
    }
    RegKey lead = 0;
    EXPECT_NE(this->reg().OpenKey(kHkeyCurrentUser, "\\" + this->Path("Names"), lead),
              kErrorSuccess);
    // A non-ASCII key name reads back as itself.
    RegKey accented = this->Create("Caf\xE9");
    this->SetText(accented, "v", "x");
    this->reg().CloseKey(accented);
    RegKey found = 0;
    EXPECT_EQ(this->reg().OpenKey(kHkeyCurrentUser, this->Path("Caf\xE9"), found), kErrorSuccess);
    this->reg().CloseKey(found);
}

TYPED_TEST_P(RegistryConformance, KeyNamesIgnoreLetterCase) {
    RegKey key = this->Create("MixedCase");
    this->SetText(key, "Value", "x");
    this->reg().CloseKey(key);
    RegKey upper = 0;
    ASSERT_EQ(this->reg().OpenKey(kHkeyCurrentUser, this->Path("MIXEDCASE"), upper), kErrorSuccess);
    std::uint32_t type = 0, size = 0;
    EXPECT_EQ(this->reg().QueryValue(upper, "VALUE", &type, nullptr, &size), kErrorSuccess);
    this->reg().CloseKey(upper);
}

// An empty path names the key it starts from, a predefined root included: the handle
// reaches that key's values, as RegOpenKeyExA and RegCreateKeyExA give it.
TYPED_TEST_P(RegistryConformance, AnEmptyPathNamesTheKeyItself) {
    RegKey key = this->Create("Self");
    for (const bool create : {false, true}) {
        RegKey root = 0;
        ASSERT_EQ(create ? this->reg().CreateKey(kHkeyCurrentUser, "", root)
                         : this->reg().OpenKey(kHkeyCurrentUser, "", root),
                  kErrorSuccess);
        ASSERT_NE(root, 0u);
        std::uint32_t type = 0, size = 0;
        EXPECT_EQ(this->reg().QueryValue(root, "quorvel-absent", &type, nullptr, &size),
                  kErrorFileNotFound);
        RegKey below = 0;
        EXPECT_EQ(this->reg().OpenKey(root, this->Path("Self"), below), kErrorSuccess);
        this->reg().CloseKey(below);
        EXPECT_EQ(this->reg().CloseKey(root), kErrorSuccess);
    }
    RegKey same = 0;
    ASSERT_EQ(this->reg().OpenKey(key, "", same), kErrorSuccess);
    this->SetText(same, "v", "through the second handle");
    std::uint32_t type = 0;
    std::string bytes;
    EXPECT_TRUE(this->Query(key, "v", type, bytes));
    this->reg().CloseKey(same);
    this->reg().CloseKey(key);
}

REGISTER_TYPED_TEST_SUITE_P(RegistryConformance, OpeningAMissingKeyFailsWithHandleZero,
                            CreateMakesEveryMissingKeyAndReopensExistingOnes,
                            TextSizeCountsItsTerminatorAndSmallBuffersAskForMore,
                            ValuesOfEveryTypeCodeKeepTheirTypeAndBytes,
                            DeletingRemovesOnlyThatValue,
                            EnumerationListsEveryValueOnceInAStableOrder,
                            DataTooLargeForItsBufferStillNamesTheValue,
                            AwkwardNamesAreKeptExactlyOrRefusedNeverMixedUp,
                            KeyNamesIgnoreLetterCase, AnEmptyPathNamesTheKeyItself);

}  // namespace quorvel::test
