#include "support/DesktopSession_x11.h"

#include <poll.h>
#include <unistd.h>

#include <cstdlib>

#include "support/Poll.h"

namespace quorvel::test {

namespace {

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
    // Held for the whole session; the window manager is looked for on it.
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

    // The session bus tells its address once it listens; the services it starts on
    // demand (the accessibility bus launcher) inherit this environment.
    const Started bus = StartServer(
        {"dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=3"}, 20000);
    bus_ = bus.pid;
    if (bus.line.empty()) {
        error_ = "dbus-daemon did not start";
        return;
    }
    setenv("DBUS_SESSION_BUS_ADDRESS", bus.line.c_str(), 1);

    windowManager_ = StartServer({"openbox", "--sm-disable"}, 0).pid;
    if (!PollUntil([&] { return WindowManagerRunning(keeper_.get()); }))
        error_ = "openbox did not start";
}

DesktopSession::~DesktopSession() {
    StopServer(windowManager_);
    // The accessibility bus launcher ends with the session bus, and takes its own bus
    // and registry with it.
    StopServer(bus_);
}

}  // namespace quorvel::test
