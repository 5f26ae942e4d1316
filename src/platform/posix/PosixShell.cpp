#include "platform/posix/PosixShell.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

extern char** environ;

namespace quorvel::platform {

namespace {

// Spawns `argv` through a short-lived intermediate child that exits at once, so the
// started program is re-parented to init and never left as a zombie of ours.
bool SpawnDetached(const std::vector<std::string>& args) {
    if (args.empty() || args[0].empty()) return false;
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) return false;
    const pid_t middle = fork();
    if (middle < 0) {
        close(ready[0]);
        close(ready[1]);
        return false;
    }
    if (middle == 0) {
        close(ready[0]);
        setsid();
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        pid_t child = 0;
        const int rc = posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ);
        const char status = rc == 0 ? 1 : 0;
        (void)!write(ready[1], &status, 1);
        _exit(0);
    }
    close(ready[1]);
    char status = 0;
    const bool started = read(ready[0], &status, 1) == 1 && status == 1;
    close(ready[0]);
    int ignored = 0;
    waitpid(middle, &ignored, 0);
    return started;
}

}  // namespace

bool PosixShell::StartProgram(const std::string& path, int /*showState*/) {
    return SpawnDetached({path});
}

bool PosixShell::OpenAddress(const std::string& address) {
    return SpawnDetached({"xdg-open", address});
}

}  // namespace quorvel::platform
