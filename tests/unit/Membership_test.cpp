// Where a PC keeps its membership of a cafe's server.
#include <gtest/gtest.h>

#include "cafe/Membership.h"
#include "platform/fake/MemoryRegistry.h"
#include "support/TestPlatform.h"

namespace quorvel::test {
namespace {

TEST(Membership, IsKeptReadBackAndForgotten) {
    TestPlatform t;
    EXPECT_FALSE(cafe::LoadMembership(t.pv.settings));
    const cafe::Membership joined{
        "host=/run/postgresql dbname=cafe user='cafe_pc_pc1' password='x y'", "pc1"};
    ASSERT_EQ(cafe::SaveMembership(t.pv.settings, joined), platform::kErrorSuccess);
    const auto read = cafe::LoadMembership(t.pv.settings);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->conninfo, joined.conninfo);
    EXPECT_EQ(read->pcName, "pc1");
    EXPECT_EQ(cafe::ForgetMembership(t.pv.settings), platform::kErrorSuccess);
    EXPECT_FALSE(cafe::LoadMembership(t.pv.settings));
    EXPECT_EQ(cafe::ForgetMembership(t.pv.settings), platform::kErrorFileNotFound);
    // Half of one is none: a name without a server (a store that took only one of the
    // two values).
    t.Set(store::kSettingsKey, cafe::kPcNameValue, "pc1");
    EXPECT_FALSE(cafe::LoadMembership(t.pv.settings));
}

TEST(Membership, AStoreWithoutTheProgramsKeysKeepsNone) {
    TestPlatform t(std::make_unique<platform::MemoryRegistry>());
    EXPECT_NE(cafe::SaveMembership(t.pv.settings, {"dbname=cafe", "pc1"}), platform::kErrorSuccess);
    EXPECT_FALSE(cafe::LoadMembership(t.pv.settings));
}

}  // namespace
}  // namespace quorvel::test
