#include "platform/x11/InputHold.h"

#include <xcb/xinput.h>
#include <xcb/xtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/x11/X11Util.h"

namespace quorvel::platform {

namespace {

using x11::Take;

// The property the server puts on its XTest devices (they cannot be detached anyway).
constexpr const char* kXTestProperty = "XTEST Device";

struct Device {
    std::uint16_t id = 0;
    std::uint16_t type = 0;
    std::uint16_t attachment = 0;
};

// Whether the server speaks XInput 2, announced for this connection (the server wants
// that before it takes a request of XInput 2).
bool InputTwo(xcb_connection_t* c) {
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_input_id);
    if (extension == nullptr || extension->present == 0) return false;
    const auto version = Take<xcb_input_xi_query_version_reply_t>(
        c, xcb_input_xi_query_version(c, 2, 0), xcb_input_xi_query_version_reply);
    return version && version->major_version >= 2;
}

std::vector<Device> Devices(xcb_connection_t* c) {
    std::vector<Device> devices;
    const auto reply = Take<xcb_input_xi_query_device_reply_t>(
        c, xcb_input_xi_query_device(c, XCB_INPUT_DEVICE_ALL), xcb_input_xi_query_device_reply);
    if (!reply) return devices;
    for (auto it = xcb_input_xi_query_device_infos_iterator(reply.get()); it.rem > 0;
         xcb_input_xi_device_info_next(&it))
        devices.push_back({it.data->deviceid, it.data->type, it.data->attachment});
    return devices;
}

// The 32-bit value of `property` on `device`, if it has one.
std::optional<std::uint32_t> DeviceProperty(xcb_connection_t* c, std::uint16_t device,
                                            std::uint32_t property) {
    if (property == XCB_ATOM_NONE) return std::nullopt;
    const auto reply = Take<xcb_input_xi_get_property_reply_t>(
        c, xcb_input_xi_get_property(c, device, 0, property, XCB_ATOM_ANY, 0, 1),
        xcb_input_xi_get_property_reply);
    if (!reply || reply->type == XCB_ATOM_NONE || reply->num_items == 0) return std::nullopt;
    const void* items = xcb_input_xi_get_property_items(reply.get());
    switch (reply->format) {
        case 8:
            return *static_cast<const std::uint8_t*>(items);
        case 16:
            return *static_cast<const std::uint16_t*>(items);
        case 32:
            return *static_cast<const std::uint32_t*>(items);
        default:
            return std::nullopt;
    }
}

// The atom of `name` if the server knows it (0 otherwise: no device can carry it).
std::uint32_t ExistingAtom(xcb_connection_t* c, const char* name) {
    const auto reply = Take<xcb_intern_atom_reply_t>(
        c,
        xcb_intern_atom(c, 1, static_cast<std::uint16_t>(std::char_traits<char>::length(name)),
                        name),
        xcb_intern_atom_reply);
    return reply ? reply->atom : std::uint32_t{XCB_ATOM_NONE};
}

// Sends a request and waits for the server's word on it: true when it was carried out.
bool Done(xcb_connection_t* c, xcb_void_cookie_t cookie) {
    xcb_generic_error_t* error = xcb_request_check(c, cookie);
    const bool done = error == nullptr;
    std::free(error);
    return done;
}

bool Detach(xcb_connection_t* c, std::uint16_t device) {
    xcb_input_detach_slave_t change{};
    change.type = XCB_INPUT_HIERARCHY_CHANGE_TYPE_DETACH_SLAVE;
    change.len = sizeof(change) / 4;
    change.deviceid = device;
    return Done(c, xcb_input_xi_change_hierarchy_checked(
                       c, 1, reinterpret_cast<const xcb_input_hierarchy_change_t*>(&change)));
}

bool Attach(xcb_connection_t* c, std::uint16_t device, std::uint16_t master) {
    xcb_input_attach_slave_t change{};
    change.type = XCB_INPUT_HIERARCHY_CHANGE_TYPE_ATTACH_SLAVE;
    change.len = sizeof(change) / 4;
    change.deviceid = device;
    change.master = master;
    return Done(c, xcb_input_xi_change_hierarchy_checked(
                       c, 1, reinterpret_cast<const xcb_input_hierarchy_change_t*>(&change)));
}

bool Master(const Device& d) {
    return d.type == XCB_INPUT_DEVICE_TYPE_MASTER_KEYBOARD ||
           d.type == XCB_INPUT_DEVICE_TYPE_MASTER_POINTER;
}

// Puts `device` back on `master`, or, when that master is gone, on the first other
// master that takes it (the server takes a keyboard only on a master keyboard, a
// pointer on a master pointer): a device is never left floating for want of its own.
bool GiveBack(xcb_connection_t* c, std::uint16_t device, std::uint16_t master) {
    if (Attach(c, device, master)) return true;
    for (const Device& d : Devices(c))
        if (Master(d) && d.id != master && Attach(c, device, d.id)) return true;
    return false;
}

// Makes the XTest pointer the last to have moved the cursor, by a move of nothing: a
// pointer given back then starts its next move from the cursor, not from where it went
// while it floated.
void KeepCursor(xcb_connection_t* c) {
    const xcb_query_extension_reply_t* xtest = xcb_get_extension_data(c, &xcb_test_id);
    if (xtest == nullptr || xtest->present == 0) return;
    constexpr std::uint8_t kRelative = 1;
    xcb_test_fake_input(c, XCB_MOTION_NOTIFY, kRelative, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
}

// Gives every device of `held` back, and drops the mark of each that went back (one
// that could not be given back keeps it, for the next start to try again). Returns how
// many went back.
int GiveBackAll(xcb_connection_t* c, const std::vector<HeldDevice>& held, std::uint32_t mark) {
    if (held.empty()) return 0;
    KeepCursor(c);
    int returned = 0;
    for (const HeldDevice& h : held) {
        if (!GiveBack(c, h.device, h.master)) continue;
        xcb_input_xi_delete_property(c, h.device, mark);
        ++returned;
    }
    xcb_flush(c);
    return returned;
}

}  // namespace

InputHold::InputHold(xcb_connection_t* connection, std::chrono::milliseconds limit)
    : connection_(connection) {
    if (connection_ == nullptr || !InputTwo(connection_)) return;
    xcb_connection_t* c = connection_;
    const auto until = std::chrono::steady_clock::now() + limit;
    mark_ = x11::InternAtom(c, kHeldFromProperty);
    const std::uint32_t xtest = ExistingAtom(c, kXTestProperty);
    if (mark_ == XCB_ATOM_NONE) return;
    std::lock_guard lock(mutex_);
    for (const Device& d : Devices(c)) {
        // One request per device: the server stops a list of changes at the first that
        // fails (a device unplugged meanwhile), and each taken is known.
        const bool slave = d.type == XCB_INPUT_DEVICE_TYPE_SLAVE_KEYBOARD ||
                           d.type == XCB_INPUT_DEVICE_TYPE_SLAVE_POINTER;
        if (!slave || DeviceProperty(c, d.id, xtest)) continue;
        // Marked before it floats: whatever happens to this program from here on, the
        // next start knows the device as ours and where it goes. One that cannot be
        // marked is not taken.
        const std::uint32_t master = d.attachment;
        if (!Done(c, xcb_input_xi_change_property_checked(c, d.id, XCB_PROP_MODE_REPLACE, 32, mark_,
                                                          XCB_ATOM_CARDINAL, 1, &master)))
            continue;
        if (!Detach(c, d.id)) {
            xcb_input_xi_delete_property(c, d.id, mark_);
            continue;
        }
        taken_.push_back({d.id, d.attachment});
    }
    xcb_flush(c);
    if (taken_.empty()) return;
    watchdog_ = std::thread([this, until] {
        std::unique_lock held(mutex_);
        if (!released_.wait_until(held, until, [this] { return done_; })) ReleaseLocked();
    });
}

InputHold::~InputHold() {
    Release();
    if (watchdog_.joinable()) watchdog_.join();
}

std::size_t InputHold::Held() const {
    std::lock_guard lock(mutex_);
    return done_ ? 0 : taken_.size();
}

void InputHold::Release() {
    {
        std::lock_guard lock(mutex_);
        ReleaseLocked();
    }
    released_.notify_all();
}

void InputHold::ReleaseLocked() {
    if (done_) return;
    done_ = true;
    GiveBackAll(connection_, taken_, mark_);
}

int ReturnHeldDevices(xcb_connection_t* c) {
    if (c == nullptr || !InputTwo(c)) return 0;
    // A server that never heard of the mark has no device of ours floating.
    const std::uint32_t mark = ExistingAtom(c, kHeldFromProperty);
    if (mark == XCB_ATOM_NONE) return 0;
    std::vector<HeldDevice> left;
    for (const Device& d : Devices(c)) {
        const auto master = DeviceProperty(c, d.id, mark);
        if (!master) continue;
        if (d.type == XCB_INPUT_DEVICE_TYPE_FLOATING_SLAVE)
            left.push_back({d.id, static_cast<std::uint16_t>(*master)});
        else  // attached again (or never detached): only the mark is left to go
            xcb_input_xi_delete_property(c, d.id, mark);
    }
    xcb_flush(c);
    return GiveBackAll(c, left, mark);
}

int ReturnHeldDevices(const std::string& displayName) {
    x11::UniqueConnection connection(
        xcb_connect(displayName.empty() ? nullptr : displayName.c_str(), nullptr));
    if (xcb_connection_has_error(connection.get()) != 0) return 0;
    const int returned = ReturnHeldDevices(connection.get());
    // The marks' deletions are carried out before the connection goes.
    Take<xcb_get_input_focus_reply_t>(connection.get(), xcb_get_input_focus(connection.get()),
                                      xcb_get_input_focus_reply);
    return returned;
}

}  // namespace quorvel::platform
