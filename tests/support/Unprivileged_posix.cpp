#include "support/Unprivileged_posix.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvel::test {

namespace {
constexpr uid_t kNobody = 65534;
}

std::string RunUnprivileged(const std::function<std::string()>& work) {
    int fds[2];
    if (pipe(fds) != 0) return "pipe failed";
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(3);
        const std::string text = work();
        const bool written =
            write(fds[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
        _exit(written ? 0 : 2);
    }
    close(fds[1]);
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0) text.append(buffer, n);
    close(fds[0]);
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return "the unprivileged child failed";
    return text;
}

void OpenToOthers(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) ::chmod(folder.c_str(), st.st_mode | S_IXGRP | S_IXOTH);
}

}  // namespace quorvel::test
