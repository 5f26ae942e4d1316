// quorvel-admin reg arguments, the input's NUL bytes separating them: whatever is
// accepted is a whole request, and its number reads back from its own text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "RegArgs.h"
#include "platform/Registry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorvel::admin;
    Args args;
    std::string arg;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.push_back(arg);
            arg.clear();
        } else {
            arg += static_cast<char>(data[i]);
        }
    }
    if (size > 0) args.push_back(arg);
    RegRequest request;
    std::string error;
    if (!ParseRegArgs(args, request, error)) {
        if (error.empty() || RegUsage(args.empty() ? "" : args[0]).empty()) std::abort();
        return 0;
    }
    const bool writes = request.verb == RegRequest::Verb::Add;
    if ((writes || request.verb == RegRequest::Verb::Delete) && !request.value) std::abort();
    if (writes && request.type != quorvel::platform::kRegSz &&
        (request.type != quorvel::platform::kRegDword ||
         ParseDword(std::to_string(request.number)) != request.number))
        std::abort();
    return 0;
}
