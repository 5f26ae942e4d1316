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

namespace quorvel::platform {

namespace {

// A window may vanish between listing and asking about it; that is no reason to
// end the program, which is what Xlib's default handler would do. The handler is the
// process's, so it is only in place while this backend talks to the server, and the
// errors of its requests are collected (XSync) before the previous one returns.
int IgnoreXErrors(Display*, XErrorEvent*) {
    return 0;
}

class IgnoringXErrors {
  public:
    explicit IgnoringXErrors(Display* display)
        : display_(display), previous_(XSetErrorHandler(IgnoreXErrors)) {}
    ~IgnoringXErrors() {
        XSync(display_, False);
        XSetErrorHandler(previous_);
    }
    IgnoringXErrors(const IgnoringXErrors&) = delete;
    IgnoringXErrors& operator=(const IgnoringXErrors&) = delete;

  private:
    Display* display_;
    XErrorHandler previous_;
};

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if ((x >= 'A' && x <= 'Z' ? x + 32 : x) != (y >= 'A' && y <= 'Z' ? y + 32 : y))
            return false;
    }
    return true;
}

// XQueryTree's children of `window`, bottom-most first.
std::vector<Window> Children(Display* display, Window window, Window* parentOut = nullptr) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    std::vector<Window> out;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) return out;
    out.assign(children, children + count);
    if (children) XFree(children);
    if (parentOut) *parentOut = parent;
    return out;
}

std::optional<std::string> ClassOf(Display* display, Window window) {
    XClassHint hint{};
    if (!XGetClassHint(display, window, &hint)) return std::nullopt;
    std::optional<std::string> result;
    if (hint.res_class) result = hint.res_class;
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
    return result;
}

std::optional<std::string> NameOf(Display* display, Window window) {
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &items,
                           &after, &data) == Success &&
        data) {
        std::string name(reinterpret_cast<char*>(data), items);
        XFree(data);
        if (type == utf8) return name;
    }
    char* fetched = nullptr;
    if (XFetchName(display, window, &fetched) && fetched) {
        std::string name(fetched);
        XFree(fetched);
        return name;
    }
    return std::nullopt;
}

// ICCCM WM_STATE: 1 normal, 3 iconic; nullopt for a window that is no client.
std::optional<long> WmState(Display* display, Window window) {
    const Atom wmState = XInternAtom(display, "WM_STATE", False);
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, wmState, 0, 2, False, wmState, &type, &format, &items,
                           &after, &data) != Success ||
        !data)
        return std::nullopt;
    std::optional<long> state;
    if (type == wmState && format == 32 && items >= 1) state = reinterpret_cast<long*>(data)[0];
    XFree(data);
    return state;
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

void X11Instance::DisplayCloser::operator()(_XDisplay* display) const {
    if (display) XCloseDisplay(display);
}

X11Instance::X11Instance(std::string lockPath, const char* displayName)
    : lockPath_(std::move(lockPath)), display_(XOpenDisplay(displayName)) {}

X11Instance::~X11Instance() {
    if (!display_ || !mainWindow_) return;
    IgnoringXErrors guard(display_.get());
    XDestroyWindow(display_.get(), mainWindow_);
}

bool X11Instance::PreviousInstanceRunning() {
    if (lockTried_) return otherRunning_;
    lockTried_ = true;
    UniqueFd fd(::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
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
    IgnoringXErrors guard(display);
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
    IgnoringXErrors guard(display);
    const auto children = Children(display, DefaultRootWindow(display));
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        const auto windowClass = ClassOf(display, *it);
        if (!windowClass || !EqualIgnoringCase(*windowClass, className)) continue;
        const auto name = NameOf(display, *it);
        if (name && EqualIgnoringCase(*name, title)) return *it;
    }
    return 0;
}

Hwnd X11Instance::FirstInZOrder(Hwnd window) {
    Display* display = display_.get();
    if (!display || !window) return 0;
    IgnoringXErrors guard(display);
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
    IgnoringXErrors guard(display);
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
    IgnoringXErrors guard(display);
    const Window root = DefaultRootWindow(display);
    const auto client = ClientOf(display, static_cast<Window>(window));
    if (client) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = *client;
        event.xclient.message_type = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = 2;  // from a pager-like tool: honoured as asked
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
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
