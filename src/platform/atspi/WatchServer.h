#pragma once
// The agent's side of the browser watch on a cafe PC: runs in the guest's session, as
// the guest's account, and answers the program's questions about the guest's
// accessibility bus (RemoteBrowserBus asks them) with an AtspiBrowserBus of its own. It
// answers and decides nothing: it never learns a keyword and never types.
//
// It listens on an abstract socket named after the display and serves only the
// program's account (SO_PEERCRED); anyone else is hung up on unheard. A few
// connections are served at once (the watch's, and the short one that switches
// accessibility on while the lock shows), one request at a time. What a connection
// holds is given back when it goes; a connection that sends anything but a request,
// or leaves its reply unread past the limit, is hung up on.
//
// It serves only while its accessibility bus lives: an agent that answered with a dead
// bus would leave the guest's browsers unwatched while all looked well. When the bus
// has not come up within a while of the start, or is lost (the guest ended the bus or
// its launcher, which are the guest's own processes), it hangs up on every connection
// and stops listening for good; the program then takes the watch for lost, as it does
// an agent that ended.
#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "os/UniqueFd.h"
#include "platform/atspi/BrowserBus.h"
#include "platform/atspi/WatchWire.h"
#include "platform/posix/LineChannel.h"

namespace quorvel::platform::atspi {

class WatchServer {
  public:
    // At most this many connections at once; one more is hung up on.
    static constexpr std::size_t kMaxClients = 4;
    // How long the bus may take to come up: at the session's start its launcher may
    // still be starting.
    static constexpr std::chrono::milliseconds kBusLimit{10000};

    // Listens on `name`, serving only the account `client`. Check listening().
    WatchServer(const std::string& name, uid_t client);
    bool listening() const { return static_cast<bool>(socket_); }
    const std::string& error() const { return error_; }

    // Serves with the bus `bus` until `stop` is set (looked at every `tick` at least),
    // on the calling thread, which must be the one that made the bus. Returns early,
    // having stopped listening, when the bus was not reachable within `busLimit` of the
    // start or is lost; error() then says which.
    void Run(BrowserBus& bus, const std::atomic<bool>& stop,
             std::chrono::milliseconds tick = std::chrono::milliseconds(200),
             std::chrono::milliseconds busLimit = kBusLimit);

  private:
    struct Client {
        explicit Client(os::UniqueFd fd) : channel(std::move(fd), wire::kMaxLine) {}
        LineChannel channel;
        // How often each object was handed to this connection and not given back.
        std::map<ObjectId, int> holds;
    };
    void Accept();
    // Reads and answers what `client` sent; false when it is to be hung up on.
    bool Serve(BrowserBus& bus, Client& client);
    wire::Reply Answer(BrowserBus& bus, Client& client, const wire::Request& request);
    // Gives back one hold of `id`, if the connection has one.
    static void GiveBack(BrowserBus& bus, Client& client, ObjectId id);
    // Gives back everything the connection holds.
    static void Drop(BrowserBus& bus, Client& client);
    // Hangs up on every connection.
    void DropAll(BrowserBus& bus);

    std::string error_;  // before the socket, whose making fills it
    os::UniqueFd socket_;
    uid_t client_;
    std::map<int, std::unique_ptr<Client>> clients_;
    // Whether the bus was reachable once; the call limit a connection last asked for.
    bool reached_ = false;
    std::optional<std::chrono::milliseconds> askedLimit_;
};

}  // namespace quorvel::platform::atspi
