#include "RegistryConformance.h"
#include "platform/win32/Win32Registry.h"
#include "support/ScratchRegistry_win32.h"

namespace quorvel::test {
namespace {

// The real HKEY_CURRENT_USER, working below a scratch key.
struct Win32UserHive {
    ScratchKey scratch;  // declared first: removed after the registry closed its keys
    platform::Win32Registry win;
    platform::Registry& registry() { return win; }
    std::string base() { return scratch.path(); }
};

// A scratch key standing in for HKEY_CURRENT_USER, as tests of the program use it.
struct Win32StandIn {
    ScratchRegistry win;
    platform::Registry& registry() { return win; }
    std::string base() { return "Software\\QuorvelTest"; }
};

using Win32Backends = ::testing::Types<Win32UserHive, Win32StandIn>;
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, RegistryConformance, Win32Backends);

}  // namespace
}  // namespace quorvel::test
