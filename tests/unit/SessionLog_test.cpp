// The session log's bytes.
#include <gtest/gtest.h>

#include "session/SessionLog.h"
#include "unit/SessionRig.h"

namespace quorvel::test {
namespace {

// Each session appends a line break, then its line: the start part at sign-in, the rest
// at Logout; what was there stays.
TEST(SessionLog, EachSessionAppendsALineBreakThenItsLine) {
    SessionRig rig({5, 10, 15, 20});
    WriteFileBytes(rig.LogPath(), "\r\nearlier");
    rig.tp.clock.Set({2026, 12, 5, 23, 59, 58});
    rig.Begin();
    EXPECT_EQ(ReadFileBytes(rig.LogPath()), "\r\nearlier\r\nguest|12/5/2026 | 11:59:58 PM | ");
    rig.Tick();
    rig.session->Logout();
    rig.session.reset();  // the window unloads
    rig.Begin();
    rig.Ticks(TickOf(0, 45, 12));
    rig.session->Logout();
    rig.session.reset();
    EXPECT_EQ(ReadFileBytes(rig.LogPath()),
              "\r\nearlier"
              "\r\nguest|12/5/2026 | 11:59:58 PM | 0 : 0 : 1 | 11:59:59 PM | 5"
              "\r\nguest|12/5/2026 | 11:59:59 PM | 0 : 45 : 12 | 12:45:11 AM | 20");
}

}  // namespace
}  // namespace quorvel::test
