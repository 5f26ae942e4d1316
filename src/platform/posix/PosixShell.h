#pragma once
#include "platform/Shell.h"

namespace quorvel::platform {

// Starts programs as detached children, so a guest's program outlives neither the
// session's window nor blocks it; addresses open through the desktop's xdg-open.
class PosixShell final : public Shell {
  public:
    // The show state has no meaning for an X11 program and is not passed on.
    bool StartProgram(const std::string& path, int showState) override;
    bool OpenAddress(const std::string& address) override;
};

}  // namespace quorvel::platform
