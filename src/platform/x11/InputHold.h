#pragma once
// The guest's keyboards and pointers held back while the website blocker types into a
// browser.
//
// The blocker's keys go through the XTest keyboard, every physical keyboard and pointer
// through a device of its own; all of them are slaves of the master keyboard whose
// focus the windows see, or of the master pointer whose cursor they see. A grab cannot
// keep the guest out (the server hands our own XTest keys to the grabbing client too),
// but a slave taken off its master (floating, XInput 2) reaches no window at all: for
// the moment of a rewrite every slave keyboard and pointer but the XTest ones floats,
// and then goes back to the master it came from. Keys the guest types, clicks and turns
// of the wheel meanwhile are lost, as on a keyboard and mouse unplugged for that moment:
// a click cannot take the focus from the window the blocker types into.
//
// The owner signs in at the lock with the same keyboard and mouse, so a hold is made to
// end:
//  - the guard's destructor gives every device back, and so does a watchdog thread
//    once the hold's limit has passed, whatever the holder is doing then;
//  - every device taken is first marked with the device property kHeldFromProperty,
//    naming its master; a program that ends while holding (killed, crashed) leaves its
//    devices floating and marked, and ReturnHeldDevices, run at the program's start
//    and the watch's, puts them back. A device floating without the mark was floated
//    by someone else on purpose and is left as it is;
//  - a key or button the guest holds down as its device is taken is let go on the
//    master by the server itself (a slave's keys and buttons are released as it is
//    detached or attached), so nothing stays pressed. The release goes where the
//    press went: a button pressed just before the hold ends its click (or drag) then,
//    before the blocker brings its window forward;
//  - the cursor stays where it stood. A floating pointer moves on by itself; given back
//    as it is, its next move would carry the cursor to where it went meanwhile (the
//    server moves the cursor from a pointer's own last place for as long as that
//    pointer moved it last). A move of nothing through the XTest pointer before the
//    pointers go back makes that the last, and the guest's next move starts from the
//    cursor.
//
// Everything here goes through xcb on the caller's connection: a failing request (a
// device unplugged in between) comes back as that request's error, and xcb may be used
// from the watchdog's thread and the holder's at once.
#include <xcb/xcb.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quorvel::platform {

// The device property a held device carries: the id of the master it came from
// (CARDINAL, 32 bits).
inline constexpr const char* kHeldFromProperty = "QUORVEL_HELD_FROM";

// A device taken off its master, and that master.
struct HeldDevice {
    std::uint16_t device = 0;
    std::uint16_t master = 0;
};

class InputHold {
  public:
    // Takes every slave keyboard and pointer but the XTest ones off its master, for
    // `limit` at most. `connection` (null: nothing is held) must outlive the hold. Holds
    // nothing where the server has no XInput 2.
    InputHold(xcb_connection_t* connection, std::chrono::milliseconds limit);
    // Gives every device back, unless that was done already.
    ~InputHold();
    InputHold(const InputHold&) = delete;
    InputHold& operator=(const InputHold&) = delete;

    // How many devices were taken; 0 once they are given back.
    std::size_t Held() const;
    // Gives every device back to the master it came from now.
    void Release();

  private:
    void ReleaseLocked();

    xcb_connection_t* const connection_;
    mutable std::mutex mutex_;
    std::condition_variable released_;
    std::vector<HeldDevice> taken_;
    bool done_ = false;
    std::uint32_t mark_ = 0;
    std::thread watchdog_;  // last: started once everything else is in place
};

// Gives back every device a hold left floating (its mark says it was ours, and to which
// master), and drops the mark wherever it is left. Returns how many devices went back.
int ReturnHeldDevices(xcb_connection_t* connection);
// The same on a connection of its own to `displayName` (empty: $DISPLAY); 0 without a
// server.
int ReturnHeldDevices(const std::string& displayName);

}  // namespace quorvel::platform
