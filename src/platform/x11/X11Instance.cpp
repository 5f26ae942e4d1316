#include "platform/x11/X11Instance.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/AsciiText.h"

namespace quorvel::platform {

namespace {

using x11::Children;
using x11::ErrorTrap;
using x11::XPtr;

std::optional<std::string> ClassOf(Display* display, Window window) {
    XClassHint hint{};
    if (!XGetClassHint(display, window, &hint)) return std::nullopt;
    const XPtr<char> name(hint.res_name), windowClass(hint.res_class);
    if (!windowClass) return std::nullopt;
    return std::string(windowClass.get());
}

std::optional<std::string> NameOf(Display* display, Window window) {
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    const auto netName =
        x11::GetProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), utf8, 1024);
    if (netName.data && netName.type == utf8)
        return std::string(reinterpret_cast<const char*>(netName.data.get()), netName.items);
    char* raw = nullptr;
    if (!XFetchName(display, window, &raw)) return std::nullopt;
    const XPtr<char> fetched(raw);
    if (!fetched) return std::nullopt;
    return std::string(fetched.get());
}

// ICCCM WM_STATE: 1 normal, 3 iconic; nullopt for a window that is no client.
std::optional<long> WmState(Display* display, Window window) {
    const Atom wmState = XInternAtom(display, "WM_STATE", False);
    const auto p = x11::GetProperty(display, window, wmState, wmState, 2);
    if (!p.data || p.type != wmState || p.format != 32 || p.items < 1) return std::nullopt;
    return reinterpret_cast<const long*>(p.data.get())[0];
}

// The client window at or below `window` (a window manager's frame holds its client
// a level or two down).
std::optional<Window> ClientOf(Display* display, Window window, int depth = 0) {
    if (WmState(display, window)) return window;
    if (depth >= 3) return std::nullopt;
    const auto children = Children(display, window);
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        if (auto client = ClientOf(display, *it, depth + 1)) return client;
    return std::nullopt;
}

bool IsShown(Display* display, Window window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}

}  // namespace

X11Instance::X11Instance(std::string lockPath, const std::string& displayName)
    : lockPath_(std::move(lockPath)), display_(x11::OpenDisplay(displayName)) {}

X11Instance::~X11Instance() {
    if (!display_ || !mainWindow_) return;
    ErrorTrap trap(display_.get());
    XDestroyWindow(display_.get(), mainWindow_);
}

bool X11Instance::PreviousInstanceRunning() {
    if (lockTried_) return otherRunning_;
    lockTried_ = true;
    os::UniqueFd fd(::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!fd) return otherRunning_;  // no lock to be had: run as the only one
    int rc;
    while ((rc = ::flock(fd.get(), LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (rc == 0)
        lock_ = std::move(fd);  // held for the whole run; the kernel drops it at exit
    else
        otherRunning_ = errno == EWOULDBLOCK;
    return otherRunning_;
}

void X11Instance::SetMainWindowTitle(const std::string& title) {
    Display* display = display_.get();
    if (!display) return;
    ErrorTrap trap(display);
    if (!mainWindow_) {
        // Input-only and never mapped: it exists to be found, never to be seen.
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        mainWindow_ =
            XCreateWindow(display, DefaultRootWindow(display), -10, -10, 1, 1, 0, CopyFromParent,
                          InputOnly, CopyFromParent, CWOverrideRedirect, &attributes);
        XClassHint hint{};
        char name[] = "quorvel";
        char className[] = "ThunderRT6Main";
        hint.res_name = name;
        hint.res_class = className;
        XSetClassHint(display, mainWindow_, &hint);
    }
    XStoreName(display, mainWindow_, title.c_str());
    XChangeProperty(display, mainWindow_, XInternAtom(display, "_NET_WM_NAME", False),
                    XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()),
                    static_cast<int>(title.size()));
    // The next search, in this process or another, must see the new title.
    XSync(display, False);
}

Hwnd X11Instance::FindWindow(const std::string& className, const std::string& title) {
    Display* display = display_.get();
    if (!display) return 0;
    ErrorTrap trap(display);
    const auto children = Children(display, DefaultRootWindow(display));
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        const auto windowClass = ClassOf(display, *it);
        if (!windowClass || !EqualsIgnoringAsciiCase(*windowClass, className)) continue;
        const auto name = NameOf(display, *it);
        if (name && EqualsIgnoringAsciiCase(*name, title)) return *it;
    }
    return 0;
}

Hwnd X11Instance::FirstInZOrder(Hwnd window) {
    Display* display = display_.get();
    if (!display || !window) return 0;
    ErrorTrap trap(display);
    Window parent = 0;
    Children(display, static_cast<Window>(window), &parent);
    if (!parent) return 0;
    const auto siblings = Children(display, parent);
    // An application's window first (itself or the frame that holds it), then any
    // shown window, then any at all.
    for (auto it = siblings.rbegin(); it != siblings.rend(); ++it)
        if (IsShown(display, *it) && ClientOf(display, *it)) return *it;
    for (auto it = siblings.rbegin(); it != siblings.rend(); ++it)
        if (IsShown(display, *it)) return *it;
    return siblings.empty() ? 0 : siblings.back();
}

void X11Instance::Restore(Hwnd window) {
    Display* display = display_.get();
    if (!display || !window) return;
    ErrorTrap trap(display);
    const auto client = ClientOf(display, static_cast<Window>(window));
    if (!client) return;
    const auto state = WmState(display, *client);
    if (state && *state == IconicState) {
        XMapRaised(display, *client);
        XFlush(display);
    }
}

void X11Instance::BringToFront(Hwnd window) {
    Display* display = display_.get();
    if (!display || !window) return;
    ErrorTrap trap(display);
    const auto client = ClientOf(display, static_cast<Window>(window));
    if (client) {
        // Source 2, a pager-like tool: the window manager honours it as asked.
        x11::SendToWindowManager(
            display, *client, XInternAtom(display, "_NET_ACTIVE_WINDOW", False), {2, CurrentTime});
        XRaiseWindow(display, static_cast<Window>(window));
    } else if (IsShown(display, static_cast<Window>(window))) {
        XRaiseWindow(display, static_cast<Window>(window));
    }
    XFlush(display);
}

void X11Instance::EndProgram() {
    if (display_) XSync(display_.get(), False);
    ::_exit(0);
}

}  // namespace quorvel::platform
