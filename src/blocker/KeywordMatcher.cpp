#include "blocker/KeywordMatcher.h"

#include <algorithm>
#include <deque>

namespace quorvel::blocker {

namespace {
constexpr std::uint32_t kNone = 0xFFFFFFFFu;
}

std::uint32_t KeywordMatcher::Child(std::uint32_t node, unsigned char byte) const {
    const auto& edges = nodes_[node].next;
    const auto it =
        std::lower_bound(edges.begin(), edges.end(), byte,
                         [](const auto& edge, unsigned char b) { return edge.first < b; });
    return it != edges.end() && it->first == byte ? it->second : kNone;
}

std::uint32_t KeywordMatcher::Step(std::uint32_t node, unsigned char byte) const {
    for (;;) {
        const std::uint32_t child = Child(node, byte);
        if (child != kNone) return child;
        if (node == 0) return 0;
        node = nodes_[node].fail;
    }
}

void KeywordMatcher::Build(const std::vector<std::string>& keywords) {
    nodes_.assign(1, Node{});
    keywordCount_ = keywords.size();
    // The trie of all keywords.
    for (std::size_t k = 0; k < keywords.size(); ++k) {
        if (keywords[k].empty()) continue;
        std::uint32_t node = 0;
        for (const char c : keywords[k]) {
            const auto byte = static_cast<unsigned char>(c);
            std::uint32_t child = Child(node, byte);
            if (child == kNone) {
                child = static_cast<std::uint32_t>(nodes_.size());
                nodes_.emplace_back();
                auto& edges = nodes_[node].next;
                const auto at = std::lower_bound(
                    edges.begin(), edges.end(), byte,
                    [](const auto& edge, unsigned char b) { return edge.first < b; });
                edges.insert(at, {byte, child});
            }
            node = child;
        }
        nodes_[node].keywords.push_back(static_cast<std::uint32_t>(k));
    }
    // Fail links breadth first: the longest proper suffix that is also a prefix.
    std::deque<std::uint32_t> queue;
    for (const auto& [byte, child] : nodes_[0].next) queue.push_back(child);
    while (!queue.empty()) {
        const std::uint32_t node = queue.front();
        queue.pop_front();
        for (const auto& [byte, child] : nodes_[node].next) {
            const std::uint32_t fail = Step(nodes_[node].fail, byte);
            nodes_[child].fail = fail;
            nodes_[child].output = nodes_[fail].keywords.empty() ? nodes_[fail].output : fail;
            queue.push_back(child);
        }
    }
}

std::vector<std::size_t> KeywordMatcher::Matches(std::string_view text) const {
    std::vector<std::size_t> found;
    if (nodes_.size() == 1) return found;
    std::vector<bool> seen;
    std::uint32_t node = 0;
    for (const char c : text) {
        node = Step(node, static_cast<unsigned char>(c));
        for (std::uint32_t hit = nodes_[node].keywords.empty() ? nodes_[node].output : node;
             hit != 0; hit = nodes_[hit].output) {
            if (seen.empty()) seen.resize(keywordCount_);
            for (const std::uint32_t k : nodes_[hit].keywords) {
                if (!seen[k]) {
                    seen[k] = true;
                    found.push_back(k);
                }
            }
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace quorvel::blocker
