// Plays the guest at the keyboard and mouse in the end-to-end tests: types lowercase
// letters on the server's own keyboard device (Xvfb's), and clicks with its own mouse,
// not through the XTest devices xdotool and the blocker share. A person's keys and
// clicks come that way, and only they are held back while the blocker types, so a test
// of that needs them.
//   guestkeys DELAY_MS TEXT
// Each key is pressed and released through XTest's device events, which the server
// delivers as that keyboard's own; a '.' in TEXT is a click of the first button where
// the cursor is, the mouse's own; DELAY_MS apart.
#include <xcb/xcb.h>
#include <xcb/xinput.h>
#include <xcb/xtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

namespace {

// XInput 1's device key events, from the extension's first event code.
constexpr std::uint8_t kDeviceKeyPress = 1;
constexpr std::uint8_t kDeviceKeyRelease = 2;
constexpr std::uint8_t kDeviceButtonPress = 3;
constexpr std::uint8_t kDeviceButtonRelease = 4;

struct Free {
    void operator()(void* p) const { std::free(p); }
};
template <class T>
using Reply = std::unique_ptr<T, Free>;
struct Disconnect {
    void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};

// The first slave of `type` that is not an XTest device and has `word` in its name,
// attached or not.
std::uint16_t ServersDevice(xcb_connection_t* c, std::uint16_t type, const char* word) {
    Reply<xcb_input_xi_query_version_reply_t>(
        xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 0), nullptr));
    Reply<xcb_input_xi_query_device_reply_t> devices(xcb_input_xi_query_device_reply(
        c, xcb_input_xi_query_device(c, XCB_INPUT_DEVICE_ALL), nullptr));
    if (!devices) return 0;
    for (auto it = xcb_input_xi_query_device_infos_iterator(devices.get()); it.rem > 0;
         xcb_input_xi_device_info_next(&it)) {
        const std::string name(xcb_input_xi_device_info_name(it.data),
                               xcb_input_xi_device_info_name_length(it.data));
        const bool slave =
            it.data->type == type || it.data->type == XCB_INPUT_DEVICE_TYPE_FLOATING_SLAVE;
        if (slave && name.find("XTEST") == std::string::npos &&
            name.find(word) != std::string::npos)
            return it.data->deviceid;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: guestkeys DELAY_MS TEXT\n");
        return 2;
    }
    const auto delay = std::chrono::milliseconds(std::atoi(argv[1]));
    const std::string text = argv[2];
    std::unique_ptr<xcb_connection_t, Disconnect> connection(xcb_connect(nullptr, nullptr));
    xcb_connection_t* c = connection.get();
    if (xcb_connection_has_error(c) != 0) {
        std::fprintf(stderr, "guestkeys: cannot open the display\n");
        return 2;
    }
    const std::uint16_t keyboard =
        ServersDevice(c, XCB_INPUT_DEVICE_TYPE_SLAVE_KEYBOARD, "keyboard");
    const std::uint16_t mouse = ServersDevice(c, XCB_INPUT_DEVICE_TYPE_SLAVE_POINTER, "mouse");
    const xcb_query_extension_reply_t* input = xcb_get_extension_data(c, &xcb_input_id);
    if (keyboard == 0 || mouse == 0 || input == nullptr || input->present == 0) {
        std::fprintf(stderr, "guestkeys: the server has no keyboard or mouse of its own\n");
        return 2;
    }
    // A device's press and release of `detail`.
    const auto press = [&](std::uint16_t device, std::uint8_t down, std::uint8_t up,
                           std::uint8_t detail) {
        for (const std::uint8_t event : {down, up})
            xcb_test_fake_input(c, static_cast<std::uint8_t>(input->first_event + event), detail,
                                XCB_CURRENT_TIME, XCB_NONE, 0, 0,
                                static_cast<std::uint8_t>(device));
        xcb_flush(c);
    };
    const xcb_setup_t* setup = xcb_get_setup(c);
    const auto count = static_cast<std::uint8_t>(setup->max_keycode - setup->min_keycode + 1);
    Reply<xcb_get_keyboard_mapping_reply_t> map(xcb_get_keyboard_mapping_reply(
        c, xcb_get_keyboard_mapping(c, setup->min_keycode, count), nullptr));
    if (!map || map->keysyms_per_keycode == 0) return 2;
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(map.get());
    const int length = xcb_get_keyboard_mapping_keysyms_length(map.get());
    for (const char ch : text) {
        if (ch == '.') {
            press(mouse, kDeviceButtonPress, kDeviceButtonRelease, 1);
        } else {
            // A lowercase letter is its own keysym, on the first level of its key.
            int keycode = 0;
            for (int i = 0; i < length; i += map->keysyms_per_keycode)
                if (keysyms[i] == static_cast<xcb_keysym_t>(static_cast<unsigned char>(ch))) {
                    keycode = setup->min_keycode + i / map->keysyms_per_keycode;
                    break;
                }
            if (keycode == 0) {
                std::fprintf(stderr, "guestkeys: no key types '%c'\n", ch);
                return 2;
            }
            press(keyboard, kDeviceKeyPress, kDeviceKeyRelease, static_cast<std::uint8_t>(keycode));
        }
        std::this_thread::sleep_for(delay);
    }
    Reply<xcb_get_input_focus_reply_t>(
        xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    return 0;
}
