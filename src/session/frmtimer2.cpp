#include "session/frmtimer2.h"

namespace quorvel::ui {

frmtimer2::frmtimer2(App& app) : app_(app) {
    setObjectName("frmtimer2");
    setWindowTitle("Quorvel (DE)");
}

}  // namespace quorvel::ui
