#pragma once
// What every X11 backend needs of Xlib and xcb, in one place: connections and the
// memory the libraries hand out owned by guards, an error trap for requests about
// windows that may be gone, and the few requests the backends share. Xlib's own
// header is left to the .cpp files (its macros None, Bool, Status ... would rename
// names in whatever includes a backend's header), so its types are declared here as
// Xlib declares them; xcb's header has no such macros.
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

struct _XDisplay;

namespace quorvel::platform::x11 {

using Display = ::_XDisplay;
// Xlib's Window and Atom: both an XID.
using Window = unsigned long;
using Atom = unsigned long;

struct DisplayCloser {
    void operator()(Display* display) const;
};
using UniqueDisplay = std::unique_ptr<Display, DisplayCloser>;

// `name` empty: the DISPLAY environment variable. Null when there is no server.
UniqueDisplay OpenDisplay(const std::string& name = {});

// Owns what Xlib allocates for its caller (property data, window lists, names).
struct XFreeDeleter {
    void operator()(void* data) const;
};
template <class T>
using XPtr = std::unique_ptr<T, XFreeDeleter>;

// Catches the errors of the requests made while it lives, instead of Xlib's default
// handler ending the program: a window can vanish between two requests when its
// client destroys it. The handler is the process's, so a trap is in place only while
// a backend talks to the server, on the user-interface thread, and errors of its
// requests are collected (XSync) before the previous handler returns.
class ErrorTrap {
  public:
    explicit ErrorTrap(Display* display);
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;
    ~ErrorTrap();
    // Waits for the server's answers to what was sent so far: true if any request
    // since the trap was set failed.
    bool Failed();

  private:
    Display* display_;
    void (*previous_)();  // the XErrorHandler in place before, restored at the end
};

// XQueryTree's children of `window`, bottom-most first; `parent`, if given, receives
// the window's parent (0 when the window is gone).
std::vector<Window> Children(Display* display, Window window, Window* parent = nullptr);

// One XGetWindowProperty answer: `data` is null when the property is missing.
struct Property {
    XPtr<unsigned char> data;
    Atom type = 0;
    int format = 0;
    unsigned long items = 0;
};
// Reads at most `longs` 32-bit units of `property` as `type` (AnyPropertyType, 0: any).
Property GetProperty(Display* display, Window window, Atom property, Atom type, long longs);

// A client message about `window` to the window manager (sent to the root window, as
// the window-manager hints ask for), with up to five data values.
void SendToWindowManager(Display* display, Window window, Atom messageType,
                         std::initializer_list<long> data);

// xcb: the connection, and replies (malloc'd by xcb, released with free).
struct ConnectionCloser {
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
using UniqueConnection = std::unique_ptr<xcb_connection_t, ConnectionCloser>;

struct FreeDeleter {
    void operator()(void* data) const { std::free(data); }
};
template <class T>
using XcbReply = std::unique_ptr<T, FreeDeleter>;

// Takes a reply and drops the error a request about a vanished window brings back:
// `Take<xcb_query_tree_reply_t>(c, cookie, xcb_query_tree_reply)`.
template <class Reply, class Cookie, class Fn>
XcbReply<Reply> Take(xcb_connection_t* connection, Cookie cookie, Fn replyFn) {
    xcb_generic_error_t* error = nullptr;
    XcbReply<Reply> reply(replyFn(connection, cookie, &error));
    std::free(error);
    return reply;
}

// The atom of `name`, created if the server does not know it yet; XCB_ATOM_NONE
// when the server did not answer.
std::uint32_t InternAtom(xcb_connection_t* connection, const char* name);

}  // namespace quorvel::platform::x11
