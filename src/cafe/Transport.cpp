#include "cafe/Transport.h"

#include <vector>

namespace quorvel::cafe {

namespace {

std::vector<std::string_view> Split(std::string_view list) {
    std::vector<std::string_view> parts;
    if (list.empty()) return parts;
    for (;;) {
        const std::size_t comma = list.find(',');
        parts.push_back(list.substr(0, comma));
        if (comma == std::string_view::npos) return parts;
        list.remove_prefix(comma + 1);
    }
}

bool IsSocket(std::string_view host) {
    return host.empty() || host.front() == '/' || host.front() == '@';
}

}  // namespace

std::optional<std::string> TransportRefusal(std::string_view host, std::string_view hostaddr,
                                            std::string_view sslmode) {
    if (sslmode == "verify-full" || sslmode == "verify-ca") return std::nullopt;
    const std::vector<std::string_view> hosts = Split(host), addresses = Split(hostaddr);
    const std::size_t count = std::max(hosts.size(), addresses.size());
    for (std::size_t i = 0; i < count; ++i) {
        // A single host name goes with every address, as libpq pairs them.
        const std::string_view name = i < hosts.size()    ? hosts[i]
                                      : hosts.size() == 1 ? hosts[0]
                                                          : "";
        const std::string_view address = i < addresses.size() ? addresses[i] : "";
        if (address.empty() && IsSocket(name)) continue;
        const std::string where(address.empty() ? name : address);
        return "the server at " + where +
               " is reached over the network, so its certificate must be checked: add "
               "sslmode=verify-full and sslrootcert=FILE (the certificate that signed the "
               "server's) to the connection string";
    }
    return std::nullopt;
}

}  // namespace quorvel::cafe
