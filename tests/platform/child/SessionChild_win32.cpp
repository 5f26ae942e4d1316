// A guest session in a process of its own, for the kill test (SessionKill_test_win32.cpp):
// signs in on the real data file and a registry key standing in for the user's,
// ticks as fast as it can (the clock moved one second a tick), logs out after the
// ticks asked for (never with -1), and then waits to be ended.
//
//   session_child DATA_FILE SYSTEM_DIR REGISTRY_KEY LOGOUT_AFTER_TICKS
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include "db/Database.h"
#include "platform/win32/Win32Registry.h"
#include "session/GuestSession.h"
#include "session/Takings.h"
#include "support/TestPlatform.h"

using namespace quorvel;

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: session_child DATA_FILE SYSTEM_DIR REGISTRY_KEY TICKS\n");
        return 2;
    }
    test::TestPlatform tp(std::make_unique<platform::Win32Registry>(argv[3]));
    std::string error;
    std::shared_ptr<db::Database> file = db::Database::Open(argv[1], db::kDataFilePassword, error);
    if (!file) {
        std::fprintf(stderr, "session_child: %s\n", error.c_str());
        return 1;
    }
    tp.pv.Conn = file;
    tp.pv.SysDir = argv[2];
    tp.pv.CurrentUser = "guest";
    tp.clock.Set({2026, 12, 4, 9, 0, 0});
    const auto takings = session::MakeConnTakings(tp.pv);
    session::GuestSession session(tp.pv, *takings);
    session.Start();
    session.Activate();
    const long logoutAfter = std::strtol(argv[4], nullptr, 10);
    for (long tick = 0; tick != logoutAfter; ++tick) {
        tp.clock.AdvanceSeconds(1);
        session.Tick();
    }
    session.Logout();
    Sleep(INFINITE);
}
