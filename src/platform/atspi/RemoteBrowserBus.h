#pragma once
// The guest's accessibility bus on a cafe PC, asked through the agent in the guest's
// session (WatchServer in quorvel-launch-agent), which runs as the guest's account: the
// bus is that account's alone, closed to the program's.
//
// The agent is the guest's and so is not trusted with anything: it answers questions
// and decides nothing (the keywords and the typing stay here), the process ids it gives
// are checked before any key goes anywhere (BrowserWatch's key target), and any reply
// that is not exactly the answer to the question asked ends the conversation. Every
// question waits `deadline` at most. An agent that hangs up, lets a question run out its
// deadline, answers wrongly or runs as another account than the guest's is lost for
// good: Lost() is true and every call fails at once. An agent that cannot be reached at
// all is looked for again at each Reachable for `connectGrace`, and then lost too.
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>

#include "platform/atspi/BrowserBus.h"
#include "platform/atspi/WatchWire.h"
#include "platform/posix/LineChannel.h"

namespace quorvel::platform::atspi {

class RemoteBrowserBus final : public BrowserBus {
  public:
    static constexpr std::chrono::milliseconds kDeadline{3000};
    static constexpr std::chrono::milliseconds kConnectGrace{10000};

    // Talks to the agent listening on the abstract name `socketName`, which must run as
    // `agentUid`.
    RemoteBrowserBus(std::string socketName, uid_t agentUid,
                     std::chrono::milliseconds deadline = kDeadline,
                     std::chrono::milliseconds connectGrace = kConnectGrace);

    bool Reachable(std::chrono::milliseconds callLimit) override;
    std::optional<std::vector<ObjectId>> Applications() override;
    std::optional<int> ChildCount(ObjectId object) override;
    std::optional<ObjectId> ChildAt(ObjectId object, int index) override;
    std::optional<std::string> Name(ObjectId object) override;
    std::optional<std::uint32_t> ProcessId(ObjectId object) override;
    std::optional<bool> IsFrame(ObjectId object) override;
    std::optional<bool> HasAttribute(ObjectId object, const std::string& name,
                                     const std::string& value) override;
    std::optional<ObjectId> FindDescendant(ObjectId object, const std::string& name,
                                           const std::string& value) override;
    std::optional<std::string> Text(ObjectId object) override;
    std::optional<std::string> PageAddress(ObjectId frame, const std::string& attribute) override;
    std::optional<ScreenRect> Extents(ObjectId object) override;
    bool GrabFocus(ObjectId object) override;
    std::optional<bool> HasState(ObjectId object, ObjectState state) override;
    // Given back in one request with the others at the next Dispatch (or once many
    // are waiting): the watch gives back an object for nearly every one it asks for.
    void Release(ObjectId object) override;
    void Dispatch() override;
    bool SwitchOn(std::chrono::milliseconds limit) override;
    bool Lost() const override { return lost_; }

  private:
    // Connects when not connected yet; false while there is no agent.
    bool Connected();
    // Asks one question; the reply's fields, or empty when the call failed (the reply
    // said so, or the agent is lost, which this notes).
    std::optional<std::vector<wire::Field>> Ask(wire::Verb verb, std::vector<wire::Field> fields);
    void Lose();
    void FlushReleases();

    const std::string socketName_;
    const uid_t agentUid_;
    const std::chrono::milliseconds deadline_;
    const std::chrono::milliseconds connectGrace_;
    std::optional<LineChannel> channel_;
    std::optional<LineChannel::Clock::time_point> firstTry_;
    bool reached_ = false;
    bool lost_ = false;
    std::uint64_t seq_ = 0;
    std::vector<wire::Field> releases_;
};

}  // namespace quorvel::platform::atspi
