// What the control panel says and offers on Windows.
#include "panel/NamedValues.h"
#include "panel/SecurityPolicies.h"

namespace quorvel::panel {

// The shell and the browser read the policy values themselves.
const char* PoliciesPlatformNote() {
    return nullptr;
}

const char* ProgramFilter() {
    return "Programs (*.exe)";
}

}  // namespace quorvel::panel
