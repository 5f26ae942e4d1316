#include "platform/atspi/RemoteBrowserBus.h"

#include <algorithm>
#include <limits>

namespace quorvel::platform::atspi {

namespace {

using wire::Field;
using wire::Verb;

// Given back ids wait for the next Dispatch, unless this many are waiting.
constexpr std::size_t kReleaseBatch = 256;

std::int64_t Number(const Field& field) { return std::get<std::int64_t>(field); }

std::vector<Field> Id(ObjectId object) { return {static_cast<std::int64_t>(object)}; }

std::int64_t Millis(std::chrono::milliseconds limit) {
    return std::clamp<std::int64_t>(limit.count(), 0, std::numeric_limits<std::int32_t>::max());
}

}  // namespace

RemoteBrowserBus::RemoteBrowserBus(std::string socketName, uid_t agentUid,
                                   std::chrono::milliseconds deadline,
                                   std::chrono::milliseconds connectGrace)
    : socketName_(std::move(socketName)),
      agentUid_(agentUid),
      deadline_(deadline),
      connectGrace_(connectGrace) {}

void RemoteBrowserBus::Lose() {
    lost_ = true;
    channel_.reset();
    releases_.clear();
}

bool RemoteBrowserBus::Connected() {
    if (lost_) return false;
    if (channel_) return true;
    const auto now = LineChannel::Clock::now();
    if (!firstTry_) firstTry_ = now;
    os::UniqueFd fd = ConnectAbstract(socketName_);
    if (!fd) {
        // The agent starts with the guest's session, before any guest can sign in: one
        // still missing after a while is not coming.
        if (now - *firstTry_ >= connectGrace_) Lose();
        return false;
    }
    // Whoever holds the name must be the guest's account: another account's listener
    // would learn what the guest's browsers show, and could steer the keys.
    if (PeerUid(fd.get()) != agentUid_) {
        Lose();
        return false;
    }
    channel_.emplace(std::move(fd), wire::kMaxLine);
    return true;
}

std::optional<std::vector<Field>> RemoteBrowserBus::Ask(Verb verb, std::vector<Field> fields) {
    if (!Connected()) return std::nullopt;
    const wire::Request request{++seq_, verb, std::move(fields)};
    const std::string line = wire::FormatRequest(request);
    if (line.empty()) return std::nullopt;  // nothing the agent could read: not its fault
    const auto deadline = LineChannel::Clock::now() + deadline_;
    std::string answer;
    if (!channel_->Write(line, deadline) ||
        channel_->Read(answer, deadline) != LineChannel::Status::Line) {
        Lose();
        return std::nullopt;
    }
    auto reply = wire::ParseReply(answer, verb, request.seq);
    if (!reply) {
        Lose();
        return std::nullopt;
    }
    if (!reply->ok) return std::nullopt;
    return std::move(reply->fields);
}

bool RemoteBrowserBus::Reachable(std::chrono::milliseconds callLimit) {
    if (reached_) return !lost_;
    reached_ = Ask(Verb::Reach, {Millis(callLimit)}).has_value();
    return reached_;
}

std::optional<std::vector<ObjectId>> RemoteBrowserBus::Applications() {
    const auto fields = Ask(Verb::Apps, {});
    if (!fields) return std::nullopt;
    std::vector<ObjectId> apps;
    for (const Field& field : *fields) {
        const auto id = static_cast<ObjectId>(Number(field));
        // No object is 0: a hold the watch would not give back.
        if (id != 0) apps.push_back(id);
    }
    return apps;
}

std::optional<int> RemoteBrowserBus::ChildCount(ObjectId object) {
    const auto fields = Ask(Verb::Count, Id(object));
    if (!fields) return std::nullopt;
    return static_cast<int>(Number(fields->at(0)));
}

std::optional<ObjectId> RemoteBrowserBus::ChildAt(ObjectId object, int index) {
    const auto fields = Ask(Verb::Child, {static_cast<std::int64_t>(object), std::int64_t{index}});
    if (!fields || Number(fields->at(0)) == 0) return std::nullopt;
    return static_cast<ObjectId>(Number(fields->at(0)));
}

std::optional<std::string> RemoteBrowserBus::Name(ObjectId object) {
    const auto fields = Ask(Verb::Name, Id(object));
    if (!fields) return std::nullopt;
    return std::get<std::string>(fields->at(0));
}

std::optional<std::uint32_t> RemoteBrowserBus::ProcessId(ObjectId object) {
    const auto fields = Ask(Verb::Pid, Id(object));
    if (!fields) return std::nullopt;
    return static_cast<std::uint32_t>(Number(fields->at(0)));
}

std::optional<bool> RemoteBrowserBus::IsFrame(ObjectId object) {
    const auto fields = Ask(Verb::Frame, Id(object));
    if (!fields) return std::nullopt;
    return Number(fields->at(0)) == 1;
}

std::optional<bool> RemoteBrowserBus::HasAttribute(ObjectId object, const std::string& name,
                                                   const std::string& value) {
    const auto fields = Ask(Verb::Attr, {static_cast<std::int64_t>(object), name, value});
    if (!fields) return std::nullopt;
    return Number(fields->at(0)) == 1;
}

std::optional<ObjectId> RemoteBrowserBus::FindDescendant(ObjectId object, const std::string& name,
                                                         const std::string& value) {
    const auto fields = Ask(Verb::Find, {static_cast<std::int64_t>(object), name, value});
    if (!fields) return std::nullopt;
    return static_cast<ObjectId>(Number(fields->at(0)));
}

std::optional<std::string> RemoteBrowserBus::Text(ObjectId object) {
    const auto fields = Ask(Verb::Text, Id(object));
    if (!fields) return std::nullopt;
    return std::get<std::string>(fields->at(0));
}

std::optional<std::string> RemoteBrowserBus::PageAddress(ObjectId frame,
                                                         const std::string& attribute) {
    const auto fields = Ask(Verb::Page, {static_cast<std::int64_t>(frame), attribute});
    if (!fields) return std::nullopt;
    return std::get<std::string>(fields->at(0));
}

std::optional<ScreenRect> RemoteBrowserBus::Extents(ObjectId object) {
    const auto fields = Ask(Verb::Extents, Id(object));
    if (!fields) return std::nullopt;
    return ScreenRect{static_cast<int>(Number(fields->at(0))), static_cast<int>(Number(fields->at(1))),
                      static_cast<int>(Number(fields->at(2))), static_cast<int>(Number(fields->at(3)))};
}

bool RemoteBrowserBus::GrabFocus(ObjectId object) {
    return Ask(Verb::Focus, Id(object)).has_value();
}

std::optional<bool> RemoteBrowserBus::HasState(ObjectId object, ObjectState state) {
    const auto fields = Ask(Verb::State, {static_cast<std::int64_t>(object),
                                          std::int64_t{state == ObjectState::Editable ? 1 : 0}});
    if (!fields) return std::nullopt;
    return Number(fields->at(0)) == 1;
}

void RemoteBrowserBus::Release(ObjectId object) {
    if (lost_ || !channel_ || object == 0) return;
    releases_.emplace_back(static_cast<std::int64_t>(object));
    if (releases_.size() >= kReleaseBatch) FlushReleases();
}

void RemoteBrowserBus::FlushReleases() {
    if (releases_.empty()) return;
    std::vector<Field> ids;
    ids.swap(releases_);
    Ask(Verb::Release, std::move(ids));
}

void RemoteBrowserBus::Dispatch() { FlushReleases(); }

bool RemoteBrowserBus::SwitchOn(std::chrono::milliseconds limit) {
    return Ask(Verb::Switch, {Millis(limit)}).has_value();
}

}  // namespace quorvel::platform::atspi
