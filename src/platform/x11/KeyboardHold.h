#pragma once
// The guest's keyboards held back while the website blocker types into a browser.
//
// The blocker's keys go through the XTest keyboard, every physical keyboard through a
// device of its own; all of them are slaves of the master keyboard whose focus the
// windows see. A grab cannot keep the guest's keys out (the server hands our own XTest
// keys to the grabbing client too), but a slave taken off its master (floating, XInput
// 2) reaches no window at all: for the moment of a rewrite every slave keyboard but the
// XTest ones floats, and then goes back to the master it came from. Keys the guest
// types meanwhile are lost, as on a keyboard unplugged for that moment.
//
// The owner signs in at the lock with the same keyboard, so a hold is made to end:
//  - the guard's destructor gives every keyboard back, and so does a watchdog thread
//    once the hold's limit has passed, whatever the holder is doing then;
//  - every keyboard taken is first marked with the device property
//    kHeldFromProperty, naming its master; a program that ends while holding (killed,
//    crashed) leaves its keyboards floating and marked, and ReturnHeldKeyboards, run
//    at the program's start and the watch's, puts them back. A keyboard floating
//    without the mark was floated by someone else on purpose and is left as it is;
//  - a key the guest holds down as its keyboard is taken is released on the master by
//    the server itself (a slave's keys are let go as it is detached or attached), so
//    nothing stays pressed.
//
// Everything here goes through xcb on the caller's connection: a failing request (a
// keyboard unplugged in between) comes back as that request's error, and xcb may be
// used from the watchdog's thread and the holder's at once.
#include <xcb/xcb.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quorvel::platform {

// The device property a held keyboard carries: the id of the master it came from
// (CARDINAL, 32 bits).
inline constexpr const char* kHeldFromProperty = "QUORVEL_HELD_FROM";

class KeyboardHold {
  public:
    // Takes every slave keyboard but the XTest ones off its master, for `limit` at most.
    // `connection` (null: nothing is held) must outlive the hold. Holds nothing where the
    // server has no XInput 2.
    KeyboardHold(xcb_connection_t* connection, std::chrono::milliseconds limit);
    // Gives every keyboard back, unless that was done already.
    ~KeyboardHold();
    KeyboardHold(const KeyboardHold&) = delete;
    KeyboardHold& operator=(const KeyboardHold&) = delete;

    // How many keyboards were taken; 0 once they are given back.
    std::size_t Held() const;
    // Gives every keyboard back to the master it came from now.
    void Release();

  private:
    struct Taken {
        std::uint16_t device = 0;
        std::uint16_t master = 0;
    };
    void ReleaseLocked();

    xcb_connection_t* const connection_;
    mutable std::mutex mutex_;
    std::condition_variable released_;
    std::vector<Taken> taken_;
    bool done_ = false;
    std::uint32_t mark_ = 0;
    std::thread watchdog_;  // last: started once everything else is in place
};

// Gives back every keyboard a hold left floating (its mark says it was ours, and to
// which master), and drops the mark wherever it is left. Returns how many keyboards
// went back.
int ReturnHeldKeyboards(xcb_connection_t* connection);
// The same on a connection of its own to `displayName` (empty: $DISPLAY); 0 without a
// server.
int ReturnHeldKeyboards(const std::string& displayName);

}  // namespace quorvel::platform
