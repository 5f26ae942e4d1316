#include "support/TcpRelay_posix.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/filter.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quorvel::test {

namespace {

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return address;
}

// A socket filter that keeps nothing: the kernel drops each packet for the socket
// before TCP sees it, so nothing is acknowledged, as with a cable pulled.
void DropEverything(int fd) {
    static sock_filter drop[] = {BPF_STMT(BPF_RET | BPF_K, 0)};
    const sock_fprog program{1, drop};
    ::setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program);
}

void LetThrough(int fd) {
    int unused = 0;
    ::setsockopt(fd, SOL_SOCKET, SO_DETACH_FILTER, &unused, sizeof unused);
}

// Closed with a reset, so a peer blocked on it hears at once.
void Reset(os::UniqueFd& fd) {
    if (!fd) return;
    const linger now{1, 0};
    ::setsockopt(fd.get(), SOL_SOCKET, SO_LINGER, &now, sizeof now);
    fd.Reset();
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::send(fd, data, size, MSG_NOSIGNAL);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

TcpRelay::TcpRelay(int targetPort) : targetPort_(targetPort) {
    listener_.Reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address = Loopback(0);
    socklen_t size = sizeof address;
    int pipeEnds[2];
    // A small window towards the client (the connections taken inherit it), so that
    // the kernel cannot take a whole request in before the relay reads it: a request
    // the cut falls on stays unacknowledged on the client's side, as on a real wire.
    const int window = 4096;
    if (!listener_ ||
        ::setsockopt(listener_.get(), SOL_SOCKET, SO_RCVBUF, &window, sizeof window) != 0 ||
        ::bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(listener_.get(), 16) != 0 ||
        ::getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &size) != 0 ||
        ::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) {
        error_ = std::string("cannot listen on 127.0.0.1: ") + std::strerror(errno);
        return;
    }
    wakeRead_.Reset(pipeEnds[0]);
    wakeWrite_.Reset(pipeEnds[1]);
    port_ = ntohs(address.sin_port);
    loop_ = std::thread([this] { Loop(); });
}

void TcpRelay::Close() {
    {
        std::lock_guard hold(mutex_);
        stop_ = true;
    }
    Wake();
    if (loop_.joinable()) loop_.join();
    std::lock_guard hold(mutex_);
    for (Pair& pair : pairs_) {
        Reset(pair.client);
        Reset(pair.server);
    }
    pairs_.clear();
    listener_.Reset();
}

void TcpRelay::Wake() {
    const char one = 1;
    (void)!::write(wakeWrite_.get(), &one, 1);
}

void TcpRelay::Cut() {
    std::lock_guard hold(mutex_);
    CutNow();
}

void TcpRelay::CutNow() {
    cut_ = true;
    armed_ = false;
    DropEverything(listener_.get());
    for (Pair& pair : pairs_) {
        DropEverything(pair.client.get());
        if (pair.server) DropEverything(pair.server.get());
    }
}

void TcpRelay::CutAfter(std::size_t bytes, int turns) {
    std::lock_guard hold(mutex_);
    armed_ = true;
    bytesLeft_ = bytes;
    turnsLeft_ = turns;
    lastFromClient_ = true;
}

void TcpRelay::Mend() {
    {
        std::lock_guard hold(mutex_);
        cut_ = false;
        LetThrough(listener_.get());
        for (Pair& pair : pairs_) {
            LetThrough(pair.client.get());
            if (pair.server) LetThrough(pair.server.get());
        }
    }
    Wake();
}

bool TcpRelay::cut() const {
    std::lock_guard hold(mutex_);
    return cut_;
}

void TcpRelay::Silent() {
    std::lock_guard hold(mutex_);
    silent_ = true;
}

int TcpRelay::accepted() const {
    std::lock_guard hold(mutex_);
    return accepted_;
}

int TcpRelay::open() const {
    std::lock_guard hold(mutex_);
    int open = 0;
    for (const Pair& pair : pairs_) {
        pollfd look{pair.client.get(), POLLRDHUP, 0};
        if (::poll(&look, 1, 0) == 0) ++open;
    }
    return open;
}

void TcpRelay::Accept() {
    os::UniqueFd client(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!client) return;
    ++accepted_;
    Pair pair;
    pair.client = std::move(client);
    pair.silent = silent_;
    if (!pair.silent) {
        pair.server.Reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        const sockaddr_in target = Loopback(targetPort_);
        if (!pair.server || ::connect(pair.server.get(), reinterpret_cast<const sockaddr*>(&target),
                                      sizeof target) != 0) {
            Reset(pair.client);
            return;
        }
    }
    // One taken in the instant the cable was pulled is as cut off as the others.
    if (cut_) {
        DropEverything(pair.client.get());
        if (pair.server) DropEverything(pair.server.get());
    }
    pairs_.push_back(std::move(pair));
}

bool TcpRelay::Forward(Pair& pair, bool fromClient) {
    char buffer[16384];
    const int from = fromClient ? pair.client.get() : pair.server.get();
    const int to = fromClient ? pair.server.get() : pair.client.get();
    const ssize_t got = ::recv(from, buffer, sizeof buffer, MSG_DONTWAIT);
    if (got < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
    if (got == 0) return false;
    std::size_t pass = static_cast<std::size_t>(got);
    if (armed_) {
        if (bytesLeft_ > 0) {
            if (fromClient) {
                const std::size_t counted = std::min(pass, bytesLeft_);
                bytesLeft_ -= counted;
                if (bytesLeft_ == 0 && turnsLeft_ == 0) {
                    // Up to the byte asked for gets through, the rest is lost.
                    const bool ok = WriteAll(to, buffer, counted);
                    CutNow();
                    return ok;
                }
                lastFromClient_ = true;
            }
        } else if (fromClient != lastFromClient_) {
            lastFromClient_ = fromClient;
            if (--turnsLeft_ == 0) {
                CutNow();
                return true;
            }
        }
    }
    return WriteAll(to, buffer, pass);
}

void TcpRelay::Loop() {
    for (;;) {
        std::vector<pollfd> watch;
        std::vector<std::pair<std::size_t, bool>> whose;  // pair, from the client
        {
            std::lock_guard hold(mutex_);
            if (stop_) return;
            watch.push_back({wakeRead_.get(), POLLIN, 0});
            watch.push_back({listener_.get(), POLLIN, 0});
            if (!cut_)
                for (std::size_t i = 0; i < pairs_.size(); ++i) {
                    if (pairs_[i].silent) continue;
                    watch.push_back({pairs_[i].client.get(), POLLIN, 0});
                    whose.emplace_back(i, true);
                    watch.push_back({pairs_[i].server.get(), POLLIN, 0});
                    whose.emplace_back(i, false);
                }
        }
        if (::poll(watch.data(), watch.size(), -1) < 0 && errno != EINTR) return;
        std::lock_guard hold(mutex_);
        if (stop_) return;
        if (watch[0].revents) {
            char drain[64];
            while (::read(wakeRead_.get(), drain, sizeof drain) > 0) {
            }
        }
        if (watch[1].revents & POLLIN) Accept();
        std::vector<bool> over(pairs_.size(), false);
        for (std::size_t w = 2; w < watch.size(); ++w) {
            // A cut that fell on an earlier connection's bytes stops this round too.
            if (cut_ || !watch[w].revents) continue;
            const auto [i, fromClient] = whose[w - 2];
            if (!over[i] && !Forward(pairs_[i], fromClient)) over[i] = true;
        }
        for (std::size_t i = over.size(); i-- > 0;)
            if (over[i]) {
                // The other side is closed as this one was, the FIN passed on.
                pairs_.erase(pairs_.begin() + static_cast<std::ptrdiff_t>(i));
            }
    }
}

}  // namespace quorvel::test
