#include "platform/atspi/AccessibilitySwitch.h"

#include <gio/gio.h>

#include "platform/atspi/GlibRef.h"

namespace quorvel::platform::atspi {

namespace {

constexpr const char* kLauncher = "org.a11y.Bus";
constexpr const char* kLauncherPath = "/org/a11y/bus";
constexpr const char* kProperties = "org.freedesktop.DBus.Properties";
constexpr const char* kStatus = "org.a11y.Status";
constexpr const char* kEnabled = "IsEnabled";

struct VariantUnref {
    void operator()(GVariant* value) const { g_variant_unref(value); }
};
using Variant = std::unique_ptr<GVariant, VariantUnref>;

// The session bus: the process's one shared connection, made on first use.
Ref<GDBusConnection> SessionBus() {
    Failure failure;
    return Ref<GDBusConnection>(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, failure.out()));
}

// Calls a method of the launcher's properties; its reply, or nothing.
Variant CallProperties(const char* method, GVariant* arguments, std::chrono::milliseconds limit) {
    // The arguments are a floating reference that the call consumes, whatever happens.
    const auto bus = SessionBus();
    if (!bus) {
        g_variant_unref(g_variant_ref_sink(arguments));
        return nullptr;
    }
    Failure failure;
    return Variant(g_dbus_connection_call_sync(
        bus.get(), kLauncher, kLauncherPath, kProperties, method, arguments, nullptr,
        G_DBUS_CALL_FLAGS_NONE, static_cast<gint>(limit.count()), nullptr, failure.out()));
}

}  // namespace

std::optional<bool> AccessibilityEnabled(std::chrono::milliseconds limit) {
    const Variant reply = CallProperties("Get", g_variant_new("(ss)", kStatus, kEnabled), limit);
    if (!reply || !g_variant_is_of_type(reply.get(), G_VARIANT_TYPE("(v)"))) return std::nullopt;
    Variant boxed(g_variant_get_child_value(reply.get(), 0));
    Variant value(g_variant_get_variant(boxed.get()));
    if (!g_variant_is_of_type(value.get(), G_VARIANT_TYPE_BOOLEAN)) return std::nullopt;
    return g_variant_get_boolean(value.get()) != FALSE;
}

bool SwitchAccessibilityOn(std::chrono::milliseconds limit) {
    if (AccessibilityEnabled(limit) == true) return true;
    const Variant reply = CallProperties(
        "Set", g_variant_new("(ssv)", kStatus, kEnabled, g_variant_new_boolean(TRUE)), limit);
    return reply != nullptr && AccessibilityEnabled(limit) == true;
}

}  // namespace quorvel::platform::atspi
