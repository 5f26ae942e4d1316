#pragma once
// Finds which of many keywords occur in an address in one pass over the address.
// The blocker tests every address edit against the whole keyword list a hundred
// times a second; with a thousand keywords a search per keyword would cost more
// than the 10 ms between ticks, so the list is compiled once, when it is loaded,
// into an Aho-Corasick automaton.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::blocker {

class KeywordMatcher {
  public:
    KeywordMatcher() { Build({}); }
    explicit KeywordMatcher(const std::vector<std::string>& keywords) { Build(keywords); }

    // Replaces the keyword list. Empty keywords are not compiled: they occur
    // everywhere and the caller treats them on its own.
    void Build(const std::vector<std::string>& keywords);

    // Positions (in the list given to Build) of the non-empty keywords that occur in
    // `text` as a case-sensitive substring, each once, in ascending order.
    std::vector<std::size_t> Matches(std::string_view text) const;

  private:
    struct Node {
        // Outgoing edges, sorted by byte.
        std::vector<std::pair<unsigned char, std::uint32_t>> next;
        std::uint32_t fail = 0;
        // Nearest node along the fail chain that ends a keyword (0: none).
        std::uint32_t output = 0;
        // Keywords ending exactly here.
        std::vector<std::uint32_t> keywords;
    };
    std::uint32_t Child(std::uint32_t node, unsigned char byte) const;
    std::uint32_t Step(std::uint32_t node, unsigned char byte) const;
    std::vector<Node> nodes_;
    std::size_t keywordCount_ = 0;
};

}  // namespace quorvel::blocker
