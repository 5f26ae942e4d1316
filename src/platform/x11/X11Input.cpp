#include "platform/x11/X11Input.h"

#include <xcb/xtest.h>

#include <algorithm>
#include <thread>

namespace quorvel::platform {

namespace {

// X keysyms used here (X11/keysymdef.h).
constexpr std::uint32_t kShiftL = 0xffe1;
constexpr std::uint32_t kControlL = 0xffe3;
constexpr std::uint32_t kNoSymbol = 0;
// The pager's source indication in a _NET_ACTIVE_WINDOW request: the person at the
// screen asked for it, which window managers never refuse as focus stealing.
constexpr std::uint32_t kSourcePager = 2;
// How often a wait for the window manager looks again.
constexpr std::chrono::milliseconds kPollInterval{10};

using x11::Take;

x11::XcbReply<xcb_get_property_reply_t> Property(xcb_connection_t* c, xcb_window_t window,
                                                 std::uint32_t property, std::uint32_t type,
                                                 std::uint32_t longs) {
    return Take<xcb_get_property_reply_t>(
        c, xcb_get_property(c, 0, window, property, type, 0, longs), xcb_get_property_reply);
}

// Holds the server for keys typed into a window that was checked to have the focus:
// while it is held no other client's request is served, so nothing can move the focus
// between the check and the keys, and they land where the check found it. The hold
// ends once the server has answered a request sent after the keys, so they have been
// handled by then; a program that dies holding it lets go with its connection.
class ServerHold {
  public:
    ServerHold(xcb_connection_t* c, bool hold) : c_(hold ? c : nullptr) {
        if (c_ != nullptr) xcb_grab_server(c_);
    }
    ~ServerHold() {
        if (c_ == nullptr) return;
        Take<xcb_get_input_focus_reply_t>(c_, xcb_get_input_focus(c_), xcb_get_input_focus_reply);
        xcb_ungrab_server(c_);
        xcb_flush(c_);
    }
    ServerHold(const ServerHold&) = delete;
    ServerHold& operator=(const ServerHold&) = delete;

  private:
    xcb_connection_t* c_;
};

}  // namespace

X11Input::X11Input(const std::string& displayName, const std::string& inputsDisplayName) {
    if (!inputsDisplayName.empty() && inputsDisplayName != displayName) {
        inputsConnection_.reset(xcb_connect(inputsDisplayName.c_str(), nullptr));
        // Without it nothing is typed either: a rewrite would mix with the guest's keys.
        if (xcb_connection_has_error(inputsConnection_.get()) != 0) {
            inputsConnection_.reset();
            return;
        }
    }
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
    LoadKeyboardMap();
}

X11Input::~X11Input() = default;

std::uint32_t X11Input::Atom(const char* name) {
    // An atom never changes while the server runs: asked for once. A rewrite checks the
    // focus before every key it types, and each check would ask again.
    const auto known = atoms_.find(name);
    if (known != atoms_.end()) return known->second;
    const std::uint32_t atom = x11::InternAtom(connection_.get(), name);
    if (atom != 0) atoms_.emplace(name, atom);
    return atom;
}

std::vector<std::uint32_t> X11Input::WindowList(Window window, std::uint32_t property) {
    // A kilobyte of longs holds any real desktop's list of windows or atoms.
    const auto reply =
        Property(connection_.get(), window, property, XCB_GET_PROPERTY_TYPE_ANY, 1024);
    if (!reply || reply->format != 32) return {};
    const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    return {values, values + xcb_get_property_value_length(reply.get()) / 4};
}

bool X11Input::Supports(std::uint32_t atom) {
    for (const std::uint32_t supported : WindowList(root_, Atom("_NET_SUPPORTED")))
        if (supported == atom) return true;
    return false;
}

std::uint32_t ChooseWindow(const std::vector<ClientWindow>& windows, const std::string& title,
                           const ScreenRect& place) {
    std::vector<const ClientWindow*> named;
    for (const ClientWindow& w : windows)
        if (!w.title.empty() && title.starts_with(w.title)) named.push_back(&w);
    if (named.size() == 1) return named.front()->window;
    std::uint32_t found = 0;
    for (const ClientWindow* w : named) {
        if (!(w->place == place)) continue;
        if (found != 0) return 0;
        found = w->window;
    }
    return found;
}

std::string X11Input::Title(Window window) {
    // A kilobyte of title is more than any window shows.
    const auto name =
        Property(connection_.get(), window, Atom("_NET_WM_NAME"), Atom("UTF8_STRING"), 256);
    if (!name || name->format != 8) return {};
    return {static_cast<const char*>(xcb_get_property_value(name.get())),
            static_cast<std::size_t>(xcb_get_property_value_length(name.get()))};
}

std::vector<ClientWindow> X11Input::WindowsOf(std::uint32_t pid) {
    std::vector<ClientWindow> found;
    if (!connection_) return found;
    xcb_connection_t* c = connection_.get();
    const std::uint32_t wmPid = Atom("_NET_WM_PID");
    for (const Window window : WindowList(root_, Atom("_NET_CLIENT_LIST"))) {
        const auto owner = Property(c, window, wmPid, XCB_ATOM_CARDINAL, 1);
        if (!owner || owner->format != 32 || xcb_get_property_value_length(owner.get()) != 4 ||
            *static_cast<const std::uint32_t*>(xcb_get_property_value(owner.get())) != pid)
            continue;
        const auto geometry =
            Take<xcb_get_geometry_reply_t>(c, xcb_get_geometry(c, window), xcb_get_geometry_reply);
        const auto corner = Take<xcb_translate_coordinates_reply_t>(
            c, xcb_translate_coordinates(c, window, root_, 0, 0), xcb_translate_coordinates_reply);
        if (!geometry || !corner) continue;
        found.push_back({window,
                         Title(window),
                         {corner->dst_x, corner->dst_y, geometry->width, geometry->height}});
    }
    return found;
}

X11Input::Window X11Input::FindWindow(std::uint32_t pid, const std::string& title,
                                      const ScreenRect& place) {
    return ChooseWindow(WindowsOf(pid), title, place);
}

bool X11Input::IsFullScreen(Window window) {
    const std::uint32_t fullScreen = Atom("_NET_WM_STATE_FULLSCREEN");
    for (const std::uint32_t state : WindowList(window, Atom("_NET_WM_STATE")))
        if (state == fullScreen) return true;
    return false;
}

void X11Input::Close(Window window) {
    if (!connection_ || window == 0) return;
    AskWindowManager(window, Atom("_NET_CLOSE_WINDOW"), XCB_CURRENT_TIME, kSourcePager);
    xcb_flush(connection_.get());
}

void X11Input::AskWindowManager(Window window, std::uint32_t type, std::uint32_t first,
                                std::uint32_t second) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = type;
    event.data.data32[0] = first;
    event.data.data32[1] = second;
    xcb_send_event(connection_.get(), 0, root_,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
}

bool X11Input::IsActive(Window window) {
    if (!connection_) return false;
    xcb_connection_t* c = connection_.get();
    const auto active = WindowList(root_, Atom("_NET_ACTIVE_WINDOW"));
    if (!active.empty() && active.front() != window) return false;
    // The focus is in the window: on it or on one of its descendants.
    const auto focus =
        Take<xcb_get_input_focus_reply_t>(c, xcb_get_input_focus(c), xcb_get_input_focus_reply);
    if (!focus) return false;
    for (xcb_window_t w = focus->focus; w != XCB_NONE && w != root_;) {
        if (w == window) return true;
        const auto tree =
            Take<xcb_query_tree_reply_t>(c, xcb_query_tree(c, w), xcb_query_tree_reply);
        if (!tree) return false;
        w = tree->parent;
    }
    return false;
}

bool X11Input::Activate(Window window, std::chrono::milliseconds limit) {
    if (!connection_ || window == 0) return false;
    xcb_connection_t* c = connection_.get();
    const std::uint32_t activeWindow = Atom("_NET_ACTIVE_WINDOW");
    if (Supports(activeWindow)) {
        AskWindowManager(window, activeWindow, kSourcePager, XCB_CURRENT_TIME);
    } else {
        const std::uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(c, window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        xcb_set_input_focus(c, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
    }
    xcb_flush(c);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!IsActive(window)) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kPollInterval);
    }
    return true;
}

void X11Input::LoadKeyboardMap() {
    xcb_connection_t* c = connection_.get();
    const xcb_setup_t* setup = xcb_get_setup(c);
    const auto count = static_cast<std::uint8_t>(setup->max_keycode - setup->min_keycode + 1);
    const auto reply = Take<xcb_get_keyboard_mapping_reply_t>(
        c, xcb_get_keyboard_mapping(c, setup->min_keycode, count), xcb_get_keyboard_mapping_reply);
    map_ = {};
    if (!reply) return;
    map_.firstKeycode = setup->min_keycode;
    map_.perKeycode = reply->keysyms_per_keycode;
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(reply.get());
    map_.keysyms.assign(keysyms, keysyms + xcb_get_keyboard_mapping_keysyms_length(reply.get()));
}

bool X11Input::FindKey(std::uint32_t keysym, std::uint8_t& keycode, bool& shift) {
    const std::size_t per = map_.perKeycode;
    if (per == 0) return false;
    // The first group's two levels: the key alone, and with Shift.
    for (const bool shifted : {false, true}) {
        if (shifted && per < 2) break;
        for (std::size_t i = 0; i * per < map_.keysyms.size(); ++i) {
            if (map_.keysyms[i * per + (shifted ? 1 : 0)] != keysym) continue;
            keycode = static_cast<std::uint8_t>(map_.firstKeycode + i);
            shift = shifted;
            return true;
        }
    }
    return false;
}

void X11Input::FakeKey(std::uint8_t keycode, bool press) {
    xcb_test_fake_input(connection_.get(), press ? XCB_KEY_PRESS : XCB_KEY_RELEASE, keycode,
                        XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
}

bool X11Input::PressKey(std::uint32_t keysym, bool control, Window into) {
    if (!connection_) return false;
    const ServerHold hold(connection_.get(), into != 0);
    if (into != 0 && !IsActive(into)) return false;
    std::uint8_t key = 0, controlKey = 0, shiftKey = 0;
    bool shift = false, unused = false;
    if (!FindKey(keysym, key, shift)) return false;
    if (control && !FindKey(kControlL, controlKey, unused)) return false;
    if (shift && !FindKey(kShiftL, shiftKey, unused)) return false;
    if (control) FakeKey(controlKey, true);
    if (shift) FakeKey(shiftKey, true);
    FakeKey(key, true);
    FakeKey(key, false);
    if (shift) FakeKey(shiftKey, false);
    if (control) FakeKey(controlKey, false);
    xcb_flush(connection_.get());
    return true;
}

bool X11Input::Type(std::string_view text, Window into) {
    if (!connection_) return false;
    xcb_connection_t* c = connection_.get();
    const std::size_t per = map_.perKeycode;
    // The keys go in one burst, as a fast typist's: a browser completing the address
    // between slow keys would move what comes after.
    const ServerHold hold(c, into != 0);
    if (into != 0 && !IsActive(into)) return false;
    for (const char ch : text) {
        // Printable ASCII characters are their own keysyms.
        const auto keysym = static_cast<std::uint32_t>(static_cast<unsigned char>(ch));
        if (keysym < 0x20 || keysym > 0x7e) return false;
        if (PressKey(keysym)) continue;
        // No key gives the character in this keyboard map (an AltGr character, say): a
        // key without symbols is given it for this one press and then cleared again.
        std::size_t spare = 0;
        while (spare * per < map_.keysyms.size()) {
            bool empty = true;
            for (std::size_t level = 0; level < per; ++level)
                empty = empty && map_.keysyms[spare * per + level] == kNoSymbol;
            if (empty) break;
            ++spare;
        }
        if (per == 0 || spare * per >= map_.keysyms.size()) return false;
        const auto keycode = static_cast<std::uint8_t>(map_.firstKeycode + spare);
        std::vector<xcb_keysym_t> symbols(per, keysym);
        xcb_change_keyboard_mapping(c, 1, keycode, static_cast<std::uint8_t>(per), symbols.data());
        FakeKey(keycode, true);
        FakeKey(keycode, false);
        std::fill(symbols.begin(), symbols.end(), kNoSymbol);
        xcb_change_keyboard_mapping(c, 1, keycode, static_cast<std::uint8_t>(per), symbols.data());
        xcb_flush(c);
    }
    return true;
}

}  // namespace quorvel::platform
