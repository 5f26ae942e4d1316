#include "login/frmstart.h"

namespace quorvel::ui {

frmstart::frmstart(App& app) : app_(app) {
    setObjectName("frmstart");
    setWindowTitle("Login Screen");
}

}  // namespace quorvel::ui
