#include "blocker/frmBlocks.h"

namespace quorvel::ui {

frmBlocks::frmBlocks(App& app) : app_(app) {
    setObjectName("frmBlocks");
    setWindowTitle("Blocks");
}

}  // namespace quorvel::ui
