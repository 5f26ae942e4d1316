// The session log's bytes.
#include <gtest/gtest.h>

#include "session/SessionLog.h"
#include "unit/SessionRig.h"

namespace quorvel::test {
namespace {

TEST(SessionLog, OneSessionIsALineBreakThenItsLine) {
    SessionRig rig({5, 10, 15, 20});
    rig.tp.clock.Set({2026, 12, 5, 10, 0, 0});
    auto& s = rig.Begin();
    EXPECT_EQ(ReadFileBytes(rig.LogPath()), "\r\nguest|12/5/2026 | 10:00:00 AM | ");
    rig.Ticks(TickOf(0, 45, 12));
    s.Logout();
    rig.session.reset();  // the window unloads
    EXPECT_EQ(ReadFileBytes(rig.LogPath()),
              "\r\nguest|12/5/2026 | 10:00:00 AM | 0 : 45 : 12 | 10:45:12 AM | 20");
}

TEST(SessionLog, SecondSessionStartsOnTheLineBreakItWrites) {
    SessionRig rig({5, 10, 15, 20});
    rig.tp.clock.Set({2026, 12, 5, 23, 59, 58});
    rig.Begin();
    rig.Tick();
    rig.session->Logout();
    rig.session.reset();
    rig.Begin();
    rig.Ticks(2);
    rig.session->Logout();
    rig.session.reset();
    EXPECT_EQ(ReadFileBytes(rig.LogPath()),
              "\r\nguest|12/5/2026 | 11:59:58 PM | 0 : 0 : 1 | 11:59:59 PM | 5"
              "\r\nguest|12/5/2026 | 11:59:59 PM | 0 : 0 : 2 | 12:00:01 AM | 5");
}

TEST(SessionLog, AppendsToWhatIsThere) {
    TempDir dir;
    WriteFileBytes(dir.file("ScanregLog.log"), "\r\nearlier");
    {
        session::SessionLog log(session::SessionLogPath(dir.path().string()));
        ASSERT_TRUE(log.IsOpen());
        EXPECT_TRUE(log.WriteStartPart("guest", "1/2/2027", "9:00:00 AM"));
        EXPECT_TRUE(log.WriteEndPart("0 : 0 : 3", "9:00:03 AM", "10"));
    }
    EXPECT_EQ(ReadFileBytes(dir.file("ScanregLog.log")),
              "\r\nearlier\r\nguest|1/2/2027 | 9:00:00 AM | 0 : 0 : 3 | 9:00:03 AM | 10");
}

}  // namespace
}  // namespace quorvel::test
