#include "platform/atspi/AtspiBrowserBus.h"

#include <atspi/atspi.h>
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "os/UniqueFd.h"

namespace quorvel::platform::atspi {

namespace {

// The session bus names the launcher's process within this long (it answers at once).
constexpr std::chrono::milliseconds kLauncherLimit{2000};

// A descriptor that becomes readable once the process `pid` has ended (the C library's
// own wrapper is not declared for C++ callers here).
int ProcessDescriptor(pid_t pid) {
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

}  // namespace

void AtspiBrowserBus::ConnectionUnref::operator()(DBusConnection* connection) const {
    dbus_connection_unref(connection);
}

// What the accessibility library keeps once per process, and so is kept here once per
// process too: one bus at a time uses it (the lock), and the connection it took when it
// started (and the launcher that ran that bus) is the one every call goes through for
// as long as the process runs, whatever atspi_get_a11y_bus hands out later.
struct AtspiBrowserBus::Library {
    std::mutex lock;
    Connection connection;
    os::UniqueFd launcher;  // a pidfd; none when no launcher answered for the bus
};

AtspiBrowserBus::Library& AtspiBrowserBus::TheLibrary() {
    static Library library;
    return library;
}

AtspiBrowserBus::AtspiBrowserBus()
    : library_(TheLibrary()), lock_(library_.lock), context_(g_main_context_new()) {
    // Whatever the library attaches to a main loop goes to this thread's own context,
    // never to the default one of the program's windows.
    g_main_context_push_thread_default(context_.get());
}

AtspiBrowserBus::~AtspiBrowserBus() {
    byObject_.clear();
    byId_.clear();
    g_main_context_pop_thread_default(context_.get());
}

bool AtspiBrowserBus::Reachable(std::chrono::milliseconds callLimit) {
    if (!connection_) {
        if (!library_.connection) {
            // The library ends the program when asked for a bus it could not reach, so
            // it is started only once the bus is there.
            DBusConnection* reached = atspi_get_a11y_bus();
            if (reached == nullptr) return false;
            atspi_init();
            library_.connection.reset(dbus_connection_ref(reached));
            // The launcher that runs the bus now: once it ends, the bus is not the
            // session's any more.
            if (const auto pid = switch_.Launcher(kLauncherLimit))
                library_.launcher.Reset(ProcessDescriptor(*pid));
        }
        connection_.reset(dbus_connection_ref(library_.connection.get()));
        // The library's connection is on this thread's context from now on. Not when
        // it is closed: the library would open another that no call goes through.
        if (Lost()) return false;
        atspi_set_main_context(context_.get());
    }
    // Every time: the limit is the latest asker's (the agent's own look at the bus
    // must not set the program's).
    atspi_set_timeout(static_cast<gint>(callLimit.count()), 0);
    return !Lost();
}

bool AtspiBrowserBus::Lost() const {
    if (!connection_) return false;
    // dbus_connection_get_is_connected only reads what the library noticed (Dispatch
    // reads the hang-up); atspi_get_a11y_bus would open a new connection instead.
    if (!dbus_connection_get_is_connected(connection_.get())) return true;
    if (!library_.launcher) return false;
    pollfd ended{library_.launcher.get(), POLLIN, 0};
    return ::poll(&ended, 1, 0) == 1;
}

ObjectId AtspiBrowserBus::Hold(AtspiAccessible* object) {
    if (object == nullptr) return 0;
    // The library hands out one object per accessible, so the pointer names it: a
    // second reference to one already held adds a hold and nothing else.
    Ref<AtspiAccessible> reference(object);
    if (const auto known = byObject_.find(object); known != byObject_.end()) {
        ++byId_.at(known->second).holds;
        return known->second;
    }
    const ObjectId id = next_++;
    byObject_.emplace(object, id);
    byId_.emplace(id, Entry{std::move(reference), 1});
    return id;
}

AtspiAccessible* AtspiBrowserBus::Object(ObjectId id) const {
    const auto it = byId_.find(id);
    return it != byId_.end() && !Lost() ? it->second.object.get() : nullptr;
}

void AtspiBrowserBus::Release(ObjectId id) {
    const auto it = byId_.find(id);
    if (it == byId_.end() || --it->second.holds > 0) return;
    byObject_.erase(it->second.object.get());
    byId_.erase(it);
}

std::optional<std::vector<ObjectId>> AtspiBrowserBus::Applications() {
    if (!connection_ || Lost()) return std::nullopt;
    const Ref<AtspiAccessible> desktop(atspi_get_desktop(0));
    if (!desktop) return std::nullopt;
    Failure failure;
    const gint count = atspi_accessible_get_child_count(desktop.get(), failure.out());
    if (failure) return std::nullopt;
    std::vector<ObjectId> apps;
    for (gint i = 0; i < count; ++i) {
        Failure childFailure;
        if (const ObjectId id = Hold(
                atspi_accessible_get_child_at_index(desktop.get(), i, childFailure.out())))
            apps.push_back(id);
    }
    return apps;
}

// The first object inside `object` (at any depth) that `rule` matches, found with one
// Collection call wherever it sits in the tree: empty when the call failed, null when
// nothing matched.
std::optional<Ref<AtspiAccessible>> AtspiBrowserBus::FirstMatch(AtspiAccessible* object,
                                                                AtspiMatchRule* rule) {
    Failure failure;
    const ObjectArray found(atspi_collection_get_matches(ATSPI_COLLECTION(object), rule,
                                                         ATSPI_Collection_SORT_ORDER_CANONICAL, 1,
                                                         TRUE, failure.out()));
    if (failure || !found) return std::nullopt;
    if (found->len == 0) return Ref<AtspiAccessible>();
    auto* match = g_array_index(found.get(), AtspiAccessible*, 0);
    return Ref<AtspiAccessible>(static_cast<AtspiAccessible*>(g_object_ref(match)));
}

// A call that answers a plain value: empty for an unknown object or a failed call.
template <typename Call>
auto AtspiBrowserBus::Ask(ObjectId id, Call call) const
    -> std::optional<decltype(call(nullptr, nullptr))> {
    AtspiAccessible* object = Object(id);
    if (object == nullptr) return std::nullopt;
    Failure failure;
    const auto value = call(object, failure.out());
    if (failure) return std::nullopt;
    return value;
}

std::optional<int> AtspiBrowserBus::ChildCount(ObjectId id) {
    return Ask(id, atspi_accessible_get_child_count);
}

std::optional<ObjectId> AtspiBrowserBus::ChildAt(ObjectId id, int index) {
    AtspiAccessible* object = Object(id);
    if (object == nullptr) return std::nullopt;
    Failure failure;
    AtspiAccessible* child = atspi_accessible_get_child_at_index(object, index, failure.out());
    if (failure || child == nullptr) {
        if (child != nullptr) g_object_unref(child);
        return std::nullopt;
    }
    return Hold(child);
}

std::optional<std::string> AtspiBrowserBus::Name(ObjectId id) {
    AtspiAccessible* object = Object(id);
    if (object == nullptr) return std::nullopt;
    Failure failure;
    const String name(atspi_accessible_get_name(object, failure.out()));
    if (failure || !name) return std::nullopt;
    return std::string(name.get());
}

std::optional<std::uint32_t> AtspiBrowserBus::ProcessId(ObjectId id) {
    return Ask(id, atspi_accessible_get_process_id);
}

std::optional<bool> AtspiBrowserBus::IsFrame(ObjectId id) {
    const auto role = Ask(id, atspi_accessible_get_role);
    if (!role) return std::nullopt;
    return *role == ATSPI_ROLE_FRAME;
}

std::optional<bool> AtspiBrowserBus::HasAttribute(ObjectId id, const std::string& name,
                                                  const std::string& value) {
    AtspiAccessible* object = Object(id);
    if (object == nullptr) return std::nullopt;
    Failure failure;
    const HashTable attributes(atspi_accessible_get_attributes(object, failure.out()));
    if (failure || !attributes) return std::nullopt;
    const auto* found =
        static_cast<const char*>(g_hash_table_lookup(attributes.get(), name.c_str()));
    return found != nullptr && value == found;
}

std::optional<ObjectId> AtspiBrowserBus::FindDescendant(ObjectId id, const std::string& name,
                                                        const std::string& value) {
    AtspiAccessible* object = Object(id);
    if (object == nullptr) return std::nullopt;
    // The one attribute is matched as "any of": the bridge the browsers use answers
    // "all of" with objects that carry none of them.
    const HashTable attributes(g_hash_table_new(g_str_hash, g_str_equal));
    g_hash_table_insert(attributes.get(), const_cast<char*>(name.c_str()),
                        const_cast<char*>(value.c_str()));
    const Ref<AtspiMatchRule> rule(atspi_match_rule_new(
        nullptr, ATSPI_Collection_MATCH_ALL, attributes.get(), ATSPI_Collection_MATCH_ANY, nullptr,
        ATSPI_Collection_MATCH_ALL, nullptr, ATSPI_Collection_MATCH_ALL, FALSE));
    auto match = FirstMatch(object, rule.get());
    if (!match) return std::nullopt;
    return *match ? Hold(match->release()) : ObjectId{0};
}

std::optional<std::string> AtspiBrowserBus::Text(ObjectId id) {
    AtspiAccessible* object = Object(id);
    if (object == nullptr) return std::nullopt;
    Failure failure;
    const String text(atspi_text_get_text(ATSPI_TEXT(object), 0, -1, failure.out()));
    if (failure || !text) return std::nullopt;
    return std::string(text.get());
}

std::optional<std::string> AtspiBrowserBus::PageAddress(ObjectId id, const std::string& attribute) {
    AtspiAccessible* object = Object(id);
    if (object == nullptr) return std::nullopt;
    // A window holds one web document per tab, and only the shown tab's is showing; the
    // documents of frames inside a page come after it.
    const Array roles(g_array_new(FALSE, FALSE, sizeof(AtspiRole)));
    const AtspiRole role = ATSPI_ROLE_DOCUMENT_WEB;
    g_array_append_val(roles.get(), role);
    const Ref<AtspiStateSet> states(atspi_state_set_new(nullptr));
    atspi_state_set_add(states.get(), ATSPI_STATE_SHOWING);
    const Ref<AtspiMatchRule> rule(atspi_match_rule_new(
        states.get(), ATSPI_Collection_MATCH_ALL, nullptr, ATSPI_Collection_MATCH_ALL, roles.get(),
        ATSPI_Collection_MATCH_ANY, nullptr, ATSPI_Collection_MATCH_ALL, FALSE));
    const auto document = FirstMatch(object, rule.get());
    if (!document) return std::nullopt;
    if (!*document) return std::string();
    Failure failure;
    const String value(atspi_document_get_document_attribute_value(
        ATSPI_DOCUMENT(document->get()), const_cast<gchar*>(attribute.c_str()), failure.out()));
    if (failure) return std::nullopt;
    return std::string(value ? value.get() : "");
}

std::optional<ScreenRect> AtspiBrowserBus::Extents(ObjectId id) {
    AtspiAccessible* object = Object(id);
    if (object == nullptr) return std::nullopt;
    Failure failure;
    const std::unique_ptr<AtspiRect, Free> rect(
        atspi_component_get_extents(ATSPI_COMPONENT(object), ATSPI_COORD_TYPE_SCREEN,
                                    failure.out()));
    if (failure || !rect) return std::nullopt;
    return ScreenRect{rect->x, rect->y, rect->width, rect->height};
}

bool AtspiBrowserBus::GrabFocus(ObjectId id) {
    AtspiAccessible* object = Object(id);
    if (object == nullptr) return false;
    Failure failure;
    atspi_component_grab_focus(ATSPI_COMPONENT(object), failure.out());
    return !failure;
}

std::optional<bool> AtspiBrowserBus::HasState(ObjectId id, ObjectState state) {
    AtspiAccessible* object = Object(id);
    if (object == nullptr) return std::nullopt;
    const Ref<AtspiStateSet> states(atspi_accessible_get_state_set(object));
    if (!states) return std::nullopt;
    return atspi_state_set_contains(states.get(), state == ObjectState::Focused
                                                      ? ATSPI_STATE_FOCUSED
                                                      : ATSPI_STATE_EDITABLE) != FALSE;
}

void AtspiBrowserBus::Dispatch() {
    while (g_main_context_iteration(context_.get(), FALSE)) {
    }
}

bool AtspiBrowserBus::SwitchOn(std::chrono::milliseconds limit) {
    return switch_.SwitchOn(limit);
}

}  // namespace quorvel::platform::atspi
