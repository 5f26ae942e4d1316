#include "RegistryConformance.h"
#include "platform/fake/MemoryRegistry.h"

namespace quorvel::test {
namespace {

// The in-memory store that unit tests use must keep the rules the real backends keep.
struct InMemory {
    platform::MemoryRegistry memory;
    platform::Registry& registry() { return memory; }
    std::string base() { return "Software\\QuorvelTest"; }
};

using MemoryBackends = ::testing::Types<InMemory>;
INSTANTIATE_TYPED_TEST_SUITE_P(Memory, RegistryConformance, MemoryBackends);

}  // namespace
}  // namespace quorvel::test
