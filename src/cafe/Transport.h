#pragma once
// Which connections to a cafe's server are acceptable: the local socket as it is,
// anything over the network only with the server's certificate checked. The PC's
// password and every takings figure cross that connection.
#include <optional>
#include <string>
#include <string_view>

namespace quorvel::cafe {

// Why a connection to `host` / `hostaddr` (libpq's values, either of which may list
// several servers separated by commas; empty means the default local socket) with
// `sslmode` must not be made, or nullopt when it may. A host that begins with "/" or
// "@" is a local socket; any other host, and any hostaddr, is the network, which
// needs sslmode verify-ca or verify-full.
std::optional<std::string> TransportRefusal(std::string_view host, std::string_view hostaddr,
                                            std::string_view sslmode);

}  // namespace quorvel::cafe
