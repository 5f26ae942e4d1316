#pragma once
// The accessibility bus of this process's own desktop session, through libatspi.
//
// The library keeps one connection and one set of objects per process: one
// AtspiBrowserBus at a time uses it (a second waits for the first to go). It is made,
// used and destroyed on one thread, whose own GLib main context takes whatever the
// library attaches to a main loop (Dispatch runs it), never the default one of the
// program's windows.
//
// The bus is lost once the connection the library took is closed (the bus's daemon
// ended: the library notices as Dispatch reads the hang-up, or as a call fails), or
// once the launcher that ran the bus has ended: a bus it leaves running is no longer
// the one the session's browsers are sent to, as the next launcher starts another.
// The library never reconnects: the bus stays lost for the rest of the process, and
// so is every AtspiBrowserBus made after it.
#include <map>
#include <memory>
#include <mutex>

#include "platform/atspi/AccessibilitySwitch.h"
#include "platform/atspi/BrowserBus.h"
#include "platform/atspi/GlibRef.h"

typedef struct _AtspiAccessible AtspiAccessible;
typedef struct _AtspiMatchRule AtspiMatchRule;
struct DBusConnection;

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
    std::optional<std::string> PageAddress(ObjectId frame, const std::string& attribute) override;
    std::optional<ScreenRect> Extents(ObjectId object) override;
    bool GrabFocus(ObjectId object) override;
    std::optional<bool> HasState(ObjectId object, ObjectState state) override;
    void Release(ObjectId object) override;
    void Dispatch() override;
    bool SwitchOn(std::chrono::milliseconds limit) override;
    bool Lost() const override;

    // How many objects are held (for tests of who gives back what).
    std::size_t Held() const { return byId_.size(); }

  private:
    struct ConnectionUnref {
        void operator()(DBusConnection* connection) const;
    };
    // One reference to a D-Bus connection.
    using Connection = std::unique_ptr<DBusConnection, ConnectionUnref>;
    struct Library;
    static Library& TheLibrary();

    struct Entry {
        Ref<AtspiAccessible> object;
        int holds = 0;
    };
    // The id of `object` (a reference the caller hands over), held once more.
    ObjectId Hold(AtspiAccessible* object);
    AtspiAccessible* Object(ObjectId id) const;
    template <typename Call>
    auto Ask(ObjectId id, Call call) const -> std::optional<decltype(call(nullptr, nullptr))>;
    static std::optional<Ref<AtspiAccessible>> FirstMatch(AtspiAccessible* object,
                                                          AtspiMatchRule* rule);

    Library& library_;
    std::unique_lock<std::mutex> lock_;
    MainContext context_;
    AccessibilitySwitch switch_;
    // The library's connection, held once this bus has reached it.
    Connection connection_;
    std::map<ObjectId, Entry> byId_;
    std::map<AtspiAccessible*, ObjectId> byObject_;
    ObjectId next_ = 1;
};

}  // namespace quorvel::platform::atspi
