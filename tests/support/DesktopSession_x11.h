// A guest's desktop in small, for tests of what the blocker does to other programs: a
// private X server with a window manager, and a session bus on which the accessibility
// bus launcher starts on demand. The test process is pointed at it (DISPLAY,
// DBUS_SESSION_BUS_ADDRESS, XDG_RUNTIME_DIR), and so is every program it starts.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

#include "platform/x11/X11Util.h"
#include "support/TempDir.h"
#include "support/Xvfb_x11.h"

namespace quorvel::test {

// The first line a starting session bus writes to the read end `fd` of the pipe its
// --print-address names (its address), waiting 20 s at most; closes `fd`. Empty when
// none came.
std::string ReadBusAddress(int fd);

class DesktopSession {
  public:
    DesktopSession();
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;
    ~DesktopSession();

    // Empty when it did not come up; `error` then says what is missing.
    const std::string& display() const { return xvfb_.name(); }
    bool ready() const { return error_.empty(); }
    const std::string& error() const { return error_; }

  private:
    TempDir runtime_;
    Xvfb xvfb_;
    platform::x11::UniqueConnection keeper_;
    pid_t bus_ = -1;
    pid_t windowManager_ = -1;
    std::string error_;
};

}  // namespace quorvel::test
