// The keyword matcher against a plain search for each keyword: the input is keywords,
// one a line, then an empty line and the address.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "blocker/KeywordMatcher.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto split = input.find("\n\n");
    const std::string_view list = input.substr(0, split);
    const std::string_view address = split == input.npos ? "" : input.substr(split + 2);
    std::vector<std::string> keywords;
    for (std::size_t start = 0; start <= list.size();) {
        const auto end = std::min(list.find('\n', start), list.size());
        keywords.emplace_back(list.substr(start, end - start));
        start = end + 1;
    }
    std::vector<std::size_t> expected;
    for (std::size_t i = 0; i < keywords.size(); ++i)
        if (!keywords[i].empty() && address.find(keywords[i]) != address.npos) expected.push_back(i);
    if (quorvel::blocker::KeywordMatcher(keywords).Matches(address) != expected) std::abort();
    return 0;
}
