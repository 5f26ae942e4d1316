#include "platform/x11/X11WindowSystem.h"

#include <xcb/xcb.h>

// Xlib is needed only for XTest; its macros are kept away from the code above.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace quorvel::platform {

namespace {

// A property read prefetches this much of a window's name: GetWindowTextA's 253
// characters and more.
constexpr std::uint32_t kNameBytes = 256;
// WM_CLASS holds two names; a kilobyte holds any real pair.
constexpr std::uint32_t kClassBytes = 1024;

using x11::Take;

// The bytes of an 8-bit property reply, if the property is there.
bool Bytes(const xcb_get_property_reply_t* reply, std::string& out, bool* complete = nullptr) {
    if (reply == nullptr || reply->type == XCB_ATOM_NONE || reply->format != 8) return false;
    out.assign(static_cast<const char*>(xcb_get_property_value(reply)),
               static_cast<std::size_t>(xcb_get_property_value_length(reply)));
    if (complete != nullptr) *complete = reply->bytes_after == 0;
    return true;
}

}  // namespace

X11WindowSystem::X11WindowSystem(const std::string& displayName) : displayName_(displayName) {
    int screenNumber = 0;
    connection_.reset(
        xcb_connect(displayName.empty() ? nullptr : displayName.c_str(), &screenNumber));
    if (xcb_connection_has_error(connection_.get()) != 0) {
        connection_.reset();
        return;
    }
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection_.get()));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i) xcb_screen_next(&screens);
    if (screens.rem > 0) root_ = screens.data->root;
    netWmName_ = x11::InternAtom(connection_.get(), "_NET_WM_NAME");
    utf8String_ = x11::InternAtom(connection_.get(), "UTF8_STRING");
}

X11WindowSystem::~X11WindowSystem() = default;

Hwnd X11WindowSystem::DesktopWindow() {
    return root_;
}

void X11WindowSystem::FetchNames(const std::vector<Hwnd>& windows, std::uint32_t nameBytes,
                                 Snapshot& out) {
    xcb_connection_t* c = connection_.get();
    const std::uint32_t nameLongs = (nameBytes + 3) / 4;
    std::vector<std::pair<xcb_get_property_cookie_t, xcb_get_property_cookie_t>> cookies;
    cookies.reserve(windows.size());
    for (const Hwnd window : windows) {
        const auto w = static_cast<xcb_window_t>(window);
        cookies.emplace_back(
            xcb_get_property(c, 0, w, netWmName_, utf8String_, 0, nameLongs),
            xcb_get_property(c, 0, w, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, nameLongs));
    }
    for (std::size_t i = 0; i < windows.size(); ++i) {
        Name& n = out[windows[i]];
        const auto netName =
            Take<xcb_get_property_reply_t>(c, cookies[i].first, xcb_get_property_reply);
        const auto name =
            Take<xcb_get_property_reply_t>(c, cookies[i].second, xcb_get_property_reply);
        if (!Bytes(netName.get(), n.text, &n.complete)) Bytes(name.get(), n.text, &n.complete);
    }
}

void X11WindowSystem::EnumChildWindows(Hwnd parent, const EnumChildProc& proc,
                                       std::intptr_t param) {
    if (!connection_) return;
    xcb_connection_t* c = connection_.get();
    // The tree under `parent`, one level at a time: every window of a level is asked
    // for its children before any answer is awaited.
    std::unordered_map<Hwnd, std::vector<Hwnd>> children;
    std::vector<Hwnd> all;
    for (std::vector<Hwnd> level{parent}; !level.empty();) {
        std::vector<xcb_query_tree_cookie_t> cookies;
        cookies.reserve(level.size());
        for (const Hwnd w : level)
            cookies.push_back(xcb_query_tree(c, static_cast<xcb_window_t>(w)));
        std::vector<Hwnd> next;
        for (std::size_t i = 0; i < level.size(); ++i) {
            const auto reply = Take<xcb_query_tree_reply_t>(c, cookies[i], xcb_query_tree_reply);
            if (!reply) continue;
            const xcb_window_t* kids = xcb_query_tree_children(reply.get());
            auto& list = children[level[i]];
            list.assign(kids, kids + xcb_query_tree_children_length(reply.get()));
            next.insert(next.end(), list.begin(), list.end());
        }
        all.insert(all.end(), next.begin(), next.end());
        level.swap(next);
    }

    Snapshot snapshot;
    FetchNames(all, kNameBytes, snapshot);
    const Snapshot* previous = snapshot_;
    struct Restore {
        const Snapshot*& slot;
        const Snapshot* previous;
        ~Restore() { slot = previous; }
    } restore{snapshot_, previous};
    snapshot_ = &snapshot;

    // Each window before its own children, as EnumChildWindows visits them.
    std::vector<std::pair<const std::vector<Hwnd>*, std::size_t>> stack{{&children[parent], 0}};
    while (!stack.empty()) {
        auto& [list, index] = stack.back();
        if (index == list->size()) {
            stack.pop_back();
            continue;
        }
        const Hwnd window = (*list)[index++];
        if (!proc(window, param)) return;
        const auto it = children.find(window);
        if (it != children.end() && !it->second.empty()) stack.push_back({&it->second, 0});
    }
}

std::string X11WindowSystem::WindowText(Hwnd window, int maxCount) {
    if (!connection_ || maxCount <= 0) return {};
    const auto wanted = static_cast<std::size_t>(maxCount - 1);
    if (snapshot_ != nullptr) {
        const auto it = snapshot_->find(window);
        if (it != snapshot_->end() && (it->second.complete || it->second.text.size() >= wanted))
            return FitText(it->second.text, maxCount);
    }
    Snapshot one;
    FetchNames({window}, static_cast<std::uint32_t>(wanted), one);
    return FitText(one[window].text, maxCount);
}

std::string X11WindowSystem::ClassName(Hwnd window, int maxCount) {
    if (!connection_ || maxCount <= 0) return {};
    xcb_connection_t* c = connection_.get();
    const auto reply = Take<xcb_get_property_reply_t>(
        c,
        xcb_get_property(c, 0, static_cast<xcb_window_t>(window), XCB_ATOM_WM_CLASS,
                         XCB_GET_PROPERTY_TYPE_ANY, 0, kClassBytes / 4),
        xcb_get_property_reply);
    // WM_CLASS is "instance\0class\0".
    std::string pair;
    if (!Bytes(reply.get(), pair)) return {};
    const auto first = pair.find('\0');
    if (first == std::string::npos) return {};
    std::string className = pair.substr(first + 1);
    if (const auto end = className.find('\0'); end != std::string::npos) className.resize(end);
    return FitText(className, maxCount);
}

int X11WindowSystem::TextLength(Hwnd) {
    return 0;
}

std::string X11WindowSystem::GetText(Hwnd, int) {
    return {};
}

void X11WindowSystem::SetText(Hwnd, const std::string&) {}

void X11WindowSystem::PressEnter() {
    if (!display_) display_ = x11::OpenDisplay(displayName_);
    if (!display_) return;
    const KeyCode key = XKeysymToKeycode(display_.get(), XK_Return);
    if (key == 0) return;
    // The release goes with the press: the X server keeps a synthesized key down until
    // it is released, repeating it and showing it held to every later client.
    XTestFakeKeyEvent(display_.get(), key, True, CurrentTime);
    XTestFakeKeyEvent(display_.get(), key, False, CurrentTime);
    XFlush(display_.get());
}

}  // namespace quorvel::platform
