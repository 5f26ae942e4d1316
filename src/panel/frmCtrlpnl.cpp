#include "panel/frmCtrlpnl.h"

namespace quorvel::ui {

frmCtrlpnl::frmCtrlpnl(App& app) : app_(app) {
    setObjectName("frmCtrlpnl");
    setWindowTitle("Control Panel");
}

}  // namespace quorvel::ui
