#include "support/DesktopSession_x11.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdlib>

#include "support/Poll.h"

namespace quorvel::test {

namespace {

// Runs `argv` with its output thrown away; its process id (or -1).
pid_t Spawn(const char* const argv[]) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execvp(argv[0], const_cast<char* const*>(argv));
        _exit(127);
    }
    return pid;
}

void Stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

// Whether a window manager has announced itself on the display.
bool WindowManagerRunning(xcb_connection_t* c) {
    using platform::x11::Take;
    const std::uint32_t check = platform::x11::InternAtom(c, "_NET_SUPPORTING_WM_CHECK");
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const auto value = Take<xcb_get_property_reply_t>(
        c, xcb_get_property(c, 0, root, check, XCB_ATOM_WINDOW, 0, 1), xcb_get_property_reply);
    return value && xcb_get_property_value_length(value.get()) == 4;
}

}  // namespace

std::string ReadBusAddress(int fd) {
    std::string address;
    pollfd pfd{fd, POLLIN, 0};
    char c = 0;
    while (poll(&pfd, 1, 20000) > 0 && read(fd, &c, 1) == 1 && c != '\n') address += c;
    close(fd);
    return address;
}

DesktopSession::DesktopSession() : xvfb_("1024x768x24") {
    if (xvfb_.name().empty()) {
        error_ = "Xvfb did not start";
        return;
    }
    // The server starts afresh whenever its last client leaves, refusing connections
    // meanwhile: this one stays for the whole session.
    keeper_.reset(xcb_connect(xvfb_.name().c_str(), nullptr));
    if (xcb_connection_has_error(keeper_.get()) != 0) {
        error_ = "cannot connect to Xvfb";
        return;
    }
    setenv("DISPLAY", xvfb_.name().c_str(), 1);
    setenv("XDG_RUNTIME_DIR", runtime_.path().c_str(), 1);
    // Only what this desktop switches on may make programs accessible.
    unsetenv("GNOME_ACCESSIBILITY");
    unsetenv("ACCESSIBILITY_ENABLED");
    unsetenv("AT_SPI_BUS_ADDRESS");

    // The session bus tells its address through a pipe once it listens; the services it
    // starts on demand (the accessibility bus launcher) inherit this environment.
    int fds[2];
    if (pipe(fds) != 0) {
        error_ = "no pipe";
        return;
    }
    const std::string fd = "--print-address=" + std::to_string(fds[1]);
    const char* busArgv[] = {"dbus-daemon", "--session", "--nofork",
                             "--nopidfile", fd.c_str(),  nullptr};
    bus_ = Spawn(busArgv);
    close(fds[1]);
    const std::string address = ReadBusAddress(fds[0]);
    if (address.empty()) {
        error_ = "dbus-daemon did not start";
        return;
    }
    setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);

    const char* wmArgv[] = {"openbox", "--sm-disable", nullptr};
    windowManager_ = Spawn(wmArgv);
    if (!PollUntil([&] { return WindowManagerRunning(keeper_.get()); }))
        error_ = "openbox did not start";
}

DesktopSession::~DesktopSession() {
    Stop(windowManager_);
    // The accessibility bus launcher ends with the session bus, and takes its own bus
    // and registry with it.
    Stop(bus_);
}

}  // namespace quorvel::test
