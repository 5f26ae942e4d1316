// What the Windows store adds to the shared conformance suite: handles it never
// gave out are refused, text always reads back terminated, and a stand-in root
// keeps every write inside its own key.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/Win32Registry.h"
#include "store/mdlRegistry.h"
#include "support/ScratchRegistry_win32.h"
#include "support/TestPlatform.h"

namespace quorvel::test {
namespace {

using namespace platform;

std::string ReadText(Registry& reg, RegKey key, const char* name, std::uint32_t& size) {
    std::uint32_t type = 0;
    size = 0;
    if (reg.QueryValue(key, name, &type, nullptr, &size) != kErrorSuccess) return "<missing>";
    std::string bytes(size, '\xEE');
    if (reg.QueryValue(key, name, &type, reinterpret_cast<std::uint8_t*>(bytes.data()), &size) !=
        kErrorSuccess)
        return "<failed>";
    bytes.resize(size);
    return bytes;
}

TEST(Win32Registry, AClosedOrForeignHandleIsRefusedNotReused) {
    ScratchKey scratch;
    Win32Registry reg;
    RegKey key = 0;
    ASSERT_EQ(reg.CreateKey(kHkeyCurrentUser, scratch.path() + "\\K", key), kErrorSuccess);
    ASSERT_EQ(reg.CloseKey(key), kErrorSuccess);
    EXPECT_EQ(reg.CloseKey(key), kErrorInvalidHandle);
    // Windows may hand the same number to the next key opened; the old handle must
    // not reach it through this object before it is given out again.
    const std::uint8_t byte = 'x';
    EXPECT_EQ(reg.SetValue(key, "v", kRegSz, &byte, 1), kErrorInvalidHandle);
    EXPECT_EQ(reg.SetValue(key + 4, "v", kRegSz, &byte, 1), kErrorInvalidHandle);
    EXPECT_EQ(reg.CloseKey(0), kErrorInvalidHandle);
}

TEST(Win32Registry, TextStoredWithoutTerminatorByAnotherProgramReadsWithOne) {
    ScratchKey scratch;
    HKEY raw = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, scratch.path().c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &raw, nullptr),
              ERROR_SUCCESS);
    UniqueHkey owner(raw);
    // Three bytes and no NUL after them, so nothing on the way adds one.
    const char bytes[] = {'a', 'b', 'c', 'X'};
    ASSERT_EQ(RegSetValueExA(raw, "bare", 0, REG_SZ, reinterpret_cast<const BYTE*>(bytes), 3),
              ERROR_SUCCESS);

    Win32Registry reg;
    RegKey key = 0;
    ASSERT_EQ(reg.OpenKey(kHkeyCurrentUser, scratch.path(), key), kErrorSuccess);
    std::uint32_t size = 0;
    EXPECT_EQ(ReadText(reg, key, "bare", size), std::string("abc\0", 4));
    EXPECT_EQ(size, 4u);
    std::uint8_t small[3] = {};
    size = sizeof small;
    EXPECT_EQ(reg.QueryValue(key, "bare", nullptr, small, &size), kErrorMoreData);
    EXPECT_EQ(size, 4u);

    // The store reads it as the program wrote it: "abc" plus the NUL it drops.
    store::mdlRegistry settings(reg);
    EXPECT_EQ(settings.ReadSetting(kHkeyCurrentUser, scratch.path(), "bare").ToText(),
              std::string("abc\0", 4));
    reg.CloseKey(key);
}

TEST(Win32Registry, NamesWithANulInsideAreRefused) {
    ScratchKey scratch;
    Win32Registry reg;
    RegKey key = 0;
    ASSERT_EQ(reg.CreateKey(kHkeyCurrentUser, scratch.path(), key), kErrorSuccess);
    const std::string cut("a\0b", 3);
    const std::uint8_t byte = 'x';
    EXPECT_EQ(reg.SetValue(key, cut, kRegSz, &byte, 1), kErrorInvalidParameter);
    std::uint32_t size = 0;
    EXPECT_EQ(reg.QueryValue(key, "a", nullptr, nullptr, &size), kErrorFileNotFound);
    RegKey sub = 0;
    EXPECT_EQ(reg.CreateKey(key, cut, sub), kErrorInvalidParameter);
    EXPECT_EQ(sub, 0u);
    EXPECT_EQ(reg.OpenKey(key, "a", sub), kErrorFileNotFound);
    reg.CloseKey(key);
}

TEST(Win32Registry, AStandInRootThatCannotBeMadeNeverFallsThroughToTheRealHive) {
    ScratchKey scratch;
    // A key name longer than Windows allows, so the stand-in cannot be created.
    Win32Registry reg(scratch.path() + "\\" + std::string(300, 'k'));
    RegKey key = 0;
    EXPECT_NE(reg.CreateKey(kHkeyCurrentUser, scratch.path() + "\\leak", key), kErrorSuccess);
    EXPECT_EQ(key, 0u);
    HKEY raw = nullptr;
    EXPECT_EQ(
        RegOpenKeyExA(HKEY_CURRENT_USER, (scratch.path() + "\\leak").c_str(), 0, KEY_READ, &raw),
        ERROR_FILE_NOT_FOUND);
}

// Tests of the program run on a TestPlatform: on Windows each gets its own stand-in
// for HKEY_CURRENT_USER, so the program's keys are there, private, and gone after.
TEST(Win32Registry, EachTestPlatformWorksInAPrivateCopyOfTheProgramsKeys) {
    std::string scratchPath;
    {
        TestPlatform first;
        TestPlatform second;
        auto* scratch = dynamic_cast<ScratchRegistry*>(first.registry.get());
        ASSERT_NE(scratch, nullptr);
        scratchPath = scratch->scratchPath();

        first.pv.settings.WriteSetting(kHkeyCurrentUser, store::kTimersKey, "Status", 1, 4);
        EXPECT_EQ(
            first.pv.settings.ReadSetting(kHkeyCurrentUser, store::kTimersKey, "Status").ToInt32(),
            1);
        EXPECT_TRUE(second.pv.settings.ReadSetting(kHkeyCurrentUser, store::kTimersKey, "Status")
                        .IsEmpty());

        // The value landed below the scratch key, not in the user's own keys.
        HKEY raw = nullptr;
        const std::string where = scratchPath + "\\" + store::kTimersKey;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, where.c_str(), 0, KEY_READ, &raw),
                  ERROR_SUCCESS);
        UniqueHkey owner(raw);
        DWORD status = 0, size = sizeof status;
        EXPECT_EQ(RegQueryValueExA(raw, "Status", nullptr, nullptr,
                                   reinterpret_cast<BYTE*>(&status), &size),
                  ERROR_SUCCESS);
        EXPECT_EQ(status, 1u);
    }
    HKEY gone = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, scratchPath.c_str(), 0, KEY_READ, &gone),
              ERROR_FILE_NOT_FOUND);
}

}  // namespace
}  // namespace quorvel::test
