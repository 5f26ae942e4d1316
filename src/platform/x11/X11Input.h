#pragma once
// Keyboard input for the website blocker on an X server: finds a program's top-level
// window by its process and title, makes it the active window and types into it through
// the XTest extension, as a person at the keyboard would.
//
// The object keeps an X connection of its own (xcb: a failing request about a window
// that just closed comes back as that request's error, not through a process-wide
// handler) and is used by one thread at a time.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/x11/X11Util.h"

namespace quorvel::platform {

class X11Input {
  public:
    using Window = std::uint32_t;

    // Connects to `displayName` (empty: the DISPLAY environment variable). Without a
    // server nothing is found and nothing typed.
    explicit X11Input(const std::string& displayName = {});
    ~X11Input();
    X11Input(const X11Input&) = delete;
    X11Input& operator=(const X11Input&) = delete;

    bool Connected() const { return connection_ != nullptr; }

    // The top-level window of process `pid` whose title is exactly `title`, from the
    // window manager's list of client windows (_NET_CLIENT_LIST, _NET_WM_PID,
    // _NET_WM_NAME); 0 when there is none.
    Window FindWindow(std::uint32_t pid, const std::string& title);
    // Asks the window manager to make `window` the active window (_NET_ACTIVE_WINDOW,
    // as a pager does: the request of the person at the screen) and waits up to
    // `limit` until it is and holds the input focus. Where no window manager offers
    // that, gives the window the focus itself.
    bool Activate(Window window, std::chrono::milliseconds limit);
    // Whether `window` is the active window and the input focus is in it.
    bool IsActive(Window window);

    // Types printable ASCII text, one key press and release per character, with Shift
    // where the keyboard map needs it. A character on no key of the map is typed on a
    // spare key mapped to it for the moment. False when a character could not be typed
    // (nothing further is typed then).
    bool Type(std::string_view text);
    // Presses and releases one key by its X keysym, with Control held if asked.
    bool PressKey(std::uint32_t keysym, bool control = false);

  private:
    struct KeyboardMap {
        std::uint8_t firstKeycode = 0;
        std::uint8_t perKeycode = 0;
        std::vector<std::uint32_t> keysyms;  // perKeycode entries per keycode
    };
    // The keycode and shift level that give `keysym`; false when no key does.
    bool FindKey(std::uint32_t keysym, std::uint8_t& keycode, bool& shift);
    void LoadKeyboardMap();
    void FakeKey(std::uint8_t keycode, bool press);
    std::uint32_t Atom(const char* name);
    std::vector<std::uint32_t> WindowList(Window window, std::uint32_t property);
    bool Supports(std::uint32_t atom);

    x11::UniqueConnection connection_;
    Window root_ = 0;
    KeyboardMap map_;
};

}  // namespace quorvel::platform
