#pragma once
// The desktop's accessibility switch: the session bus property org.a11y.Status
// IsEnabled of the accessibility bus launcher. Browsers put their windows on the
// accessibility bus only when it is on as they start (Chromium reads it at start-up
// only), so the blocker switches it on before a guest can start one, and keeps it on.
#include <gio/gio.h>
#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <optional>

#include "platform/atspi/GlibRef.h"

namespace quorvel::platform::atspi {

class AccessibilitySwitch {
  public:
    // Uses a connection to the session bus of its own, made on first use: the shared
    // one would end the whole program should the session bus go away.
    AccessibilitySwitch() = default;
    AccessibilitySwitch(const AccessibilitySwitch&) = delete;
    AccessibilitySwitch& operator=(const AccessibilitySwitch&) = delete;

    // The switch's state; nothing when the session bus or the launcher does not answer
    // within `limit`.
    std::optional<bool> Enabled(std::chrono::milliseconds limit);
    // Switches accessibility on (or leaves it on). True when it is on afterwards.
    bool SwitchOn(std::chrono::milliseconds limit);
    // The process of the launcher that answers for the switch now (and runs the
    // accessibility bus); nothing when there is none or the session bus does not say
    // within `limit`. Asking never starts one.
    std::optional<pid_t> Launcher(std::chrono::milliseconds limit);
    // Keeps it on until `stop` is set, which is looked at every `poll`: whenever the
    // launcher says it changed, it is switched on again at once, so a browser the guest
    // starts right after switching it off still finds it on. Each call waits up to
    // `limit`. False when the session bus cannot be reached or goes away.
    bool KeepOn(const std::atomic<bool>& stop, std::chrono::milliseconds poll,
                std::chrono::milliseconds limit);

  private:
    struct VariantUnref {
        void operator()(GVariant* value) const { g_variant_unref(value); }
    };
    using Variant = std::unique_ptr<GVariant, VariantUnref>;

    GDBusConnection* Bus();
    // Calls a method of the launcher's properties; its reply, or nothing.
    Variant CallProperties(const char* method, GVariant* arguments,
                           std::chrono::milliseconds limit);

    Ref<GDBusConnection> bus_;
};

}  // namespace quorvel::platform::atspi
