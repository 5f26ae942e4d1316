#pragma once
// The program's hold on the X display as a whole: waiting for it at start, and ending
// at once when the connection to it is lost.
//
// A kiosk service starts the program at boot, before the X server runs and before the
// display manager's set-up grants the program's account access to it: until then the
// server refuses us, and the program waits instead of failing. When the connection is
// cut later (the X server restarts, or another client kills ours), nothing of the
// program can work any more; it ends at once with its own status, so that the service
// starts it again and the lock comes back, rather than hang in a half-dead toolkit.
#include <functional>
#include <string>

#include "platform/x11/X11Util.h"

struct _XDisplay;

namespace quorvel::platform {

// The display named by $DISPLAY, or empty when none is named.
std::string DisplayName();

// Tries to connect to `displayName` every `pollMs` milliseconds until the server
// accepts a connection; `waiting` is called once, before the first wait, with a line
// saying what the program waits for. Returns null at once with `error` set when no
// display is named (nothing could ever come); otherwise returns once connected, with
// the connection. Hold it until the toolkit has connected: an X server resets when its
// last client leaves, and a client that connects during the reset is refused.
x11::UniqueConnection WaitForDisplay(const std::string& displayName, int pollMs,
                                     const std::function<void(const std::string&)>& waiting,
                                     std::string& error);

// Says on stderr that the display connection was lost and ends the process at once
// with `status`: no destructor runs, nothing waits on a connection that is gone.
[[noreturn]] void EndProcessForLostDisplay(int status);

using LostDisplayHandler = int (*)(_XDisplay*);
void SetLostDisplayHandler(LostDisplayHandler handler);

// From now on, a lost connection to any display this process opened through Xlib ends
// the process at once with `Status`, in place of Xlib's own I/O error handler (which
// calls exit(1) with every destructor still to run and the toolkit's threads going).
template <int Status>
void EndProcessWhenDisplayLost() {
    SetLostDisplayHandler([](_XDisplay*) -> int { EndProcessForLostDisplay(Status); });
}

}  // namespace quorvel::platform
