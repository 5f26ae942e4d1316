#include "platform/posix/PosixShell.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <system_error>
#include <thread>
#include <vector>

extern char** environ;

namespace quorvel::platform {

namespace {

// The spawn attributes a started program gets: a session of its own (no signal meant
// for ours reaches it), and no blocked or ignored signal inherited from this process.
class SpawnAttributes {
  public:
    SpawnAttributes() {
        ok_ = ::posix_spawnattr_init(&attr_) == 0;
        if (!ok_) return;
        sigset_t none, all;
        sigemptyset(&none);
        sigfillset(&all);
        ok_ = ::posix_spawnattr_setsigmask(&attr_, &none) == 0 &&
              ::posix_spawnattr_setsigdefault(&attr_, &all) == 0 &&
              ::posix_spawnattr_setflags(
                  &attr_, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) == 0;
    }
    ~SpawnAttributes() { ::posix_spawnattr_destroy(&attr_); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;

    const posix_spawnattr_t* get() const { return ok_ ? &attr_ : nullptr; }

  private:
    posix_spawnattr_t attr_{};
    bool ok_ = false;
};

// Starts `args` without forking this (multi-threaded) process first: posix_spawnp
// reports a program that cannot be started at once and never waits for it to run.
// The child stays ours, so a waiter thread reaps it when it ends; reaping every child
// through SIGCHLD instead would take the exit status of children that other parts of
// the program wait for themselves.
bool SpawnDetached(const std::vector<std::string>& args) {
    if (args.empty() || args[0].empty()) return false;
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    SpawnAttributes attributes;
    if (!attributes.get()) return false;
    pid_t child = 0;
    if (::posix_spawnp(&child, argv[0], nullptr, attributes.get(), argv.data(), environ) != 0)
        return false;
    try {
        std::thread([child] {
            int status = 0;
            while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error&) {
        // No thread to be had: the program runs all the same, and is reaped by the
        // system when this process ends.
    }
    return true;
}

}  // namespace

bool PosixShell::StartProgram(const std::string& path, int /*showState*/) {
    return SpawnDetached({path});
}

bool PosixShell::OpenAddress(const std::string& address) {
    return SpawnDetached({"xdg-open", address});
}

}  // namespace quorvel::platform
