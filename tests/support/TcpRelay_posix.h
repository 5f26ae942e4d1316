#pragma once
// A TCP relay between a client and a server on 127.0.0.1 that can pull the cable: once
// cut, whatever either side sends goes nowhere (the relay's sockets drop every packet
// that reaches them, so the kernel acknowledges nothing, and the relay neither reads
// nor forwards), and neither side is told (no close, no reset). Mending lets the
// packets through again. It can also play a server that takes a connection and never
// says a word. The bytes are forwarded as they are, so TLS runs end to end.
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "os/UniqueFd.h"

namespace quorvel::test {

class TcpRelay {
  public:
    // Listens on a free port of 127.0.0.1 and forwards each connection to `targetPort`
    // there.
    explicit TcpRelay(int targetPort);
    ~TcpRelay() { Close(); }
    TcpRelay(const TcpRelay&) = delete;
    TcpRelay& operator=(const TcpRelay&) = delete;

    // Resets every connection (both sides hear it at once) and stops: a connection
    // tried after it is refused.
    void Close();

    // Why the relay could not start ("" when it runs).
    const std::string& error() const { return error_; }
    int port() const { return port_; }

    // The cable pulled now: connections open stay open on both sides and go silent,
    // and new ones are never made.
    void Cut();
    // The cable pulled in the middle of a talk: once the client has sent `bytes` more
    // (counted from now) and the talk has then changed direction `turns` times. With
    // 0 turns the rest of that request is lost; with 1 the server's answer to it; with
    // 2 the client's next request; with 3 the answer to that. What the cut falls on is
    // not forwarded.
    void CutAfter(std::size_t bytes, int turns);
    void Mend();
    bool cut() const;

    // Connections taken from now on are kept open and never read nor answered, as by
    // a server that took them and went silent.
    void Silent();

    // Connections taken so far, and those of them the client has not closed yet (as
    // far as the relay can tell: a silent one is looked at, never read).
    int accepted() const;
    int open() const;

  private:
    struct Pair {
        os::UniqueFd client, server;
        bool silent = false;
    };
    void Loop();
    void Accept();
    // Forwards what `from` has to `to`; false when the connection is over.
    bool Forward(Pair& pair, bool fromClient);
    void CutNow();
    void Wake();

    std::string error_;
    int targetPort_ = 0;
    int port_ = 0;
    os::UniqueFd listener_;
    os::UniqueFd wakeRead_, wakeWrite_;

    mutable std::mutex mutex_;  // everything below, between the loop and the test
    std::vector<Pair> pairs_;
    bool stop_ = false;
    bool cut_ = false;
    bool silent_ = false;
    int accepted_ = 0;
    // The cut waiting for its moment: bytes of the client's still to go, then turns.
    bool armed_ = false;
    std::size_t bytesLeft_ = 0;
    int turnsLeft_ = 0;
    bool lastFromClient_ = true;

    std::thread loop_;  // last: starts once everything above is ready
};

}  // namespace quorvel::test
