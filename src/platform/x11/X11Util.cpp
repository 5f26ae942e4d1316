#include "platform/x11/X11Util.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace quorvel::platform::x11 {

namespace {

// Xlib reports errors through a process-wide callback without a user pointer, so the
// trap's count has to live outside it; it is touched only on the user-interface
// thread, between a trap's construction and its end.
std::atomic<int>& TrappedErrors() {
    static std::atomic<int> count{0};
    return count;
}

int CountError(Display*, XErrorEvent*) {
    ++TrappedErrors();
    return 0;
}

}  // namespace

void DisplayCloser::operator()(Display* display) const {
    if (display) XCloseDisplay(display);
}

UniqueDisplay OpenDisplay(const std::string& name) {
    return UniqueDisplay(XOpenDisplay(name.empty() ? nullptr : name.c_str()));
}

void XFreeDeleter::operator()(void* data) const {
    if (data) XFree(data);
}

ErrorTrap::ErrorTrap(Display* display) : display_(display) {
    // Errors of earlier requests still go to whoever made them.
    XSync(display_, False);
    TrappedErrors() = 0;
    previous_ = reinterpret_cast<void (*)()>(XSetErrorHandler(CountError));
}

ErrorTrap::~ErrorTrap() {
    XSync(display_, False);
    XSetErrorHandler(reinterpret_cast<XErrorHandler>(previous_));
}

bool ErrorTrap::Failed() {
    XSync(display_, False);
    return TrappedErrors() != 0;
}

std::vector<Window> Children(Display* display, Window window, Window* parent) {
    Window root = 0, up = 0;
    Window* raw = nullptr;
    unsigned int count = 0;
    if (parent) *parent = 0;
    if (!XQueryTree(display, window, &root, &up, &raw, &count)) return {};
    const XPtr<Window> children(raw);
    if (parent) *parent = up;
    if (!children) return {};
    return std::vector<Window>(children.get(), children.get() + count);
}

Property GetProperty(Display* display, Window window, Atom property, Atom type, long longs) {
    Property out;
    unsigned long after = 0;
    unsigned char* raw = nullptr;
    if (XGetWindowProperty(display, window, property, 0, longs, False, type, &out.type, &out.format,
                           &out.items, &after, &raw) == Success)
        out.data.reset(raw);
    return out;
}

void SendToWindowManager(Display* display, Window window, Atom messageType,
                         std::initializer_list<long> data) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = messageType;
    event.xclient.format = 32;
    std::copy_n(data.begin(), std::min<std::size_t>(data.size(), 5), event.xclient.data.l);
    XSendEvent(display, DefaultRootWindow(display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

std::uint32_t InternAtom(xcb_connection_t* connection, const char* name) {
    const auto cookie =
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    const auto reply = Take<xcb_intern_atom_reply_t>(connection, cookie, xcb_intern_atom_reply);
    return reply ? reply->atom : static_cast<std::uint32_t>(XCB_ATOM_NONE);
}

}  // namespace quorvel::platform::x11
