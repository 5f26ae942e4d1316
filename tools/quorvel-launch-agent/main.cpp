// quorvel-launch-agent --client ACCOUNT [--background]
//
// Runs in the guest's desktop session, as the desktop's account, started by the
// guest's session (guest-session) once Debian's session start-up has set up the
// session bus: starts the quick-launch programs (and the product's page) that the
// program, running as ACCOUNT, asks for, so that they run as the guest and never as the
// account that owns the takings; and answers the program's browser watch about the
// guest's accessibility bus, which only this account may reach. Serves the display
// named by DISPLAY until the session ends (session-cleanup ends every process of the
// account).
//
// The watch is served only while the accessibility bus lives: when it does not come up
// or goes away (the guest may end it, it is theirs), the agent says so on its standard
// error, hangs up on the program's watch and stops listening for it, so that the
// program takes the watch for lost and ends the session. Quick launch goes on: guests
// still start their programs.
//
// Before anything else it switches the session's accessibility on: a browser shows its
// windows on the accessibility bus only when it is on as the browser starts. It then
// keeps it on for the whole session: a guest who switches it off has it switched on
// again as soon as the launcher says so, before a browser they start next reads it. With
// --background it returns once that is done and both sockets listen (the agent goes on
// in a child), so the session starts its browser only then.
#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <thread>

#include "os/UniqueFd.h"
#include "platform/atspi/AccessibilitySwitch.h"
#include "platform/atspi/AtspiBrowserBus.h"
#include "platform/atspi/WatchServer.h"
#include "platform/atspi/WatchWire.h"
#include "platform/posix/LaunchAgent.h"

namespace {

using namespace quorvel;

// The session bus's launcher of the accessibility bus may have to start first.
constexpr std::chrono::milliseconds kSwitchLimit{3000};
// How often the keeper of the switch looks whether the agent is ending.
constexpr std::chrono::milliseconds kKeeperPoll{500};
// How long --background waits for the agent to be ready.
constexpr int kReadyLimitMs = 10000;

int Fail(const std::string& why) {
    std::cerr << "quorvel-launch-agent: " << why << "\n";
    return 1;
}

// Sets the agent up and serves; `ready` (when open) is told once both sockets listen.
int Serve(uid_t client, const std::string& display, os::UniqueFd ready) {
    // Not having it on is no reason to serve nothing: the watch throws it again.
    if (!platform::atspi::AccessibilitySwitch().SwitchOn(kSwitchLimit))
        std::cerr << "quorvel-launch-agent: cannot switch accessibility on (yet)\n";
    platform::LaunchAgent agent(platform::LaunchAgentName(display), client);
    if (!agent.listening()) return Fail(agent.error());
    platform::atspi::WatchServer watch(platform::atspi::wire::WatchAgentName(display), client);
    if (!watch.listening()) return Fail(watch.error());
    if (ready) {
        const char byte = 1;
        if (::write(ready.get(), &byte, 1) != 1) return Fail("cannot say it is ready");
        ready.Reset();
    }
    std::atomic<bool> stop = false;
    std::thread keeping([&] {
        if (!platform::atspi::AccessibilitySwitch().KeepOn(stop, kKeeperPoll, kSwitchLimit))
            std::cerr << "quorvel-launch-agent: the session bus is gone: accessibility is no "
                         "longer kept on\n";
    });
    // The watch's questions on a thread of their own: a program being started never
    // holds them up, nor they a start.
    std::thread watching([&] {
        platform::atspi::AtspiBrowserBus bus;
        watch.Run(bus, stop);
        if (!stop)
            std::cerr << "quorvel-launch-agent: " << watch.error()
                      << ": websites are no longer watched\n";
    });
    while (agent.ServeOne()) {
    }
    stop = true;
    watching.join();
    keeping.join();
    return Fail("cannot take requests any more");
}

// Runs the agent in a child and returns once it is ready: 0, or 1 when it failed or
// took too long.
int ServeInBackground(uid_t client, const std::string& display) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return Fail("no pipe");
    os::UniqueFd readEnd(fds[0]), writeEnd(fds[1]);
    const pid_t child = ::fork();
    if (child < 0) return Fail("cannot fork");
    if (child == 0) {
        readEnd.Reset();
        ::setsid();
        std::_Exit(Serve(client, display, std::move(writeEnd)));
    }
    writeEnd.Reset();
    pollfd wait{readEnd.get(), POLLIN, 0};
    char byte = 0;
    if (::poll(&wait, 1, kReadyLimitMs) != 1 || ::read(readEnd.get(), &byte, 1) != 1)
        return Fail("the agent did not get ready");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const bool background = argc == 4 && std::strcmp(argv[3], "--background") == 0;
    if ((argc != 3 && !background) || std::strcmp(argv[1], "--client") != 0) {
        std::cerr << "usage: quorvel-launch-agent --client ACCOUNT [--background]\n";
        return 2;
    }
    const passwd* client = getpwnam(argv[2]);
    if (!client) return Fail(std::string("no account ") + argv[2]);
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) return Fail("no display");
    if (background) return ServeInBackground(client->pw_uid, display);
    return Serve(client->pw_uid, display, os::UniqueFd());
}
