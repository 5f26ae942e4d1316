#pragma once
// Quick launch on a cafe PC. The program runs as an account of its own, which owns
// the takings and the passwords; a program the guest starts must not. So the guest's
// session runs a small launch agent as the desktop's account, and the program asks it
// to start the guest's programs there.
//
// The agent listens on an abstract local socket named after the display (no file, so
// nothing to create or clean up) and serves only the program's account: the kernel
// tells each side who the other is (SO_PEERCRED), and either side hangs up on anyone
// else. It starts whatever path it is sent: it runs as the guest, who can start
// anything on their own desktop anyway, so it grants nothing; and it could not check
// the quick-launch list, which is in the program's settings store, closed to the
// guest by design.
//
// One request a connection: "run" or "open", a newline, the path or address; the
// agent answers "1" when it was started and "0" when not.
#include <sys/types.h>

#include <string>

#include "os/UniqueFd.h"
#include "platform/Shell.h"

namespace quorvel::platform {

// The agent's socket for a display (":0" gives "quorvel-launch-agent:0"), without the
// leading NUL that puts it in the abstract namespace.
std::string LaunchAgentName(const std::string& display);

// The agent's side.
class LaunchAgent {
  public:
    // Listens on `name`, serving only the account `client`. Check listening().
    LaunchAgent(const std::string& name, uid_t client);
    bool listening() const { return static_cast<bool>(socket_); }
    const std::string& error() const { return error_; }
    // Waits for one connection and answers it; false when accepting failed.
    bool ServeOne();

  private:
    std::string error_;  // before the socket, whose making fills it
    os::UniqueFd socket_;
    uid_t client_;
};

// The program's side: a Shell whose programs and addresses the agent of `display`,
// running as `account`, starts. It never starts anything itself: with no agent, or
// another account's at the name, nothing starts.
class AgentShell final : public Shell {
  public:
    AgentShell(std::string account, std::string display);
    bool StartProgram(const std::string& path, int showState) override;
    bool OpenAddress(const std::string& address) override;

  private:
    bool Ask(const std::string& verb, const std::string& argument);
    std::string account_;
    std::string name_;
};

}  // namespace quorvel::platform
