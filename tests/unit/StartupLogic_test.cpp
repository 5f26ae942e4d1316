// The start-up rules that need no window: the single-instance search, the version
// number and the session log.
#include <gtest/gtest.h>

#include <filesystem>

#include "cafe/Sender.h"
#include "db/Database.h"
#include "platform/fake/FakeServices.h"
#include "session/SessionLog.h"
#include "startup/StartupLogic.h"
#include "support/DataFile.h"
#include "support/Poll.h"
#include "support/ScriptedServer.h"
#include "support/TempDir.h"
#include "support/TestPlatform.h"
#include "unit/ScriptedCafeReport.h"

namespace quorvel::test {
namespace {

using platform::FakeInstance;

std::string Calls(const FakeInstance& instance) {
    std::string joined;
    for (const auto& call : instance.calls) joined += call + "\n";
    return joined;
}

TEST(ActivatePrevInstance, SwapsTitleSearchesThreeClassesAndBringsTheFirstWindowForward) {
    FakeInstance instance;
    instance.windows[{"ThunderRT6Main", "Quorvel (DE)"}] = 42;
    instance.firstInZOrder[42] = 7;
    std::string title = "Quorvel (DE)";

    EXPECT_TRUE(startup::ActivatePrevInstance(instance, title));
    EXPECT_EQ(title, "unwanted instance");
    EXPECT_EQ(Calls(instance),
              "SetMainWindowTitle unwanted instance\n"
              "FindWindow ThunderRTMain Quorvel (DE)\n"
              "FindWindow ThunderRT5Main Quorvel (DE)\n"
              "FindWindow ThunderRT6Main Quorvel (DE)\n"
              "FirstInZOrder 42\n"
              "Restore 7\n"
              "BringToFront 7\n"
              "EndProgram\n");
}

TEST(ActivatePrevInstance, StopsAtTheFirstClassFound) {
    FakeInstance instance;
    instance.windows[{"ThunderRT5Main", "Quorvel (DE)"}] = 5;
    instance.windows[{"ThunderRT6Main", "Quorvel (DE)"}] = 6;
    std::string title = "Quorvel (DE)";
    EXPECT_TRUE(startup::ActivatePrevInstance(instance, title));
    EXPECT_EQ(instance.calls[2], "FindWindow ThunderRT5Main Quorvel (DE)");
    EXPECT_EQ(instance.calls[3], "FirstInZOrder 5");
    EXPECT_TRUE(instance.ended);
}

// Nothing found runs on as the unwanted instance; with no other instance running,
// nothing is even looked for. A window of another title is not the earlier instance's.
TEST(ActivatePrevInstance, NothingFoundRunsOnAsUnwantedInstance) {
    for (const bool running : {true, false}) {
        TestPlatform platform;
        platform.instance.running = running;
        platform.instance.windows[{"ThunderRT6Main", running ? "Something else" : "Quorvel (DE)"}] =
            9;
        EXPECT_FALSE(startup::RefuseSecondInstance(platform.pv));
        EXPECT_EQ(platform.pv.AppTitle, running ? "unwanted instance" : "Quorvel (DE)");
        EXPECT_EQ(platform.instance.ownTitle, running ? "unwanted instance" : "");
        EXPECT_FALSE(platform.instance.ended);
        // The swap and three searches.
        EXPECT_EQ(platform.instance.calls.size(), running ? 4u : 0u);
    }
}

TEST(GetOsVersion, MajorWithItsSignBlankThenMinorReadAsANumber) {
    EXPECT_EQ(startup::OsVersionNumber(4, 10), 4.1);  // 98: " 4.10"
    EXPECT_EQ(startup::OsVersionNumber(4, 90), 4.9);  // Me, the last to register a service
    EXPECT_EQ(startup::OsVersionNumber(10, 0), 10.0);
    EXPECT_EQ(startup::OsVersionNumber(-1, 5), -1.5);  // no blank before a minus
    EXPECT_FALSE(startup::OsVersionNumber(4, -1));     // "4.-1" is no number

    TestPlatform platform;
    platform.pv.OsVersion = 3.5;
    platform.systemInfo.major = 4;
    platform.systemInfo.minor = -1;
    startup::GetOsVersion(platform.pv);
    EXPECT_EQ(platform.pv.OsVersion, 3.5);  // the failing conversion changes nothing
    platform.systemInfo.minor = 10;
    startup::GetOsVersion(platform.pv);
    EXPECT_EQ(platform.pv.OsVersion, 4.1);
}

TEST(SessionLog, DeletedFromTheSystemDirectoryMissingIsNoError) {
    TempDir dir;
    const std::string log = session::SessionLogPath(dir.path().string());
    WriteFileBytes(log, "guest 1/1/2026 ...\n");
    WriteFileBytes(dir.file("other.log"), "x");
    startup::DeleteSessionLog(dir.path().string());
    EXPECT_FALSE(std::filesystem::exists(log));
    EXPECT_TRUE(std::filesystem::exists(dir.file("other.log")));
    startup::DeleteSessionLog(dir.path().string());  // again: nothing there, no error

    platform::FakeSystemInfo info;
    info.systemDirectory = dir.path().string() + "/";
    EXPECT_EQ(startup::GetSysDir(info), dir.path().string());
}

// Only a PC with a membership starts a sender, over its own data file and the link
// made for that membership, and reads every PC's takings for its Report tab.
class CafeSender : public ::testing::TestWithParam<bool> {};

TEST_P(CafeSender, StartsOnlyOnAJoinedPcAndDeliversItsDataFile) {
    const bool joined = GetParam();
    ProgramFolders folders;
    const auto file = CreateDataFile(folders.dataFile, {.logins = false});
    ASSERT_TRUE(file);
    db::OutboxWrite write;
    write.entry = {0, "waiting", "2026-12-05", 0, 0, 0, 250, "Rs"};
    ASSERT_EQ(db::AddSessionToDailyTotals(*file, "12/05/2026", 2.5, "waiting", &write),
              db::Booking::Booked);

    ScriptedServer server;
    TestPlatform tp;
    std::vector<std::string> opened;
    const auto membership =
        joined ? std::optional<cafe::Membership>({"host=counter user=pc7", "pc7"}) : std::nullopt;
    const auto report = std::make_shared<ScriptedCafeReport>();
    startup::StartCafe(
        tp.pv, folders.dataFile, membership,
        [&](const cafe::Membership& m) {
            opened.push_back("link " + m.conninfo);
            return server.Link();
        },
        [&](const cafe::Membership& m) {
            opened.push_back("report " + m.conninfo);
            return report;
        });
    EXPECT_EQ(opened, (joined ? std::vector<std::string>{"report host=counter user=pc7",
                                                         "link host=counter user=pc7"}
                              : std::vector<std::string>{}));
    EXPECT_EQ(tp.pv.Cafe != nullptr, joined);
    EXPECT_EQ(tp.pv.CafeReport.get(), joined ? report.get() : nullptr);
    if (joined) {
        EXPECT_TRUE(PollUntil([&] { return server.sessions().count("waiting") == 1; }));
    }
    tp.pv.Cafe.reset();  // before the server it delivers to
}

INSTANTIATE_TEST_SUITE_P(Cases, CafeSender, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Joined" : "OnItsOwn"; });

}  // namespace
}  // namespace quorvel::test
