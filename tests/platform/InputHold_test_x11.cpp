// The guest's keyboards and pointers held back while the blocker types, on a real X
// server (an Xvfb of its own). Xvfb's own keyboard and mouse stand for the guest's: the
// test presses their keys and buttons and moves the mouse through XTest's device
// events, which the server delivers as those devices' own, while the blocker's keys go
// through the XTest keyboard as they do on a cafe PC.
#include "platform/x11/InputHold.h"

#include <signal.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcbext.h>
#include <xcb/xinput.h>
#include <xcb/xtest.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <ostream>
#include <vector>

#include "platform/x11/X11Input.h"
#include "support/Poll.h"
#include "support/Xvfb_x11.h"

namespace quorvel::test {
namespace {

using namespace std::chrono_literals;
using platform::InputHold;
using platform::X11Input;
using platform::x11::Take;
using platform::x11::UniqueConnection;

constexpr std::uint16_t kNoDevice = 0;
// XInput 1's device events, from the extension's first event code.
constexpr std::uint8_t kDeviceValuator = 0;
constexpr std::uint8_t kDeviceKeyPress = 1;
constexpr std::uint8_t kDeviceKeyRelease = 2;
constexpr std::uint8_t kDeviceButtonPress = 3;
constexpr std::uint8_t kDeviceButtonRelease = 4;
constexpr std::uint8_t kDeviceMotion = 5;
// Xvfb's displays are 640x480: the cursor starts in the middle.
constexpr int kStartX = 320, kStartY = 240;

enum class Kind { Keyboard, Pointer };

// A key or button a window received.
struct Press {
    bool button = false;
    std::uint8_t detail = 0;
    bool down = false;
    friend bool operator==(const Press&, const Press&) = default;
    friend void PrintTo(const Press& p, std::ostream* out) {
        *out << (p.button ? "button " : "key ") << int{p.detail} << (p.down ? " down" : " up");
    }
};

struct Point {
    int x = 0, y = 0;
    friend bool operator==(const Point&, const Point&) = default;
    friend void PrintTo(const Point& p, std::ostream* out) { *out << p.x << "," << p.y; }
};

// One of Xvfb's own devices as the guest's, and a window over the whole screen with the
// focus, listening to keys and buttons as a browser would.
class InputHoldRig : public ::testing::Test {
  protected:
    explicit InputHoldRig(Kind kind) : kind_(kind) {}
    void SetUp() override {
        ASSERT_FALSE(server_.name().empty()) << "Xvfb did not start";
        c_.reset(xcb_connect(server_.name().c_str(), nullptr));
        ASSERT_EQ(xcb_connection_has_error(c_.get()), 0);
        ASSERT_TRUE(Take<xcb_input_xi_query_version_reply_t>(
            c_.get(), xcb_input_xi_query_version(c_.get(), 2, 0),
            xcb_input_xi_query_version_reply));
        guest_ = GuestDevice();
        ASSERT_NE(guest_, kNoDevice) << "Xvfb has no such device of its own";
        master_ = Attachment(guest_);
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_.get())).data;
        window_ = xcb_generate_id(c_.get());
        const std::uint32_t events = XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE |
                                     XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE;
        xcb_create_window(c_.get(), XCB_COPY_FROM_PARENT, window_, screen->root, 0, 0,
                          screen->width_in_pixels, screen->height_in_pixels, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_EVENT_MASK,
                          &events);
        xcb_map_window(c_.get(), window_);
        Sync();
        xcb_set_input_focus(c_.get(), XCB_INPUT_FOCUS_POINTER_ROOT, window_, XCB_CURRENT_TIME);
        Sync();
        input_ = std::make_unique<X11Input>(server_.name());
        ASSERT_TRUE(input_->Connected());
        // A key the blocker never types here (it types letters), or the first button.
        detail_ = kind_ == Kind::Keyboard
                      ? static_cast<std::uint8_t>(xcb_get_setup(c_.get())->max_keycode - 1)
                      : std::uint8_t{1};
    }
    void TearDown() override {
        // Whatever a case left floating goes back, for the next case.
        if (c_ && guest_ != kNoDevice && Attachment(guest_) == kNoDevice) Attach(guest_, master_);
    }

    void Sync() {
        Take<xcb_get_input_focus_reply_t>(c_.get(), xcb_get_input_focus(c_.get()),
                                          xcb_get_input_focus_reply);
    }
    struct DeviceInfo {
        std::uint16_t id, type, attachment;
    };
    std::vector<DeviceInfo> Devices() {
        std::vector<DeviceInfo> found;
        const auto reply = Take<xcb_input_xi_query_device_reply_t>(
            c_.get(), xcb_input_xi_query_device(c_.get(), XCB_INPUT_DEVICE_ALL),
            xcb_input_xi_query_device_reply);
        if (!reply) return found;
        for (auto it = xcb_input_xi_query_device_infos_iterator(reply.get()); it.rem > 0;
             xcb_input_xi_device_info_next(&it)) {
            const std::string name(xcb_input_xi_device_info_name(it.data),
                                   xcb_input_xi_device_info_name_length(it.data));
            if (name.find("XTEST") == std::string::npos)
                found.push_back({it.data->deviceid, it.data->type, it.data->attachment});
        }
        return found;
    }
    std::uint16_t GuestDevice() {
        const std::uint16_t type = kind_ == Kind::Keyboard ? XCB_INPUT_DEVICE_TYPE_SLAVE_KEYBOARD
                                                           : XCB_INPUT_DEVICE_TYPE_SLAVE_POINTER;
        for (const DeviceInfo& d : Devices())
            if (d.type == type) return d.id;
        return kNoDevice;
    }
    // The master a slave is attached to; kNoDevice while it floats.
    std::uint16_t Attachment(std::uint16_t device) {
        for (const DeviceInfo& d : Devices())
            if (d.id == device)
                return d.type == XCB_INPUT_DEVICE_TYPE_FLOATING_SLAVE ? kNoDevice : d.attachment;
        return kNoDevice;
    }
    void Attach(std::uint16_t device, std::uint16_t master) {
        xcb_input_attach_slave_t change{XCB_INPUT_HIERARCHY_CHANGE_TYPE_ATTACH_SLAVE, 2, device,
                                        master};
        xcb_input_xi_change_hierarchy(
            c_.get(), 1, reinterpret_cast<const xcb_input_hierarchy_change_t*>(&change));
        Sync();
    }
    void Detach(std::uint16_t device) {
        xcb_input_detach_slave_t change{
            XCB_INPUT_HIERARCHY_CHANGE_TYPE_DETACH_SLAVE, 2, device, {}};
        xcb_input_xi_change_hierarchy(
            c_.get(), 1, reinterpret_cast<const xcb_input_hierarchy_change_t*>(&change));
        Sync();
    }
    std::uint8_t FirstEvent() {
        return xcb_get_extension_data(c_.get(), &xcb_input_id)->first_event;
    }
    // The guest's key or button, as its driver would post it.
    void Guest(bool down) {
        const std::uint8_t event = kind_ == Kind::Keyboard
                                       ? (down ? kDeviceKeyPress : kDeviceKeyRelease)
                                       : (down ? kDeviceButtonPress : kDeviceButtonRelease);
        xcb_test_fake_input(c_.get(), static_cast<std::uint8_t>(FirstEvent() + event), detail_,
                            XCB_CURRENT_TIME, XCB_NONE, 0, 0, static_cast<std::uint8_t>(guest_));
        Sync();
    }
    Press Guests(bool down) const { return {kind_ == Kind::Pointer, detail_, down}; }
    // A move of the guest's pointer by (dx, dy): XTest takes a device's motion as two
    // events in one request, the motion and its valuators.
    void GuestMove(std::int32_t dx, std::int32_t dy) {
        struct {
            std::uint8_t major = 0, minor = 0;  // filled by xcb
            std::uint16_t length = 0;
            xcb_input_device_motion_notify_event_t motion{};
            xcb_input_device_valuator_event_t valuators{};
        } request;
        static_assert(sizeof(request) == 4 + 2 * 32);
        request.motion.response_type = static_cast<std::uint8_t>(FirstEvent() + kDeviceMotion);
        request.motion.detail = 1;  // relative
        request.motion.device_id = static_cast<std::uint8_t>(guest_);
        request.valuators.response_type = static_cast<std::uint8_t>(FirstEvent() + kDeviceValuator);
        request.valuators.device_id = static_cast<std::uint8_t>(guest_);
        request.valuators.num_valuators = 2;
        request.valuators.valuators[0] = dx;
        request.valuators.valuators[1] = dy;
        xcb_protocol_request_t protocol{1, &xcb_test_id, XCB_TEST_FAKE_INPUT, 1};
        iovec parts[3]{};  // xcb's own use of the two before the request's
        parts[2] = {&request, sizeof(request)};
        xcb_send_request(c_.get(), 0, parts + 2, &protocol);
        Sync();
    }
    Point Cursor() {
        const auto reply = Take<xcb_query_pointer_reply_t>(
            c_.get(), xcb_query_pointer(c_.get(), window_), xcb_query_pointer_reply);
        return reply ? Point{reply->root_x, reply->root_y} : Point{-1, -1};
    }
    // Whether the core keyboard or pointer (the master the windows see) has the guest's
    // key or button down.
    bool Down() {
        if (kind_ == Kind::Pointer) {
            const auto reply = Take<xcb_query_pointer_reply_t>(
                c_.get(), xcb_query_pointer(c_.get(), window_), xcb_query_pointer_reply);
            return reply && (reply->mask & XCB_KEY_BUT_MASK_BUTTON_1) != 0;
        }
        const auto keymap = Take<xcb_query_keymap_reply_t>(c_.get(), xcb_query_keymap(c_.get()),
                                                           xcb_query_keymap_reply);
        return keymap && (keymap->keys[detail_ / 8] & (1 << (detail_ % 8))) != 0;
    }
    // The keys and buttons the window has received so far, waiting until `count` have
    // come.
    std::vector<Press> Seen(std::size_t count) {
        PollUntil(
            [&] {
                while (auto* event = xcb_poll_for_event(c_.get())) {
                    switch (event->response_type & 0x7f) {
                        case XCB_KEY_PRESS:
                        case XCB_KEY_RELEASE:
                        case XCB_BUTTON_PRESS:
                        case XCB_BUTTON_RELEASE: {
                            const std::uint8_t type = event->response_type & 0x7f;
                            seen_.push_back(
                                {type == XCB_BUTTON_PRESS || type == XCB_BUTTON_RELEASE,
                                 reinterpret_cast<xcb_key_press_event_t*>(event)->detail,
                                 type == XCB_KEY_PRESS || type == XCB_BUTTON_PRESS});
                        }
                    }
                    std::free(event);
                }
                return seen_.size() >= count;
            },
            10s);
        return seen_;
    }
    std::uint32_t Atom(const char* name) { return platform::x11::InternAtom(c_.get(), name); }
    std::optional<std::uint32_t> Mark(std::uint16_t device) {
        const auto reply = Take<xcb_input_xi_get_property_reply_t>(
            c_.get(),
            xcb_input_xi_get_property(c_.get(), device, 0, Atom(platform::kHeldFromProperty),
                                      XCB_ATOM_ANY, 0, 1),
            xcb_input_xi_get_property_reply);
        if (!reply || reply->num_items == 0) return std::nullopt;
        return *static_cast<const std::uint32_t*>(xcb_input_xi_get_property_items(reply.get()));
    }

    const Kind kind_;
    Xvfb server_;
    UniqueConnection c_;
    std::uint16_t guest_ = kNoDevice;
    std::uint16_t master_ = kNoDevice;
    xcb_window_t window_ = 0;
    std::uint8_t detail_ = 0;
    std::unique_ptr<X11Input> input_;
    std::vector<Press> seen_;
};

// Each case with the guest's keyboard and with the guest's pointer.
class InputHoldTest : public InputHoldRig, public ::testing::WithParamInterface<Kind> {
  protected:
    InputHoldTest() : InputHoldRig(GetParam()) {}
};
INSTANTIATE_TEST_SUITE_P(Devices, InputHoldTest, ::testing::Values(Kind::Keyboard, Kind::Pointer),
                         [](const auto& info) {
                             return info.param == Kind::Keyboard ? "Keyboard" : "Pointer";
                         });

TEST_P(InputHoldTest, OnlyTheBlockersKeysReachTheWindowWhileHeld) {
    std::vector<Press> typed;
    {
        const InputHold hold = input_->HoldInput(30s);
        EXPECT_EQ(hold.Held(), 2u) << "Xvfb's keyboard and mouse are not both held";
        EXPECT_EQ(Attachment(guest_), kNoDevice) << "the guest's device still reaches windows";
        Guest(true);
        Guest(false);
        ASSERT_TRUE(input_->Type("a", window_));
        typed = Seen(2);
    }
    ASSERT_EQ(typed.size(), 2u) << "the blocker's key did not arrive";
    EXPECT_EQ(std::count(typed.begin(), typed.end(), Guests(true)), 0)
        << "the guest's press came through the hold";
    EXPECT_EQ(Attachment(guest_), master_);
    EXPECT_FALSE(Mark(guest_)) << "the mark outlived the hold";

    // Given back, the guest's device reaches the window again.
    Guest(true);
    Guest(false);
    const std::vector<Press> after = Seen(4);
    ASSERT_EQ(after.size(), 4u);
    EXPECT_EQ(after[2], Guests(true));
}

TEST_P(InputHoldTest, WhatTheGuestHoldsDownAsTheHoldBeginsIsLetGoAndDoesNotStick) {
    Guest(true);
    ASSERT_TRUE(Down());
    {
        const InputHold hold = input_->HoldInput(30s);
        EXPECT_FALSE(Down()) << "held down at the hold, it stays down on the master";
        EXPECT_EQ(Seen(2).back(), Guests(false));
    }
    EXPECT_FALSE(Down());
    // The guest lets go afterwards: nothing is pressed or left over by it.
    Guest(false);
    EXPECT_FALSE(Down());
}

TEST_P(InputHoldTest, WhatTheGuestPressesDuringTheHoldIsNotDownAfterIt) {
    {
        const InputHold hold = input_->HoldInput(30s);
        Guest(true);
    }
    EXPECT_FALSE(Down()) << "a press of the hold's time came through at its end";
    // Let go later, and pressed anew: the window sees the new press and its release,
    // and nothing of the hold's time before them.
    Guest(false);
    Guest(true);
    Guest(false);
    EXPECT_EQ(Seen(2), (std::vector<Press>{Guests(true), Guests(false)}));
}

TEST_P(InputHoldTest, TheLimitGivesTheDeviceBackWhileTheHolderStillHoldsIt) {
    const InputHold hold = input_->HoldInput(200ms);
    ASSERT_EQ(Attachment(guest_), kNoDevice);
    EXPECT_TRUE(PollUntil([&] { return Attachment(guest_) == master_; }, 10s));
    EXPECT_EQ(hold.Held(), 0u);
    EXPECT_FALSE(Mark(guest_));
}

TEST_P(InputHoldTest, ADeviceLeftFloatingByAKilledHolderIsGivenBackAtTheNextStart) {
    const std::string display = server_.name();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A program killed in the middle of a rewrite: its hold never ends.
        X11Input input(display);
        new InputHold(input.HoldInput(1h));
        raise(SIGKILL);
        _exit(1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_EQ(Attachment(guest_), kNoDevice) << "the killed holder took no such device";

    EXPECT_EQ(platform::ReturnHeldDevices(display), 2) << "Xvfb's keyboard and mouse";
    EXPECT_EQ(Attachment(guest_), master_);
    EXPECT_FALSE(Mark(guest_));
    EXPECT_EQ(platform::ReturnHeldDevices(display), 0) << "given back twice";
}

TEST_P(InputHoldTest, ADeviceFloatedBySomeoneElseIsLeftAlone) {
    Detach(guest_);
    ASSERT_EQ(Attachment(guest_), kNoDevice);
    EXPECT_EQ(platform::ReturnHeldDevices(server_.name()), 0);
    EXPECT_EQ(Attachment(guest_), kNoDevice);
    // Nor is it taken by a hold (only the other device is), nor given back by one.
    {
        const InputHold hold = input_->HoldInput(30s);
        EXPECT_EQ(hold.Held(), 1u);
    }
    EXPECT_EQ(Attachment(guest_), kNoDevice);
}

TEST_P(InputHoldTest, WhereTheBrowsersAreOnANestedDisplayTheScreensDevicesAreHeld) {
    // The blocker types on the guest's own display, nested in this one; the guest's
    // keyboard and mouse are this display's. (A nested server's devices only pass on
    // what reaches its window here, and it may not survive their floating.)
    Xvfb nested;
    ASSERT_FALSE(nested.name().empty()) << "the second Xvfb did not start";
    X11Input input(nested.name(), server_.name());
    ASSERT_TRUE(input.Connected());
    {
        const InputHold hold = input.HoldInput(30s);
        EXPECT_EQ(hold.Held(), 2u) << "this display's keyboard and mouse";
        EXPECT_EQ(Attachment(guest_), kNoDevice);
        EXPECT_EQ(platform::ReturnHeldDevices(nested.name()), 0)
            << "a device of the nested display was held";
        Guest(true);
        Guest(false);
    }
    EXPECT_EQ(Attachment(guest_), master_);
    Guest(true);
    Guest(false);
    EXPECT_EQ(Seen(2), (std::vector<Press>{Guests(true), Guests(false)}))
        << "what the guest pressed during the hold came through";
}

class InputHoldPointerTest : public InputHoldRig {
  protected:
    InputHoldPointerTest() : InputHoldRig(Kind::Pointer) {}
};

TEST_F(InputHoldPointerTest, TheCursorStaysAndTheGuestsPointerMovesOnFromIt) {
    // The guest's mouse is the last to have moved the cursor as the hold begins.
    GuestMove(10, 10);
    const Point before{kStartX + 10, kStartY + 10};
    ASSERT_EQ(Cursor(), before);
    {
        const InputHold hold = input_->HoldInput(30s);
        GuestMove(200, 200);
        EXPECT_EQ(Cursor(), before) << "the floating pointer moved the cursor";
    }
    EXPECT_EQ(Cursor(), before) << "the cursor moved as the pointer came back";
    GuestMove(1, 1);
    EXPECT_EQ(Cursor(), (Point{before.x + 1, before.y + 1}))
        << "the guest's pointer went on from where it went while floating";
}

}  // namespace
}  // namespace quorvel::test
