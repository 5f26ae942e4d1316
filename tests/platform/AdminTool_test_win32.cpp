// quorvel-admin.exe run as a cafe owner runs it on Windows: `reg` against the real
// registry (below a scratch key), read back the way the program reads it, and `init`
// provisioning the folder the tool sits in.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "db/Database.h"
#include "os/UniqueHandle.h"
#include "platform/win32/Win32Registry.h"
#include "store/mdlRegistry.h"
#include "support/ScratchRegistry_win32.h"
#include "support/TempDir.h"

namespace quorvel::test {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using os::UniqueHandle;

// The build puts the tool one folder above the test programs.
fs::path BuiltAdmin() {
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    return fs::path(std::wstring(self, length)).parent_path().parent_path() / L"quorvel-admin.exe";
}

// One argument quoted as the C runtime splits a command line.
std::wstring Quoted(const std::string& arg) {
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (const char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        out += static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    out.append(2 * backslashes, L'\\');
    return out + L"\"";
}

struct Result {
    DWORD status = 0xFFFFFFFF;
    std::string out, err;
};

Result RunTool(const fs::path& program, const std::vector<std::string>& args) {
    TempDir scratch;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    auto capture = [&](const char* name) {
        return UniqueHandle(CreateFileW((scratch.path() / name).wstring().c_str(), GENERIC_WRITE,
                                        FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
    };
    Result result;
    {
        UniqueHandle out = capture("out"), err = capture("err");
        // Never the test's own console: a tool that asks must find no one there.
        UniqueHandle in(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    &inherit, OPEN_EXISTING, 0, nullptr));
        std::wstring command = L"\"" + program.wstring() + L"\"";
        for (const auto& arg : args) command += L" " + Quoted(arg);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = in.get();
        startup.hStdOutput = out.get();
        startup.hStdError = err.get();
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                            &startup, &info))
            return result;
        UniqueHandle process(info.hProcess), thread(info.hThread);
        if (WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0) return result;
        GetExitCodeProcess(process.get(), &result.status);
    }
    result.out = ReadFileBytes(scratch.path() / "out");
    result.err = ReadFileBytes(scratch.path() / "err");
    return result;
}

TEST(AdminTool, RegWritesTheRegistryAsTheProgramReadsIt) {
    ScratchKey scratch;
    const std::string key = scratch.path() + "\\Settings";
    auto reg = [&](std::vector<std::string> args) {
        args.insert(args.begin(), "reg");
        return RunTool(BuiltAdmin(), args);
    };
    EXPECT_EQ(reg({"query", "HKCU\\" + key}).status, 1u);
    EXPECT_EQ(reg({"add", key, "/v", "Currency", "/d", "Rs"}).status, 1u);  // no key yet

    ASSERT_EQ(reg({"addkey", "HKCU\\" + key}).status, 0u);
    EXPECT_EQ(reg({"add", key, "/v", "Currency", "/t", "REG_SZ", "/d", "Rs"}).status, 0u);
    EXPECT_EQ(reg({"add", key, "/v", "Blocking", "/t", "REG_DWORD", "/d", "1"}).status, 0u);
    EXPECT_EQ(reg({"add", key, "/v", "Odd", "/d", "a \"quoted\" \\ text"}).status, 0u);

    platform::Win32Registry registry;
    store::mdlRegistry settings(registry);
    EXPECT_EQ(settings.ReadSetting(platform::kHkeyCurrentUser, key, "Currency").ToText(), "Rs\0"s);
    EXPECT_EQ(settings.ReadSetting(platform::kHkeyCurrentUser, key, "Blocking"), store::Variant(1));
    EXPECT_EQ(settings.ReadSetting(platform::kHkeyCurrentUser, key, "Odd").ToText(),
              "a \"quoted\" \\ text\0"s);

    const auto one = reg({"query", key, "/v", "Blocking"});
    EXPECT_EQ(one.status, 0u);
    // Lines end as Windows' own console programs end them.
    EXPECT_EQ(one.out,
              "\r\nHKEY_CURRENT_USER\\" + key + "\r\n    Blocking    REG_DWORD    0x1\r\n");

    EXPECT_EQ(reg({"delete", key, "/v", "Currency"}).status, 0u);
    const auto gone = reg({"query", key, "/v", "Currency"});
    EXPECT_EQ(gone.status, 1u);
    EXPECT_NE(gone.err.find("Currency"), std::string::npos) << gone.err;
}

TEST(AdminTool, InitProvisionsTheFolderItRunsFrom) {
    TempDir dir;
    const fs::path program = dir.path() / "Quorvel";
    fs::create_directories(program);
    const fs::path admin = program / "quorvel-admin.exe";
    fs::copy_file(BuiltAdmin(), admin);
    const std::string dataFile = db::DataFilePath(program.string());

    const auto first =
        RunTool(admin, {"init", "--admin-password", "boss", "--guest-password", "g"});
    ASSERT_EQ(first.status, 0u) << first.err;
    EXPECT_TRUE(fs::is_directory(program / "Systemfiles"));
    std::string error;
    {
        auto file = db::Database::Open(dataFile, db::kDataFilePassword, error);
        ASSERT_TRUE(file) << error;
        EXPECT_EQ(db::FindLogin(*file, "admin")->password, "boss");
        EXPECT_EQ(db::FindLogin(*file, "guest")->password, "g");
    }
    // The program's keys are there for it to read.
    platform::Win32Registry registry;
    for (const char* key :
         {store::kSettingsKey, store::kTimersKey, store::kProgramsKey, store::kUrlsKey}) {
        platform::ScopedKey handle(registry);
        EXPECT_EQ(registry.OpenKey(platform::kHkeyCurrentUser, key, handle.out()),
                  platform::kErrorSuccess)
            << key;
    }

    // An existing data file is left as it is, unless --force.
    const std::string bytes = ReadFileBytes(dataFile);
    const auto again = RunTool(admin, {"init", "--admin-password", "x", "--guest-password", "y"});
    EXPECT_EQ(again.status, 1u);
    EXPECT_EQ(ReadFileBytes(dataFile), bytes);
    const auto forced =
        RunTool(admin, {"init", "--force", "--admin-password", "x", "--guest-password", "y"});
    ASSERT_EQ(forced.status, 0u) << forced.err;
    auto file = db::Database::Open(dataFile, db::kDataFilePassword, error);
    ASSERT_TRUE(file) << error;
    EXPECT_EQ(db::FindLogin(*file, "admin")->password, "x");
    // Without a terminal to ask on, a missing password is refused, not guessed.
    file.reset();
    EXPECT_EQ(RunTool(admin, {"init", "--force"}).status, 1u);
}

}  // namespace
}  // namespace quorvel::test
