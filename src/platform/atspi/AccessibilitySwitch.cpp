#include "platform/atspi/AccessibilitySwitch.h"

#include <memory>

namespace quorvel::platform::atspi {

namespace {
constexpr const char* kLauncher = "org.a11y.Bus";
constexpr const char* kLauncherPath = "/org/a11y/bus";
constexpr const char* kProperties = "org.freedesktop.DBus.Properties";
constexpr const char* kStatus = "org.a11y.Status";
constexpr const char* kEnabled = "IsEnabled";
constexpr const char* kSessionBus = "org.freedesktop.DBus";

// A signal subscription on a bus that outlives it, ended with its scope.
class Subscription {
  public:
    Subscription(GDBusConnection* bus, guint id) : bus_(bus), id_(id) {}
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { g_dbus_connection_signal_unsubscribe(bus_, id_); }

  private:
    GDBusConnection* bus_;
    guint id_;
};
}  // namespace

GDBusConnection* AccessibilitySwitch::Bus() {
    if (bus_ && !g_dbus_connection_is_closed(bus_.get())) return bus_.get();
    bus_.reset();
    Failure failure;
    const String address(
        g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, failure.out()));
    if (!address) return nullptr;
    Failure connectFailure;
    bus_.reset(g_dbus_connection_new_for_address_sync(
        address.get(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, connectFailure.out()));
    return bus_.get();
}

AccessibilitySwitch::Variant AccessibilitySwitch::CallProperties(const char* method,
                                                                 GVariant* arguments,
                                                                 std::chrono::milliseconds limit) {
    // The arguments are a floating reference: the call consumes it, and so does this
    // when there is no call.
    GDBusConnection* bus = Bus();
    if (bus == nullptr) {
        g_variant_unref(g_variant_ref_sink(arguments));
        return nullptr;
    }
    Failure failure;
    return Variant(g_dbus_connection_call_sync(
        bus, kLauncher, kLauncherPath, kProperties, method, arguments, nullptr,
        G_DBUS_CALL_FLAGS_NONE, static_cast<gint>(limit.count()), nullptr, failure.out()));
}

std::optional<pid_t> AccessibilitySwitch::Launcher(std::chrono::milliseconds limit) {
    GDBusConnection* bus = Bus();
    if (bus == nullptr) return std::nullopt;
    // Asked of the session bus itself: a call to the launcher would start one.
    Failure failure;
    const Variant reply(g_dbus_connection_call_sync(
        bus, kSessionBus, "/org/freedesktop/DBus", kSessionBus, "GetConnectionUnixProcessID",
        g_variant_new("(s)", kLauncher), G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE,
        static_cast<gint>(limit.count()), nullptr, failure.out()));
    if (!reply) return std::nullopt;
    guint32 pid = 0;
    g_variant_get(reply.get(), "(u)", &pid);
    if (pid == 0) return std::nullopt;
    return static_cast<pid_t>(pid);
}

std::optional<bool> AccessibilitySwitch::Enabled(std::chrono::milliseconds limit) {
    const Variant reply = CallProperties("Get", g_variant_new("(ss)", kStatus, kEnabled), limit);
    if (!reply || !g_variant_is_of_type(reply.get(), G_VARIANT_TYPE("(v)"))) return std::nullopt;
    const Variant boxed(g_variant_get_child_value(reply.get(), 0));
    const Variant value(g_variant_get_variant(boxed.get()));
    if (!g_variant_is_of_type(value.get(), G_VARIANT_TYPE_BOOLEAN)) return std::nullopt;
    return g_variant_get_boolean(value.get()) != FALSE;
}

bool AccessibilitySwitch::SwitchOn(std::chrono::milliseconds limit) {
    if (Enabled(limit) == true) return true;
    const Variant reply = CallProperties(
        "Set", g_variant_new("(ssv)", kStatus, kEnabled, g_variant_new_boolean(TRUE)), limit);
    return reply != nullptr && Enabled(limit) == true;
}

bool AccessibilitySwitch::KeepOn(const std::atomic<bool>& stop, std::chrono::milliseconds poll,
                                 std::chrono::milliseconds limit) {
    // The launcher's signal is delivered to the main context that is this thread's
    // default as it is subscribed to: one of this call's own.
    const MainContext context(g_main_context_new());
    g_main_context_push_thread_default(context.get());
    const std::unique_ptr<GMainContext, void (*)(GMainContext*)> popped(
        context.get(), g_main_context_pop_thread_default);
    GDBusConnection* bus = Bus();
    if (bus == nullptr) return false;
    // Looked at once before any signal: it may be off already.
    bool changed = true;
    // Any sender: the launcher broadcasts it under its unique name. A signal someone
    // else sends costs one look at the switch.
    const Subscription subscription(
        bus, g_dbus_connection_signal_subscribe(
                 bus, nullptr, kProperties, "PropertiesChanged", kLauncherPath, kStatus,
                 G_DBUS_SIGNAL_FLAGS_NONE,
                 [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                    GVariant*, gpointer flag) { *static_cast<bool*>(flag) = true; },
                 &changed, nullptr));
    // Wakes the wait below to look at `stop`.
    const std::unique_ptr<GSource, void (*)(GSource*)> waking(
        g_timeout_source_new(static_cast<guint>(poll.count())), [](GSource* source) {
            g_source_destroy(source);
            g_source_unref(source);
        });
    g_source_set_callback(
        waking.get(), [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr, nullptr);
    g_source_attach(waking.get(), context.get());
    while (!stop) {
        if (g_dbus_connection_is_closed(bus)) return false;
        if (changed) {
            changed = false;
            SwitchOn(limit);
        }
        g_main_context_iteration(context.get(), TRUE);
    }
    return true;
}

}  // namespace quorvel::platform::atspi
