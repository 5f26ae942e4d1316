#pragma once
#include "platform/Shell.h"

namespace quorvel::platform {

// Programs and addresses go to the shell (ShellExecuteW), which starts a program with
// the show state asked for and opens an address in the default browser.
class Win32Shell final : public Shell {
  public:
    bool StartProgram(const std::string& path, int showState) override;
    bool OpenAddress(const std::string& address) override;
};

}  // namespace quorvel::platform
