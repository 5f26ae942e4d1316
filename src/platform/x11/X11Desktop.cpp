#include "platform/x11/X11Desktop.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <atomic>
#include <memory>

namespace quorvel::platform {
namespace {

// Xlib reports errors through a process-wide callback without a user pointer, so
// the trap's count has to live at namespace scope; it is touched only on the
// user-interface thread, between a trap's construction and its end.
std::atomic<int> trappedErrors{0};

int CountError(Display*, XErrorEvent*) {
    ++trappedErrors;
    return 0;
}

// Catches the errors of the requests made while it lives (a window can vanish
// between two calls: another client destroys it), instead of the default handler
// ending the program.
class ErrorTrap {
  public:
    explicit ErrorTrap(Display* display) : display_(display) {
        XSync(display_, False);
        trappedErrors = 0;
        previous_ = XSetErrorHandler(CountError);
    }
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;
    ~ErrorTrap() {
        XSync(display_, False);
        XSetErrorHandler(previous_);
    }
    // Waits for the server's answers to what was sent so far.
    bool Failed() {
        XSync(display_, False);
        return trappedErrors != 0;
    }

  private:
    Display* display_;
    XErrorHandler previous_;
};

// Owns what XGetWindowProperty and XQueryTree hand out.
struct XFreeDeleter {
    void operator()(void* data) const {
        if (data) XFree(data);
    }
};

std::vector<Atom> AtomListProperty(Display* display, Window window, Atom property) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* raw = nullptr;
    if (XGetWindowProperty(display, window, property, 0, 64, False, XA_ATOM, &type, &format, &count,
                           &after, &raw) != Success)
        return {};
    std::unique_ptr<unsigned char, XFreeDeleter> data(raw);
    if (!data || type != XA_ATOM || format != 32) return {};
    const auto* atoms = reinterpret_cast<const Atom*>(data.get());
    return std::vector<Atom>(atoms, atoms + count);
}

std::vector<Window> Children(Display* display, Window window) {
    Window root = 0, parent = 0;
    Window* raw = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &raw, &count)) return {};
    std::unique_ptr<Window, XFreeDeleter> children(raw);
    if (!children) return {};
    return std::vector<Window>(children.get(), children.get() + count);
}

bool Contains(const std::vector<Atom>& atoms, Atom atom) {
    return std::find(atoms.begin(), atoms.end(), atom) != atoms.end();
}

void SendWmState(Display* display, Window window, bool add, Atom state) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "_NET_WM_STATE", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = add ? 1 : 0;  // _NET_WM_STATE_ADD / _REMOVE
    event.xclient.data.l[1] = static_cast<long>(state);
    event.xclient.data.l[2] = 0;
    event.xclient.data.l[3] = 1;  // from a normal application
    XSendEvent(display, DefaultRootWindow(display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

}  // namespace

X11Desktop::X11Desktop(Display* display) : display_(display) {}

X11Desktop::~X11Desktop() {
    if (display_ && (keyboardGrabbed_ || pointerGrabbed_)) ReleaseGrabs();
}

std::vector<unsigned long> X11Desktop::DockWindows() const {
    const Atom windowType = XInternAtom(display_, "_NET_WM_WINDOW_TYPE", False);
    const Atom dock = XInternAtom(display_, "_NET_WM_WINDOW_TYPE_DOCK", False);
    std::vector<unsigned long> docks;
    // Docks are top-level windows; a reparenting window manager may have put one
    // into a frame, so the frames' children are looked at as well.
    for (Window top : Children(display_, DefaultRootWindow(display_))) {
        if (Contains(AtomListProperty(display_, top, windowType), dock)) {
            docks.push_back(top);
            continue;
        }
        for (Window child : Children(display_, top))
            if (Contains(AtomListProperty(display_, child, windowType), dock))
                docks.push_back(child);
    }
    return docks;
}

void X11Desktop::ShowTaskbar(int showCommand) {
    if (!display_) return;
    ErrorTrap trap(display_);
    for (Window dock : DockWindows()) {
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(display_, dock, &attributes)) continue;
        if (showCommand == 0 && attributes.map_state != IsUnmapped)
            XUnmapWindow(display_, dock);
        else if (showCommand != 0 && attributes.map_state == IsUnmapped)
            XMapWindow(display_, dock);
    }
    trap.Failed();
}

void X11Desktop::SetScreenSaverRunning(bool running, bool) {
    if (!display_) return;
    locked_ = running;
    if (running)
        TakeGrabs();
    else
        ReleaseGrabs();
}

void X11Desktop::KeepScreenSaverRunning() {
    // Asking again for a grab this client already holds is answered with success, so
    // this both retries a grab that did not hold yet and takes back one that was lost.
    if (display_ && locked_) TakeGrabs();
}

void X11Desktop::TakeGrabs() {
    const Window root = DefaultRootWindow(display_);
    // Owner events: keys and clicks meant for our own windows reach them as usual;
    // everything else is reported on the root window, where nobody acts on it.
    keyboardGrabbed_ = XGrabKeyboard(display_, root, True, GrabModeAsync, GrabModeAsync,
                                     CurrentTime) == GrabSuccess;
    pointerGrabbed_ = XGrabPointer(display_, root, True, 0, GrabModeAsync, GrabModeAsync, None,
                                   None, CurrentTime) == GrabSuccess;
}

void X11Desktop::ReleaseGrabs() {
    XUngrabKeyboard(display_, CurrentTime);
    XUngrabPointer(display_, CurrentTime);
    // Waits until the server has let go, so a program started next finds it free.
    XSync(display_, False);
    keyboardGrabbed_ = pointerGrabbed_ = false;
}

bool X11Desktop::SetTopMost(std::uintptr_t window, bool topMost) {
    if (!display_ || window == 0) return false;
    ErrorTrap trap(display_);
    XWindowAttributes attributes{};
    const Window target = static_cast<Window>(window);
    if (!XGetWindowAttributes(display_, target, &attributes) || trap.Failed()) return false;
    const Atom above = XInternAtom(display_, "_NET_WM_STATE_ABOVE", False);
    const bool isAbove = Contains(
        AtomListProperty(display_, target, XInternAtom(display_, "_NET_WM_STATE", False)), above);
    // Asked only when it would change, so the window manager is not kept busy by a
    // 50 ms timer.
    if (isAbove != topMost && attributes.map_state == IsViewable)
        SendWmState(display_, target, topMost, above);
    if (topMost) XRaiseWindow(display_, target);
    return !trap.Failed();
}

}  // namespace quorvel::platform
