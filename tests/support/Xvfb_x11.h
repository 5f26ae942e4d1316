// A private X server for tests that need a real one: Xvfb picks a free display number
// and reports it through a pipe, so parallel test runs never collide on a display.
#pragma once

#include <sys/types.h>

#include <string>

namespace quorvel::test {

class Xvfb {
  public:
    // `screen` is Xvfb's -screen 0 geometry, WIDTHxHEIGHTxDEPTH.
    explicit Xvfb(const std::string& screen = "640x480x24");
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;
    ~Xvfb();

    // ":N", or empty when the server did not come up (within ten seconds).
    const std::string& name() const { return name_; }

  private:
    pid_t pid_ = -1;
    std::string name_;
};

}  // namespace quorvel::test
