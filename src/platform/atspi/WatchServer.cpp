#include "platform/atspi/WatchServer.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <vector>

namespace quorvel::platform::atspi {

namespace {

using wire::Field;
using wire::Verb;

// A reply the program does not read within this long is not waited for.
constexpr std::chrono::milliseconds kWriteLimit{3000};
// Until the bus is reached, it is looked for this often, each look with this call
// limit when no connection has asked for one yet (the program's watch asks its own).
constexpr std::chrono::milliseconds kProbeInterval{500};
constexpr std::chrono::milliseconds kProbeLimit{250};

using Clock = std::chrono::steady_clock;

std::int64_t Number(const Field& field) { return std::get<std::int64_t>(field); }
const std::string& TextOf(const Field& field) { return std::get<std::string>(field); }

}  // namespace

WatchServer::WatchServer(const std::string& name, uid_t client)
    : error_(), socket_(ListenAbstract(name, error_)), client_(client) {}

void WatchServer::Accept() {
    os::UniqueFd fd(::accept4(socket_.get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!fd) return;
    // Anyone but the program's account is hung up on unheard, and so is one connection
    // too many.
    if (PeerUid(fd.get()) != client_ || clients_.size() >= kMaxClients) return;
    const int key = fd.get();
    clients_.emplace(key, std::make_unique<Client>(std::move(fd)));
}

void WatchServer::GiveBack(BrowserBus& bus, Client& client, ObjectId id) {
    // Only what this connection holds: never another's.
    const auto it = client.holds.find(id);
    if (it == client.holds.end()) return;
    bus.Release(id);
    if (--it->second == 0) client.holds.erase(it);
}

void WatchServer::Drop(BrowserBus& bus, Client& client) {
    for (const auto& [id, holds] : client.holds)
        for (int i = 0; i < holds; ++i) bus.Release(id);
    client.holds.clear();
}

wire::Reply WatchServer::Answer(BrowserBus& bus, Client& client, const wire::Request& request) {
    const std::vector<Field>& in = request.fields;
    wire::Reply reply{request.seq, false, {}};
    const auto succeed = [&](std::vector<Field> fields) {
        reply.ok = true;
        reply.fields = std::move(fields);
    };
    // What the bus hands out is held for this connection until it gives it back.
    const auto handOut = [&](ObjectId id) {
        if (id != 0) ++client.holds[id];
        return static_cast<std::int64_t>(id);
    };
    // A connection asks only about objects it holds.
    const auto object = [&]() -> ObjectId {
        const auto id = static_cast<ObjectId>(Number(in.at(0)));
        return client.holds.contains(id) ? id : 0;
    };
    switch (request.verb) {
        case Verb::Reach:
            askedLimit_ = std::chrono::milliseconds(Number(in.at(0)));
            if (bus.Reachable(*askedLimit_)) {
                reached_ = true;
                succeed({});
            }
            break;
        case Verb::Switch:
            if (bus.SwitchOn(std::chrono::milliseconds(Number(in.at(0))))) succeed({});
            break;
        case Verb::Release:
            for (const Field& field : in) GiveBack(bus, client, static_cast<ObjectId>(Number(field)));
            succeed({});
            break;
        case Verb::Apps:
            if (const auto apps = bus.Applications()) {
                std::vector<Field> ids;
                for (const ObjectId id : *apps) ids.emplace_back(handOut(id));
                succeed(std::move(ids));
            }
            break;
        default: {
            const ObjectId id = object();
            if (id == 0) break;
            switch (request.verb) {
                case Verb::Count:
                    if (const auto n = bus.ChildCount(id); n && *n >= 0) succeed({std::int64_t{*n}});
                    break;
                case Verb::Child:
                    if (const auto child = bus.ChildAt(id, static_cast<int>(Number(in.at(1)))))
                        succeed({handOut(*child)});
                    break;
                case Verb::Name:
                    if (auto name = bus.Name(id)) succeed({std::move(*name)});
                    break;
                case Verb::Pid:
                    if (const auto pid = bus.ProcessId(id)) succeed({std::int64_t{*pid}});
                    break;
                case Verb::Frame:
                    if (const auto frame = bus.IsFrame(id)) succeed({std::int64_t{*frame}});
                    break;
                case Verb::Attr:
                    if (const auto has = bus.HasAttribute(id, TextOf(in.at(1)), TextOf(in.at(2))))
                        succeed({std::int64_t{*has}});
                    break;
                case Verb::Find:
                    if (const auto found =
                            bus.FindDescendant(id, TextOf(in.at(1)), TextOf(in.at(2))))
                        succeed({handOut(*found)});
                    break;
                case Verb::Text:
                    if (auto text = bus.Text(id)) succeed({std::move(*text)});
                    break;
                case Verb::Page:
                    if (auto page = bus.PageAddress(id, TextOf(in.at(1))))
                        succeed({std::move(*page)});
                    break;
                case Verb::Extents:
                    if (const auto r = bus.Extents(id))
                        succeed({std::int64_t{r->x}, std::int64_t{r->y}, std::int64_t{r->width},
                                 std::int64_t{r->height}});
                    break;
                case Verb::Focus:
                    if (bus.GrabFocus(id)) succeed({});
                    break;
                case Verb::State:
                    if (const auto has = bus.HasState(id, Number(in.at(1)) == 1
                                                              ? ObjectState::Editable
                                                              : ObjectState::Focused))
                        succeed({std::int64_t{*has}});
                    break;
                default: break;
            }
        }
    }
    return reply;
}

bool WatchServer::Serve(BrowserBus& bus, Client& client) {
    for (;;) {
        std::string line;
        // Only what has arrived already: the others are not kept waiting.
        switch (client.channel.Read(line, LineChannel::Clock::now())) {
            case LineChannel::Status::TimedOut: return true;
            case LineChannel::Status::Line: break;
            default: return false;
        }
        const auto request = wire::ParseRequest(line);
        if (!request) return false;
        wire::Reply reply = Answer(bus, client, *request);
        std::string answer = wire::FormatReply(request->verb, reply);
        if (answer.empty()) {
            // An answer too long for a line (a huge text) is a failed call; what it
            // handed out is given back.
            if (request->verb == Verb::Apps || request->verb == Verb::Child ||
                request->verb == Verb::Find)
                for (const Field& field : reply.fields)
                    GiveBack(bus, client, static_cast<ObjectId>(Number(field)));
            answer = wire::FormatReply(request->verb, wire::Reply{request->seq, false, {}});
        }
        if (!client.channel.Write(answer, LineChannel::Clock::now() + kWriteLimit)) return false;
    }
}

void WatchServer::DropAll(BrowserBus& bus) {
    for (auto& [fd, client] : clients_) Drop(bus, *client);
    clients_.clear();
}

void WatchServer::Run(BrowserBus& bus, const std::atomic<bool>& stop,
                      std::chrono::milliseconds tick, std::chrono::milliseconds busLimit) {
    const auto start = Clock::now();
    auto nextProbe = start;
    while (!stop) {
        // Looked for by the agent itself too: a bus that never comes up must be said
        // even while nobody asks.
        if (!reached_ && Clock::now() >= nextProbe) {
            reached_ = bus.Reachable(askedLimit_.value_or(kProbeLimit));
            nextProbe = Clock::now() + kProbeInterval;
        }
        if (!reached_ && Clock::now() - start >= busLimit) {
            error_ = "the accessibility bus did not come up";
            break;
        }
        if (bus.Lost()) {
            error_ = "the accessibility bus went away";
            break;
        }
        std::vector<pollfd> fds{{socket_.get(), POLLIN, 0}};
        for (const auto& [fd, client] : clients_) fds.push_back({fd, POLLIN, 0});
        const int n = ::poll(fds.data(), fds.size(), static_cast<int>(tick.count()));
        if (n < 0 && errno != EINTR) {
            error_ = "cannot wait for the program's questions";
            break;
        }
        if (n > 0) {
            for (std::size_t i = 1; i < fds.size(); ++i) {
                if (fds[i].revents == 0) continue;
                const auto it = clients_.find(fds[i].fd);
                if (Serve(bus, *it->second)) continue;
                Drop(bus, *it->second);
                clients_.erase(it);
            }
            if (fds[0].revents != 0) Accept();
        }
        bus.Dispatch();
    }
    DropAll(bus);
    // No connection is taken any more once the bus is given up: the program's watch
    // then finds no agent and takes it for lost.
    if (!error_.empty()) socket_.Reset();
}

}  // namespace quorvel::platform::atspi
