// The PC loses power in the middle of guest sessions: a process running a session on
// the real data file and registry is ended with TerminateProcess at random moments,
// a third of the time around its Logout. After every "restart" (the close-out) each
// session is counted exactly once, with the last amount it stored.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "db/Database.h"
#include "os/UniqueHandle.h"
#include "platform/win32/Win32Registry.h"
#include "session/CloseOut.h"
#include "support/DataFile.h"
#include "support/Poll.h"
#include "support/ScratchRegistry_win32.h"
#include "support/TempDir.h"
#include "support/TestPlatform.h"

namespace quorvel::test {
namespace {

using os::UniqueHandle;

// The helper beside this test program: child\session_child.exe.
std::wstring ChildProgram() {
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::filesystem::path path(std::wstring(self, length));
    return (path.parent_path() / L"child" / L"session_child.exe").wstring();
}

UniqueHandle StartChild(const std::string& arguments) {
    std::wstring command =
        L"\"" + ChildProgram() + L"\" " + std::wstring(arguments.begin(), arguments.end());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return UniqueHandle();
    UniqueHandle thread(info.hThread);
    return UniqueHandle(info.hProcess);
}

struct Totals {
    std::int64_t sessions = 0;
    double amount = 0;
    std::int64_t booked = 0;
    friend bool operator==(const Totals&, const Totals&) = default;
};

Totals Read(const db::Database& file) {
    sqlite::Statement sums(file.connection(),
                           "SELECT ifnull(sum(Gnum), 0), ifnull(sum(Gamt), 0), "
                           "(SELECT count(*) FROM Booked_T) FROM Guest_T");
    EXPECT_EQ(sums.Step(), SQLITE_ROW);
    return Totals{sums.Int(0), sums.Double(1), sums.Int(2)};
}

std::ostream& operator<<(std::ostream& out, const Totals& t) {
    return out << t.sessions << " sessions, " << t.amount << " owed, " << t.booked << " booked";
}

TEST(SessionKill, EverySessionEndedAnywhereIsBookedOnceWithItsLastStoredAmount) {
    TempDir dir;
    ScratchKey key;
    const std::string dataFile = dir.file("QuorvelData.mdb");
    ASSERT_TRUE(CreateDataFile(dataFile, {.rates = {{"10", "15", "20", "25"}}}));
    std::string error;
    // The "next start": the same registry key and data file, closing out what it finds.
    TestPlatform tp(std::make_unique<platform::Win32Registry>(key.path()));
    for (const char* k : {store::kSettingsKey, store::kTimersKey})
        tp.pv.settings.CreateSettingsKey(platform::kHkeyCurrentUser, k);
    std::shared_ptr<db::Database> file = db::Database::Open(dataFile, db::kDataFilePassword, error);
    ASSERT_TRUE(file) << error;
    tp.pv.Conn = file;
    tp.pv.SysDir = dir.path().string();
    auto timers = [&](const char* name) {
        return tp.pv.settings.ReadSetting(platform::kHkeyCurrentUser, store::kTimersKey, name);
    };

    std::mt19937 random(std::random_device{}());
    Totals expected;
    const int rounds = 15;
    for (int round = 1; round <= rounds; ++round) {
        session::CloseOutSession(tp.pv);
        ASSERT_EQ(Read(*file), expected) << "before round " << round;

        const bool aroundLogout = round % 3 == 0;
        const int logoutAfter = aroundLogout ? static_cast<int>(random() % 400) : -1;
        UniqueHandle child = StartChild("\"" + dataFile + "\" \"" + tp.pv.SysDir + "\" \"" +
                                        key.path() + "\" " + std::to_string(logoutAfter));
        ASSERT_TRUE(child) << "cannot start the session process";
        // Signed in once the session's Status 1 is stored.
        PollUntil(
            [&] {
                return timers("Status").ToInt32() == 1 ||
                       WaitForSingleObject(child.get(), 0) != WAIT_TIMEOUT;
            },
            std::chrono::seconds(60));
        ASSERT_EQ(timers("Status").ToInt32(), 1) << "round " << round << ": never signed in";
        // The moment the power goes: nothing waits on it.
        std::this_thread::sleep_for(
            std::chrono::milliseconds(random() % (aroundLogout ? 60 : 300)));
        TerminateProcess(child.get(), 1);
        ASSERT_EQ(WaitForSingleObject(child.get(), 30000), WAIT_OBJECT_0);

        expected.sessions += 1;
        expected.booked += 1;
        expected.amount += timers("Amount").ToNumber();
    }
    session::CloseOutSession(tp.pv);
    EXPECT_EQ(Read(*file), expected);
    EXPECT_EQ(timers("Status").ToInt32(), 0);
}

}  // namespace
}  // namespace quorvel::test
