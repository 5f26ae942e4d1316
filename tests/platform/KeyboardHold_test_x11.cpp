// The guest's keyboards held back while the blocker types, on a real X server (an Xvfb
// of its own). Xvfb's own keyboard stands for the guest's: the test presses its keys
// through XTest's device events, which the server delivers as that keyboard's, while the
// blocker's keys go through the XTest keyboard as they do on a cafe PC.
#include "platform/x11/KeyboardHold.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xinput.h>
#include <xcb/xtest.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

#include "platform/x11/X11Input.h"
#include "support/Poll.h"
#include "support/Xvfb_x11.h"

namespace quorvel::test {
namespace {

using namespace std::chrono_literals;
using platform::KeyboardHold;
using platform::X11Input;
using platform::x11::Take;
using platform::x11::UniqueConnection;

constexpr std::uint16_t kNoDevice = 0;
// XInput 1's device key events, from the extension's first event code.
constexpr std::uint8_t kDeviceKeyPress = 1;
constexpr std::uint8_t kDeviceKeyRelease = 2;

struct Key {
    xcb_keycode_t code = 0;
    bool press = false;
    friend bool operator==(const Key&, const Key&) = default;
};

class KeyboardHoldTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(server_.name().empty()) << "Xvfb did not start";
        c_.reset(xcb_connect(server_.name().c_str(), nullptr));
        ASSERT_EQ(xcb_connection_has_error(c_.get()), 0);
        ASSERT_TRUE(Take<xcb_input_xi_query_version_reply_t>(
            c_.get(), xcb_input_xi_query_version(c_.get(), 2, 0),
            xcb_input_xi_query_version_reply));
        guest_ = GuestKeyboard();
        ASSERT_NE(guest_, kNoDevice) << "Xvfb has no keyboard of its own";
        master_ = Attachment(guest_);
        // A window with the focus, listening to the keys, as a browser's bar would.
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_.get())).data;
        window_ = xcb_generate_id(c_.get());
        const std::uint32_t events = XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE;
        xcb_create_window(c_.get(), XCB_COPY_FROM_PARENT, window_, screen->root, 0, 0, 100, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_EVENT_MASK,
                          &events);
        xcb_map_window(c_.get(), window_);
        Sync();
        xcb_set_input_focus(c_.get(), XCB_INPUT_FOCUS_POINTER_ROOT, window_, XCB_CURRENT_TIME);
        Sync();
        input_ = std::make_unique<X11Input>(server_.name());
        ASSERT_TRUE(input_->Connected());
        const xcb_setup_t* setup = xcb_get_setup(c_.get());
        // A key the blocker never types here: it types letters.
        guestKey_ = static_cast<xcb_keycode_t>(setup->max_keycode - 1);
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
    std::uint16_t GuestKeyboard() {
        for (const DeviceInfo& d : Devices())
            if (d.type == XCB_INPUT_DEVICE_TYPE_SLAVE_KEYBOARD) return d.id;
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
    // A key of the guest's keyboard, as its driver would post it.
    void GuestKey(bool press) {
        const std::uint8_t first = xcb_get_extension_data(c_.get(), &xcb_input_id)->first_event;
        xcb_test_fake_input(
            c_.get(),
            static_cast<std::uint8_t>(first + (press ? kDeviceKeyPress : kDeviceKeyRelease)),
            guestKey_, XCB_CURRENT_TIME, XCB_NONE, 0, 0, static_cast<std::uint8_t>(guest_));
        Sync();
    }
    // Whether the core keyboard (the master the windows see) has `key` down.
    bool Down(xcb_keycode_t key) {
        const auto keymap = Take<xcb_query_keymap_reply_t>(c_.get(), xcb_query_keymap(c_.get()),
                                                           xcb_query_keymap_reply);
        return keymap && (keymap->keys[key / 8] & (1 << (key % 8))) != 0;
    }
    // The keys the window has received so far, waiting until `count` have come.
    std::vector<Key> KeysSeen(std::size_t count) {
        PollUntil(
            [&] {
                while (auto* event = xcb_poll_for_event(c_.get())) {
                    const std::uint8_t type = event->response_type & 0x7f;
                    if (type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE)
                        seen_.push_back({reinterpret_cast<xcb_key_press_event_t*>(event)->detail,
                                         type == XCB_KEY_PRESS});
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

    Xvfb server_;
    UniqueConnection c_;
    std::uint16_t guest_ = kNoDevice;
    std::uint16_t master_ = kNoDevice;
    xcb_window_t window_ = 0;
    xcb_keycode_t guestKey_ = 0;
    std::unique_ptr<X11Input> input_;
    std::vector<Key> seen_;
};

TEST_F(KeyboardHoldTest, OnlyTheBlockersKeysReachTheWindowWhileHeld) {
    std::vector<Key> typed;
    {
        const KeyboardHold hold = input_->HoldKeyboards(30s);
        EXPECT_EQ(hold.Held(), 1u);
        EXPECT_EQ(Attachment(guest_), kNoDevice) << "the guest's keyboard still reaches windows";
        GuestKey(true);
        GuestKey(false);
        ASSERT_TRUE(input_->Type("a", window_));
        typed = KeysSeen(2);
    }
    ASSERT_EQ(typed.size(), 2u) << "the blocker's key did not arrive";
    EXPECT_NE(typed[0].code, guestKey_) << "the guest's key came through the hold";
    EXPECT_EQ(Attachment(guest_), master_);
    EXPECT_FALSE(Mark(guest_)) << "the mark outlived the hold";

    // Given back, the guest's keyboard types again.
    GuestKey(true);
    GuestKey(false);
    const std::vector<Key> after = KeysSeen(4);
    ASSERT_EQ(after.size(), 4u);
    EXPECT_EQ(after[2], (Key{guestKey_, true}));
}

TEST_F(KeyboardHoldTest, AKeyTheGuestHoldsDownIsLetGoAndDoesNotStick) {
    GuestKey(true);
    ASSERT_TRUE(Down(guestKey_));
    {
        const KeyboardHold hold = input_->HoldKeyboards(30s);
        EXPECT_FALSE(Down(guestKey_)) << "the key held at the hold stays down on the master";
        EXPECT_EQ(KeysSeen(2).back(), (Key{guestKey_, false}));
    }
    EXPECT_FALSE(Down(guestKey_));
    // The guest lets go afterwards: nothing is pressed or left over by it.
    GuestKey(false);
    EXPECT_FALSE(Down(guestKey_));
}

TEST_F(KeyboardHoldTest, TheLimitGivesTheKeyboardBackWhileTheHolderStillHoldsIt) {
    const KeyboardHold hold = input_->HoldKeyboards(200ms);
    ASSERT_EQ(Attachment(guest_), kNoDevice);
    EXPECT_TRUE(PollUntil([&] { return Attachment(guest_) == master_; }, 10s));
    EXPECT_EQ(hold.Held(), 0u);
    EXPECT_FALSE(Mark(guest_));
}

TEST_F(KeyboardHoldTest, AKeyboardLeftFloatingByAKilledHolderIsGivenBackAtTheNextStart) {
    const std::string display = server_.name();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A program killed in the middle of a rewrite: its hold never ends.
        X11Input input(display);
        new KeyboardHold(input.HoldKeyboards(1h));
        raise(SIGKILL);
        _exit(1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_EQ(Attachment(guest_), kNoDevice) << "the killed holder took no keyboard";

    EXPECT_EQ(platform::ReturnHeldKeyboards(display), 1);
    EXPECT_EQ(Attachment(guest_), master_);
    EXPECT_FALSE(Mark(guest_));
    EXPECT_EQ(platform::ReturnHeldKeyboards(display), 0) << "given back twice";
}

TEST_F(KeyboardHoldTest, AKeyboardFloatedBySomeoneElseIsLeftAlone) {
    Detach(guest_);
    ASSERT_EQ(Attachment(guest_), kNoDevice);
    EXPECT_EQ(platform::ReturnHeldKeyboards(server_.name()), 0);
    EXPECT_EQ(Attachment(guest_), kNoDevice);
    // Nor is it taken by a hold, nor given back by one.
    {
        const KeyboardHold hold = input_->HoldKeyboards(30s);
        EXPECT_EQ(hold.Held(), 0u);
    }
    EXPECT_EQ(Attachment(guest_), kNoDevice);
}

}  // namespace
}  // namespace quorvel::test
