#pragma once
#include "platform/Shell.h"

namespace quorvel::platform {

// Starts programs as processes of their own session, so a guest's program neither
// outlives nor blocks the window that started it; addresses open through the
// desktop's xdg-open. Nothing here waits on a started program: each is reaped by a
// small waiter thread of its own when it ends, so none is left a zombie.
class PosixShell final : public Shell {
  public:
    // X11 has no way to ask an arbitrary program to start minimised or maximised:
    // the show state is not passed on.
    bool StartProgram(const std::string& path, int showState) override;
    bool OpenAddress(const std::string& address) override;
};

}  // namespace quorvel::platform
