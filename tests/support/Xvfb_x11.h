// A private X server for tests that need a real one: Xvfb picks a free display number
// and reports it through a pipe, so parallel test runs never collide on a display.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

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

// A server of the test's own started (its output thrown away, its descriptor 3 a pipe
// back to the test): its process id, and the first line it wrote to descriptor 3 within
// `limitMs` ("" when none did; with 0 nothing is waited for).
struct Started {
    pid_t pid = -1;
    std::string line;
};
Started StartServer(const std::vector<std::string>& argv, int limitMs);
// Ends what StartServer started, and reaps it.
void StopServer(pid_t pid);

}  // namespace quorvel::test
