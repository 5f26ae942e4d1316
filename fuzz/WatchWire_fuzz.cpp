// The lines of the guest's agent, read strictly: the first byte picks the verb a reply
// answers, the rest is a line. A line taken as a request or a reply is exactly what
// writing it back gives (so no two lines mean one thing, and nothing read is lost).
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/atspi/WatchWire.h"

using namespace quorvel::platform::atspi::wire;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const auto verb = static_cast<Verb>(data[0] % (static_cast<int>(Verb::Switch) + 1));
    const std::string_view line(reinterpret_cast<const char*>(data) + 1, size - 1);

    if (const auto request = ParseRequest(line)) {
        if (FormatRequest(*request) != line) std::abort();
    }
    std::uint64_t seq = 0;
    std::from_chars(line.data(), line.data() + line.size(), seq);
    if (const auto reply = ParseReply(line, verb, seq)) {
        if (reply->seq != seq || FormatReply(verb, *reply) != line) std::abort();
        if (!reply->ok && !reply->fields.empty()) std::abort();
    }
    return 0;
}
