#include "RegistryConformance.h"
#include "platform/posix/HiveRegistry.h"
#include "support/TempDir.h"

namespace quorvel::test {
namespace {

struct HiveInMemory {
    platform::HiveRegistry hive{":memory:"};
    platform::Registry& registry() { return hive; }
    std::string base() { return "Software\\QuorvelTest"; }
};

struct HiveOnDisk {
    TempDir dir;
    platform::HiveRegistry hive{dir.file("Quorvel/registry.db")};
    platform::Registry& registry() { return hive; }
    std::string base() { return "Software\\QuorvelTest"; }
};

using HiveBackends = ::testing::Types<HiveInMemory, HiveOnDisk>;
INSTANTIATE_TYPED_TEST_SUITE_P(Hive, RegistryConformance, HiveBackends);

}  // namespace
}  // namespace quorvel::test
