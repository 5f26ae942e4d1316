#include "platform/posix/LaunchAgent.h"

#include <sys/socket.h>

#include <cerrno>
#include <cstddef>
#include <optional>

#include "platform/posix/LineChannel.h"
#include "platform/posix/PosixShell.h"

namespace quorvel::platform {

namespace {

// A path or an address is far shorter; anything longer is not a request.
constexpr std::size_t kMaxRequest = 8192;
// Neither side waits on the other longer than this: the timer window's click must
// never hang on a stuck agent.
constexpr int kTimeoutSeconds = 2;

void SetTimeouts(int fd) {
    const timeval timeout{kTimeoutSeconds, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
}

bool SendAll(int fd, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

// Everything up to the other side's end of writing; nullopt past kMaxRequest or on
// an error or time-out.
std::optional<std::string> ReceiveAll(int fd) {
    std::string bytes;
    char chunk[1024];
    for (;;) {
        const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) return bytes;
        bytes.append(chunk, static_cast<std::size_t>(n));
        if (bytes.size() > kMaxRequest) return std::nullopt;
    }
}

}  // namespace

std::string LaunchAgentName(const std::string& display) {
    return "quorvel-launch-agent" + display;
}

LaunchAgent::LaunchAgent(const std::string& name, uid_t client)
    : error_(), socket_(ListenAbstract(name, error_)), client_(client) {}

bool LaunchAgent::ServeOne() {
    os::UniqueFd connection(accept4(socket_.get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!connection) return errno == EINTR || errno == ECONNABORTED;
    // Anyone but the program's account is hung up on unheard.
    if (PeerUid(connection.get()) != client_) return true;
    SetTimeouts(connection.get());
    const std::optional<std::string> request = ReceiveAll(connection.get());
    bool started = false;
    if (request) {
        const std::size_t newline = request->find('\n');
        const std::string verb = request->substr(0, newline);
        const std::string argument =
            newline == std::string::npos ? std::string() : request->substr(newline + 1);
        PosixShell shell;
        if (verb == "run")
            started = shell.StartProgram(argument, 2);
        else if (verb == "open")
            started = shell.OpenAddress(argument);
    }
    SendAll(connection.get(), started ? "1" : "0");
    return true;
}

AgentShell::AgentShell(std::string account, std::string display)
    : account_(std::move(account)), name_(LaunchAgentName(display)) {}

bool AgentShell::StartProgram(const std::string& path, int /*showState*/) {
    return !path.empty() && Ask("run", path);
}

bool AgentShell::OpenAddress(const std::string& address) {
    return !address.empty() && Ask("open", address);
}

bool AgentShell::Ask(const std::string& verb, const std::string& argument) {
    // Looked up on each request: the account may be made after the program started.
    const std::optional<uid_t> agentUid = AccountUid(account_);
    if (!agentUid) return false;
    const os::UniqueFd fd = ConnectAbstract(name_);
    if (!fd) return false;
    SetTimeouts(fd.get());
    // Whoever holds the name must be the desktop's account: never hand a path to
    // another account's listener.
    if (PeerUid(fd.get()) != *agentUid) return false;
    if (!SendAll(fd.get(), verb + "\n" + argument) || shutdown(fd.get(), SHUT_WR) != 0)
        return false;
    const std::optional<std::string> answer = ReceiveAll(fd.get());
    return answer && *answer == "1";
}

}  // namespace quorvel::platform
