#include "platform/x11/X11Display.h"

#include "os/UniqueFd.h"
#include "platform/x11/X11Util.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace quorvel::platform {

namespace {

// Sends this process's stderr to /dev/null while it lives. The X libraries print the
// server's reason for every refused connection: four lines a second into the service's
// journal while the program waits. Only used before the program starts any thread.
class QuietStderr {
  public:
    QuietStderr() : saved_(::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0)) {
        os::UniqueFd null(::open("/dev/null", O_WRONLY | O_CLOEXEC));
        if (saved_ && null) ::dup2(null.get(), STDERR_FILENO);
    }
    ~QuietStderr() {
        if (saved_) ::dup2(saved_.get(), STDERR_FILENO);
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

  private:
    os::UniqueFd saved_;
};

// A connection, or null when the server refused it or is not there.
x11::UniqueConnection TryConnect(const std::string& displayName) {
    QuietStderr quiet;
    x11::UniqueConnection connection(xcb_connect(displayName.c_str(), nullptr));
    if (xcb_connection_has_error(connection.get()) != 0) connection.reset();
    return connection;
}

}  // namespace

std::string DisplayName() {
    const char* name = std::getenv("DISPLAY");
    return name ? name : "";
}

x11::UniqueConnection WaitForDisplay(const std::string& displayName, int pollMs,
                                     const std::function<void(const std::string&)>& waiting,
                                     std::string& error) {
    if (displayName.empty()) {
        error = "No X display is named (DISPLAY is not set).";
        return nullptr;
    }
    bool told = false;
    for (;;) {
        if (x11::UniqueConnection connection = TryConnect(displayName)) return connection;
        if (!told && waiting) {
            waiting("Waiting for the X display " + displayName +
                    " (not running yet, or not letting this account in)...");
            told = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
    }
}

void EndProcessForLostDisplay(int status) {
    static constexpr char kMessage[] = "quorvel: the connection to the X display was lost\n";
    // Only what is safe wherever the loss is noticed: one write, then _exit.
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
    ::_exit(status);
}

void SetLostDisplayHandler(LostDisplayHandler handler) {
    XSetIOErrorHandler(handler);
}

}  // namespace quorvel::platform
