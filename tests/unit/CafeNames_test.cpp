// A PC's name on a cafe's server and the role it becomes.
#include <gtest/gtest.h>

#include "cafe/CafeNames.h"

namespace quorvel::test {
namespace {

struct Name {
    std::string name;
    bool valid;
};

class PcNameTable : public ::testing::TestWithParam<Name> {};

TEST_P(PcNameTable, IsLettersDigitsDashesAndUnderscores) {
    EXPECT_EQ(cafe::ValidPcName(GetParam().name), GetParam().valid) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Names, PcNameTable,
                         ::testing::Values(Name{"pc1", true}, Name{"PC-2_b", true}, Name{"7", true},
                                           Name{std::string(32, 'a'), true},
                                           Name{std::string(33, 'a'), false}, Name{"", false},
                                           Name{"-pc", false}, Name{"_pc", false},
                                           Name{"pc 1", false}, Name{"pc\"1", false},
                                           Name{"p\xc3\xa9", false}));

TEST(PcRole, NamesThatDifferInCaseAreOneRoleAndTooLongARoleIsRefused) {
    EXPECT_EQ(cafe::PcRole("cafe", "PC-1"), cafe::PcRole("cafe", "pc-1"));
    EXPECT_EQ(cafe::PcRole("Cafe", "PC-1").value_or(""), "Cafe_pc_pc-1");
    EXPECT_TRUE(cafe::PcRole(std::string(27, 'd'), std::string(32, 'n')));  // 63 bytes
    EXPECT_FALSE(cafe::PcRole(std::string(28, 'd'), std::string(32, 'n')));
}

}  // namespace
}  // namespace quorvel::test
