#pragma once
// Keyboard input for the website blocker on an X server: finds a program's top-level
// window by its process and title, makes it the active window and types into it through
// the XTest extension, as a person at the keyboard would.
//
// The object keeps an X connection of its own (xcb: a failing request about a window
// that just closed comes back as that request's error, not through a process-wide
// handler) and is used by one thread at a time (an InputHold's watchdog shares it:
// xcb connections may be).
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/x11/InputHold.h"
#include "platform/x11/X11Util.h"

namespace quorvel::platform {

// A window's place on the screen: its top-left corner and its size.
struct ScreenRect {
    int x = 0, y = 0, width = 0, height = 0;
    friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

// One top-level window of a process, as the window manager lists it.
struct ClientWindow {
    std::uint32_t window = 0;
    std::string title;
    ScreenRect place;
};

// Which of a process's windows shows the browser window titled `title` at `place`.
// The window's own title may be only the start of the one the browser gives its
// window elsewhere (Chromium adds " (Incognito)" on the accessibility bus alone), so
// every window whose title starts the given one is a candidate; when there are
// several, the one at the same place is it. 0 when none or more than one remain: a
// key is never typed into a window that might be another.
std::uint32_t ChooseWindow(const std::vector<ClientWindow>& windows, const std::string& title,
                           const ScreenRect& place);

class X11Input {
  public:
    using Window = std::uint32_t;

    // Connects to `displayName` (empty: the DISPLAY environment variable). Without a
    // server nothing is found and nothing typed. The guest's keyboards and pointers are
    // those of `inputsDisplayName` when one is named: the screen's, where the browsers
    // run on a display nested in it, whose own devices only pass on what the screen's
    // send.
    explicit X11Input(const std::string& displayName = {},
                      const std::string& inputsDisplayName = {});
    ~X11Input();
    X11Input(const X11Input&) = delete;
    X11Input& operator=(const X11Input&) = delete;

    bool Connected() const { return connection_ != nullptr; }

    // The top-level window of process `pid` that shows the browser window titled
    // `title` at `place` (ChooseWindow), from the window manager's list of client
    // windows (_NET_CLIENT_LIST, _NET_WM_PID, _NET_WM_NAME); 0 when there is none or it
    // is not certain.
    Window FindWindow(std::uint32_t pid, const std::string& title, const ScreenRect& place);
    // Asks the window manager to make `window` the active window (_NET_ACTIVE_WINDOW,
    // as a pager does: the request of the person at the screen) and waits up to
    // `limit` until it is and holds the input focus. Where no window manager offers
    // that, gives the window the focus itself.
    bool Activate(Window window, std::chrono::milliseconds limit);
    // Whether `window` is the active window and the input focus is in it.
    bool IsActive(Window window);
    // Whether the window manager shows `window` in full screen (_NET_WM_STATE).
    bool IsFullScreen(Window window);
    // Asks the window manager to close `window`, as its close button does
    // (_NET_CLOSE_WINDOW).
    void Close(Window window);

    // Types printable ASCII text, one key press and release per character, with Shift
    // where the keyboard map needs it. A character on no key of the map is typed on a
    // spare key mapped to it for the moment. With `into` given, the keys are pressed
    // only while that window is active and holds the focus, the server held from that
    // check until they are handled (no other client can move the focus in between).
    // False when a character could not be typed (nothing further is typed then).
    bool Type(std::string_view text, Window into = 0);
    // Presses and releases one key by its X keysym, with Control held if asked; with
    // `into` given, only while that window is active and holds the focus (as Type).
    bool PressKey(std::uint32_t keysym, bool control = false, Window into = 0);

    // Holds the guest's keyboards and pointers back until the hold goes, `limit` at
    // most (InputHold): from then on only this object's keys reach a window, and no
    // click moves the focus.
    InputHold HoldInput(std::chrono::milliseconds limit) { return InputHold(inputs(), limit); }
    // Gives back the devices an earlier hold left floating (ReturnHeldDevices).
    int ReturnHeldDevices() { return platform::ReturnHeldDevices(inputs()); }

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
    // Every client window of process `pid`, with its title and place.
    std::vector<ClientWindow> WindowsOf(std::uint32_t pid);
    std::string Title(Window window);
    // A client message about `window` to the window manager, with two data values.
    void AskWindowManager(Window window, std::uint32_t type, std::uint32_t first,
                          std::uint32_t second);
    bool Supports(std::uint32_t atom);

    xcb_connection_t* inputs() const {
        return inputsConnection_ ? inputsConnection_.get() : connection_.get();
    }

    x11::UniqueConnection connection_;
    // The inputs display's, when it is another.
    x11::UniqueConnection inputsConnection_;
    std::map<std::string, std::uint32_t, std::less<>> atoms_;
    Window root_ = 0;
    KeyboardMap map_;
};

}  // namespace quorvel::platform
