#pragma once
// The program's exit statuses, as a service manager or a start-up script reads them.

namespace quorvel::startup {

// The program could not start: no platform services, or no data file it can use.
inline constexpr int kExitStartFailed = 1;

}  // namespace quorvel::startup
