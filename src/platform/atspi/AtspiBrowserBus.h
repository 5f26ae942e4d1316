#pragma once
// The accessibility bus of this process's own desktop session, through libatspi.
//
// The library keeps one connection and one set of objects per process: one
// AtspiBrowserBus at a time uses it (a second waits for the first to go). It is made,
// used and destroyed on one thread, whose own GLib main context takes whatever the
// library attaches to a main loop (Dispatch runs it), never the default one of the
// program's windows.
#include <map>
#include <mutex>

#include "platform/atspi/AccessibilitySwitch.h"
#include "platform/atspi/BrowserBus.h"
#include "platform/atspi/GlibRef.h"

typedef struct _AtspiAccessible AtspiAccessible;

namespace quorvel::platform::atspi {

class AtspiBrowserBus final : public BrowserBus {
  public:
    AtspiBrowserBus();
    ~AtspiBrowserBus() override;
    AtspiBrowserBus(const AtspiBrowserBus&) = delete;
    AtspiBrowserBus& operator=(const AtspiBrowserBus&) = delete;

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
    std::optional<ScreenRect> Extents(ObjectId object) override;
    bool GrabFocus(ObjectId object) override;
    std::optional<bool> HasState(ObjectId object, ObjectState state) override;
    void Release(ObjectId object) override;
    void Dispatch() override;
    bool SwitchOn(std::chrono::milliseconds limit) override;

    // How many objects are held (for tests of who gives back what).
    std::size_t Held() const { return byId_.size(); }

  private:
    struct Entry {
        Ref<AtspiAccessible> object;
        int holds = 0;
    };
    // The id of `object` (a reference the caller hands over), held once more.
    ObjectId Hold(AtspiAccessible* object);
    AtspiAccessible* Object(ObjectId id) const;
    template <typename Call>
    auto Ask(ObjectId id, Call call) const -> std::optional<decltype(call(nullptr, nullptr))>;

    std::unique_lock<std::mutex> library_;
    MainContext context_;
    AccessibilitySwitch switch_;
    bool connected_ = false;
    std::map<ObjectId, Entry> byId_;
    std::map<AtspiAccessible*, ObjectId> byObject_;
    ObjectId next_ = 1;
};

}  // namespace quorvel::platform::atspi
