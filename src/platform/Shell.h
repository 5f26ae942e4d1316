#pragma once
#include <string>

namespace quorvel::platform {

class Shell {
  public:
    virtual ~Shell() = default;
    // Starts a program with a show state (1 normal, 3 maximised ...). False when it
    // could not be started.
    virtual bool StartProgram(const std::string& path, int showState) = 0;
    // Opens an address in the default browser.
    virtual bool OpenAddress(const std::string& address) = 0;
};

}  // namespace quorvel::platform
