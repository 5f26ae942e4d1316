#include "platform/posix/LineChannel.h"

#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace quorvel::platform {

namespace {

sockaddr_un AbstractAddress(const std::string& name, socklen_t& length) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::size_t size = std::min(name.size(), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, name.data(), size);
    length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + size);
    return address;
}

// Milliseconds until `deadline`, for poll: 0 once it has passed.
int Remaining(LineChannel::Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline -
                                                                   LineChannel::Clock::now());
    return static_cast<int>(std::clamp<long long>(left.count(), 0, 60'000));
}

// Waits until `fd` is ready for `events` or `deadline`; false on time-out or error.
bool WaitReady(int fd, short events, LineChannel::Clock::time_point deadline) {
    for (;;) {
        pollfd ready{fd, events, 0};
        const int n = ::poll(&ready, 1, Remaining(deadline));
        if (n < 0 && errno == EINTR) continue;
        if (n > 0) return true;
        if (n < 0 || LineChannel::Clock::now() >= deadline) return false;
    }
}

}  // namespace

os::UniqueFd ListenAbstract(const std::string& name, std::string& error) {
    os::UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd) {
        error = std::strerror(errno);
        return {};
    }
    socklen_t length = 0;
    const sockaddr_un address = AbstractAddress(name, length);
    if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), length) != 0 ||
        ::listen(fd.get(), 8) != 0) {
        error = errno == EADDRINUSE ? "another agent already serves this display"
                                    : std::strerror(errno);
        return {};
    }
    return fd;
}

os::UniqueFd ConnectAbstract(const std::string& name) {
    // Connecting never waits: a listener that takes no connections fills its backlog,
    // and a blocking connect would then wait for it for ever.
    os::UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd) return {};
    socklen_t length = 0;
    const sockaddr_un address = AbstractAddress(name, length);
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), length) != 0) return {};
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) return {};
    return fd;
}

std::optional<uid_t> PeerUid(int fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0) return std::nullopt;
    return peer.uid;
}

std::optional<uid_t> AccountUid(const std::string& account) {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwnam_r(account.c_str(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        !found)
        return std::nullopt;
    return found->pw_uid;
}

LineChannel::LineChannel(os::UniqueFd fd, std::size_t maxLine)
    : fd_(std::move(fd)), maxLine_(maxLine) {}

bool LineChannel::Write(const std::string& line, Clock::time_point deadline) {
    const std::string bytes = line + '\n';
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd_.get(), bytes.data() + sent, bytes.size() - sent,
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) &&
            WaitReady(fd_.get(), POLLOUT, deadline))
            continue;
        return false;
    }
    return true;
}

LineChannel::Status LineChannel::Read(std::string& line, Clock::time_point deadline) {
    char chunk[16384];
    for (;;) {
        if (const auto end = pending_.find('\n'); end != std::string::npos) {
            if (end + 1 > maxLine_) return Status::TooLong;
            line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            return Status::Line;
        }
        // Without its newline yet, a line already at the limit can only grow past it.
        if (pending_.size() >= maxLine_) return Status::TooLong;
        const ssize_t n = ::recv(fd_.get(), chunk, sizeof chunk, MSG_DONTWAIT);
        if (n > 0) {
            pending_.append(chunk, static_cast<std::size_t>(n));
            continue;
        }
        if (n == 0) return Status::Closed;
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return Status::Failed;
        if (Clock::now() >= deadline || !WaitReady(fd_.get(), POLLIN, deadline))
            return Status::TimedOut;
    }
}

}  // namespace quorvel::platform
