#include "support/Xvfb_x11.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "os/UniqueFd.h"

namespace quorvel::test {

Started StartServer(const std::vector<std::string>& argv, int limitMs) {
    Started started;
    int ends[2];
    if (pipe(ends) != 0) return started;
    os::UniqueFd readEnd(ends[0]), writeEnd(ends[1]);
    started.pid = fork();
    if (started.pid == 0) {
        readEnd.Reset();
        // The server's start-up chatter would bury the test output.
        const int null = open("/dev/null", O_WRONLY);
        if (dup2(writeEnd.get(), 3) != 3 || dup2(null, 1) != 1 || dup2(null, 2) != 2) _exit(126);
        std::vector<char*> args;
        for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    writeEnd.Reset();
    pollfd ready{readEnd.get(), POLLIN, 0};
    char c = 0;
    while (started.pid > 0 && limitMs > 0 && poll(&ready, 1, limitMs) > 0 &&
           read(readEnd.get(), &c, 1) == 1 && c != '\n')
        started.line += c;
    return started;
}

void StopServer(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

// -noreset: tests connect one after another, and a server whose last client left resets
// and refuses whoever connects meanwhile.
Xvfb::Xvfb(const std::string& screen) {
    const Started xvfb = StartServer(
        {"Xvfb", "-displayfd", "3", "-screen", "0", screen, "-nolisten", "tcp", "-noreset"}, 10000);
    pid_ = xvfb.pid;
    if (!xvfb.line.empty()) name_ = ":" + xvfb.line;
}

Xvfb::~Xvfb() {
    StopServer(pid_);
}

}  // namespace quorvel::test
