// What the control panel says and offers on Linux.
#include "panel/NamedValues.h"
#include "panel/SecurityPolicies.h"

namespace quorvel::panel {

const char* PoliciesPlatformNote() {
    return "On Linux these restrictions are only kept in the settings store: nothing on "
           "this computer reads them.";
}

// A program is any executable file; its name says nothing about that.
const char* ProgramFilter() {
    return "Programs (*)";
}

}  // namespace quorvel::panel
