#pragma once
// The desktop's accessibility switch: the session bus property org.a11y.Status
// IsEnabled of the accessibility bus launcher. Browsers put their windows on the
// accessibility bus only when it is on as they start (Chromium reads it at start-up
// only), so the blocker switches it on before a guest can start one, and keeps it on.
#include <chrono>
#include <optional>

namespace quorvel::platform::atspi {

// The switch's state; nothing when the session bus or the launcher does not answer
// within `limit`.
std::optional<bool> AccessibilityEnabled(std::chrono::milliseconds limit);
// Switches accessibility on (or leaves it on). True when it is on afterwards.
bool SwitchAccessibilityOn(std::chrono::milliseconds limit);

}  // namespace quorvel::platform::atspi
