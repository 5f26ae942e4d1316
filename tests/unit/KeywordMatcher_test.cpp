#include "blocker/KeywordMatcher.h"

#include <gtest/gtest.h>

#include <random>

namespace quorvel::test {
namespace {

using namespace blocker;

std::vector<std::size_t> Naive(const std::vector<std::string>& keywords, std::string_view text) {
    std::vector<std::size_t> found;
    for (std::size_t k = 0; k < keywords.size(); ++k)
        if (!keywords[k].empty() && text.find(keywords[k]) != std::string_view::npos)
            found.push_back(k);
    return found;
}

TEST(KeywordMatcher, FindsOverlappingNestedAndRepeatedKeywordsOnceEach) {
    const std::vector<std::string> keywords{"he", "she", "his", "hers", "", "e", "she", "x"};
    const KeywordMatcher matcher(keywords);
    EXPECT_EQ(matcher.Matches("ushers"), (std::vector<std::size_t>{0, 1, 3, 5, 6}));
    EXPECT_EQ(matcher.Matches("Ushers"), matcher.Matches("ushers"));
    EXPECT_EQ(matcher.Matches("HE"), std::vector<std::size_t>{});
    EXPECT_EQ(matcher.Matches(""), std::vector<std::size_t>{});
}

TEST(KeywordMatcher, HandlesBytesAboveAsciiAndNul) {
    const std::vector<std::string> keywords{"caf\xc3\xa9", std::string("a\0b", 3), "\xff"};
    const KeywordMatcher matcher(keywords);
    EXPECT_EQ(matcher.Matches(std::string("http://caf\xc3\xa9/a\0b\xff", 17)),
              (std::vector<std::size_t>{0, 1, 2}));
}

TEST(KeywordMatcher, AgreesWithASearchPerKeywordOnRandomInput) {
    // A small alphabet makes prefixes, suffixes and overlaps frequent.
    std::mt19937 random(7);
    auto word = [&](std::size_t maxLength) {
        std::string s(random() % (maxLength + 1), ' ');
        for (char& c : s) c = "abcA."[random() % 5];
        return s;
    };
    for (int round = 0; round < 200; ++round) {
        std::vector<std::string> keywords(random() % 30);
        for (auto& k : keywords) k = word(5);
        const KeywordMatcher matcher(keywords);
        for (int t = 0; t < 20; ++t) {
            const std::string text = word(40);
            ASSERT_EQ(matcher.Matches(text), Naive(keywords, text)) << text;
        }
    }
}

}  // namespace
}  // namespace quorvel::test
