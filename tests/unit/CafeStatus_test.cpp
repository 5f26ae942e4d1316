// What `cafe status` says of each PC.
#include <gtest/gtest.h>

#include "cafe/CafeStatus.h"

namespace quorvel::test {
namespace {

std::string Stamp(std::int64_t seconds) {
    return "@" + std::to_string(seconds);
}

struct Pc {
    bool joined;
    std::optional<std::int64_t> quietFor;  // seconds since it was last heard from
    bool inSession;
    std::string line;
};

class CafeStatusTable : public ::testing::TestWithParam<Pc> {};

TEST_P(CafeStatusTable, SaysWhatThePcIsDoing) {
    constexpr std::int64_t now = 1772355600;
    cafe::PcStatus pc{"pc1", GetParam().joined, GetParam().inSession, now - 754, 750, 250,
                      "Rs",  std::nullopt};
    if (GetParam().quietFor) pc.lastSeen = now - *GetParam().quietFor;
    const std::string text = cafe::FormatStatus({now, {pc}}, Stamp);
    const std::string line = text.substr(text.find('\n') + 1);
    EXPECT_EQ(line, GetParam().line + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Pcs, CafeStatusTable,
    ::testing::Values(Pc{false, std::nullopt, false, "pc1  not joined yet"},
                      Pc{true, std::nullopt, false, "pc1  never heard from"},
                      Pc{true, 0, false, "pc1  free"},
                      Pc{true, 29, true, "pc1  in use  @1772354846  0:12:30  2.50 Rs"},
                      Pc{true, 30, true,
                         "pc1  offline since @1772355570  @1772354846  0:12:30  2.50 Rs"},
                      Pc{true, 3600, false, "pc1  offline since @1772352000"}));

}  // namespace
}  // namespace quorvel::test
