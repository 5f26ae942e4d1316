#pragma once
// Lines of text over a local stream socket, with a limit on every wait and on every
// line's length, and the abstract local sockets the program and the agents of the
// guest's session meet on.
//
// An abstract socket has a name but no file: nothing to create, own or clean up, and it
// goes with its listener. Whoever may connect, the kernel tells each side which account
// the other runs as (SO_PEERCRED), and each side checks it.
#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

#include "os/UniqueFd.h"

namespace quorvel::platform {

// A socket listening on the abstract name `name`; empty when it could not (`error`
// says why: another listener holds the name, say).
os::UniqueFd ListenAbstract(const std::string& name, std::string& error);
// A socket connected to the listener on the abstract name `name`; empty when none, or
// when the listener has more connections waiting than it takes (never waits for it).
os::UniqueFd ConnectAbstract(const std::string& name);
// The account of the process at the other end of the connected socket `fd`.
std::optional<uid_t> PeerUid(int fd);
// The account called `account`.
std::optional<uid_t> AccountUid(const std::string& account);

class LineChannel {
  public:
    using Clock = std::chrono::steady_clock;
    enum class Status { Line, TimedOut, Closed, TooLong, Failed };

    // Takes the connected socket `fd`; a line is at most `maxLine` bytes, newline included.
    LineChannel(os::UniqueFd fd, std::size_t maxLine);

    int fd() const { return fd_.get(); }
    // Sends `line` and a newline, waiting for room until `deadline` at most; false when
    // not all of it went.
    bool Write(const std::string& line, Clock::time_point deadline);
    // The next line (without its newline) into `line`. Waits until `deadline` at most;
    // a deadline passed takes only what has arrived already.
    Status Read(std::string& line, Clock::time_point deadline);

  private:
    os::UniqueFd fd_;
    std::size_t maxLine_;
    std::string pending_;
};

}  // namespace quorvel::platform
