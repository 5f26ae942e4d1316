#include "platform/x11/X11Desktop.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>

#include "platform/x11/X11Util.h"

namespace quorvel::platform {
namespace {

using x11::Children;
using x11::ErrorTrap;

std::vector<Atom> AtomListProperty(Display* display, Window window, Atom property) {
    const auto p = x11::GetProperty(display, window, property, XA_ATOM, 64);
    if (!p.data || p.type != XA_ATOM || p.format != 32) return {};
    const auto* atoms = reinterpret_cast<const Atom*>(p.data.get());
    return std::vector<Atom>(atoms, atoms + p.items);
}

bool Contains(const std::vector<Atom>& atoms, Atom atom) {
    return std::find(atoms.begin(), atoms.end(), atom) != atoms.end();
}

}  // namespace

X11Desktop::X11Desktop(Display* display) : display_(display) {
    if (!display_) return;
    root_ = DefaultRootWindow(display_);
    watch_.reset(xcb_connect(DisplayString(display_), nullptr));
    if (xcb_connection_has_error(watch_.get()) != 0) {
        watch_.reset();
        return;
    }
    wmState_ = x11::InternAtom(watch_.get(), "_NET_WM_STATE");
    // A grab that ends is reported on its grab window, the root: focus for the
    // keyboard, leaving for the pointer.
    const std::uint32_t rootEvents =
        XCB_EVENT_MASK_FOCUS_CHANGE | XCB_EVENT_MASK_LEAVE_WINDOW | XCB_EVENT_MASK_ENTER_WINDOW;
    xcb_change_window_attributes(watch_.get(), static_cast<xcb_window_t>(root_), XCB_CW_EVENT_MASK,
                                 &rootEvents);
    xcb_flush(watch_.get());
}

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
    if (display_ && locked_) {
        TakeGrabs();
        TakeFocus();
    }
}

void X11Desktop::TakeFocus() {
    // A window that maps under the lock (the guest's browser, still starting after
    // boot) is given the keyboard focus by the window manager. The grab then reports
    // every key on the root, where nobody reads it: whoever stands at the lock types
    // into nothing. The window kept top-most takes the focus back.
    if (watched_ == 0 || !onTop_) return;
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    if (focus == watched_) return;
    ErrorTrap trap(display_);  // not viewable for a moment: the next tick tries again
    XSetInputFocus(display_, static_cast<Window>(watched_), RevertToParent, CurrentTime);
    XSync(display_, False);
}

void X11Desktop::TakeGrabs() {
    const Window root = DefaultRootWindow(display_);
    // Owner events: keys and clicks meant for our own windows reach them as usual;
    // clicks meant for anyone else's are reported on the root window, where nobody acts
    // on them. Keys meant for anyone else's (a window that took the focus as it mapped
    // under the lock, until the next tick takes it back) are reported on the window
    // kept top-most, whose login box takes them: what is typed at the lock is not lost.
    const Window keys = onTop_ && watched_ ? static_cast<Window>(watched_) : root;
    keyboardGrabbed_ = XGrabKeyboard(display_, keys, True, GrabModeAsync, GrabModeAsync,
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
    if (isAbove != topMost && attributes.map_state == IsViewable) {
        // _NET_WM_STATE_ADD (1) or _REMOVE (0), from a normal application (1).
        x11::SendToWindowManager(display_, target, XInternAtom(display_, "_NET_WM_STATE", False),
                                 {topMost ? 1 : 0, static_cast<long>(above), 0, 1});
    }
    if (topMost) XRaiseWindow(display_, target);
    const bool exists = !trap.Failed();
    onTop_ = exists && topMost;
    if (onTop_) Watch(target);
    return exists;
}

void X11Desktop::Watch(unsigned long window) {
    if (!watch_ || window == watched_) return;
    xcb_connection_t* c = watch_.get();
    // Our own connection's event mask: the toolkit's selection on the same window is
    // its own and stays as it is. A window that is gone answers with an error, which
    // is read and dropped with the events.
    const std::uint32_t none = 0;
    if (watched_)
        xcb_change_window_attributes(c, static_cast<xcb_window_t>(watched_), XCB_CW_EVENT_MASK,
                                     &none);
    const std::uint32_t events = XCB_EVENT_MASK_STRUCTURE_NOTIFY |
                                 XCB_EVENT_MASK_VISIBILITY_CHANGE | XCB_EVENT_MASK_FOCUS_CHANGE |
                                 XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c, static_cast<xcb_window_t>(window), XCB_CW_EVENT_MASK, &events);
    xcb_flush(c);
    watched_ = window;
}

bool X11Desktop::Disturbed() {
    if (!watch_) return true;
    bool disturbed = false;
    while (xcb_generic_event_t* raw = xcb_poll_for_event(watch_.get())) {
        const x11::XcbReply<xcb_generic_event_t> event(raw);
        switch (event->response_type & 0x7f) {
            case XCB_UNMAP_NOTIFY:
            case XCB_DESTROY_NOTIFY:
            case XCB_REPARENT_NOTIFY:
                disturbed = true;
                break;
            case XCB_VISIBILITY_NOTIFY:
                disturbed |= reinterpret_cast<xcb_visibility_notify_event_t*>(raw)->state !=
                             XCB_VISIBILITY_UNOBSCURED;
                break;
            case XCB_PROPERTY_NOTIFY:
                disturbed |= reinterpret_cast<xcb_property_notify_event_t*>(raw)->atom == wmState_;
                break;
            case XCB_FOCUS_IN:
            case XCB_FOCUS_OUT: {
                const auto* focus = reinterpret_cast<xcb_focus_in_event_t*>(raw);
                // A grab ended (or began), or the focus left the locked window.
                disturbed |=
                    focus->mode != XCB_NOTIFY_MODE_NORMAL ||
                    (focus->event == watched_ && (event->response_type & 0x7f) == XCB_FOCUS_OUT);
                break;
            }
            case XCB_ENTER_NOTIFY:
            case XCB_LEAVE_NOTIFY:
                disturbed |= reinterpret_cast<xcb_enter_notify_event_t*>(raw)->mode !=
                             XCB_NOTIFY_MODE_NORMAL;
                break;
            default:
                break;  // a restack echo, an error about a window gone: nothing lost
        }
    }
    return disturbed || xcb_connection_has_error(watch_.get()) != 0;
}

bool X11Desktop::LockSettled() {
    // Always read what came, so the descriptor is quiet again whatever the answer.
    if (Disturbed() || !locked_ || !InputGrabbed() || !onTop_ || watched_ == 0) return false;
    // The watch's event selections are only sent. While one waits unanswered the
    // server may not have acted on it yet, and it was seen holding back this
    // connection's events until something else woke it: a grab ended meanwhile then
    // woke nobody. One round trip before resting puts every selection in force and
    // brings in every event from before it, so the lock rests only on what the
    // server has seen.
    xcb_connection_t* c = watch_.get();
    const auto focus = x11::Take<xcb_get_input_focus_reply_t>(c, xcb_get_input_focus(c),
                                                              xcb_get_input_focus_reply);
    // Keys typed at the lock reach it only while it has the focus.
    if (!focus || focus->focus != watched_) return false;
    return !Disturbed();
}

int X11Desktop::LockEventDescriptor() {
    return watch_ ? xcb_get_file_descriptor(watch_.get()) : -1;
}

}  // namespace quorvel::platform
