#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "Host.h"
#include "platform/posix/HiveRegistry.h"
#include "os/UniqueFd.h"
#include "platform/posix/XdgPaths.h"

namespace quorvel::admin {

namespace {

class HiveStore final : public SettingsStore {
  public:
    // `lookError`: why the store's folder could not be looked into, if it could not.
    HiveStore(const std::string& path, platform::HiveRegistry::Mode mode, std::string lookError)
        : hive_(path, mode), lookError_(std::move(lookError)) {}
    platform::Registry& registry() override { return hive_; }
    bool usable() const override { return lookError_.empty() && hive_.ok(); }
    std::string error() const override { return lookError_.empty() ? hive_.error() : lookError_; }

  private:
    platform::HiveRegistry hive_;
    std::string lookError_;
};

}  // namespace

bool FoldersKnown(std::string& why) {
    return platform::XdgPathsKnown(why);
}

std::string ProgramFolder() {
    return platform::XdgProgramFolder();
}

std::string SettingsStoreLocation() {
    return platform::XdgSettingsStorePath();
}

std::unique_ptr<SettingsStore> OpenSettingsStore(bool create) {
    const std::string path = SettingsStoreLocation();
    std::error_code ec;
    const bool present = std::filesystem::exists(path, ec);
    if (!ec && !create && !present) return nullptr;
    return std::make_unique<HiveStore>(path,
                                       create && !ec ? platform::HiveRegistry::Mode::CreateIfMissing
                                                     : platform::HiveRegistry::Mode::ExistingOnly,
                                       ec ? ec.message() : std::string());
}

bool InputIsTerminal() {
    return ::isatty(STDIN_FILENO) == 1;
}

struct NoEcho::Saved {
    termios mode{};
};

NoEcho::NoEcho() {
    termios mode{};
    if (::tcgetattr(STDIN_FILENO, &mode) != 0) return;
    termios quiet = mode;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    if (::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0)
        saved_ = std::make_unique<Saved>(Saved{mode});
}

NoEcho::~NoEcho() {
    if (saved_) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_->mode);
}

bool RunsAsRoot() {
    return ::geteuid() == 0;
}

namespace {

// The child's status as RunProgram and RunAsAccount give it.
int StatusOf(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

int RunProgram(const std::vector<std::string>& argv, std::string& output) {
    int pipeEnds[2];
    if (argv.empty() || ::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        output = std::strerror(errno);
        return -1;
    }
    os::UniqueFd reader(pipeEnds[0]), writer(pipeEnds[1]);
    std::vector<char*> args;
    for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    const pid_t child = ::fork();
    if (child < 0) {
        output = std::strerror(errno);
        return -1;
    }
    if (child == 0) {
        ::dup2(writer.get(), STDOUT_FILENO);
        ::dup2(writer.get(), STDERR_FILENO);
        ::execvp(args[0], args.data());
        const std::string why = argv[0] + ": " + std::strerror(errno) + "\n";
        (void)!::write(STDERR_FILENO, why.data(), why.size());
        ::_exit(127);
    }
    writer.Reset();
    output.clear();
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(reader.get(), buffer, sizeof buffer);
        if (got > 0) {
            output.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            break;
        }
    }
    return StatusOf(child);
}

int RunAsAccount(unsigned uid, unsigned gid, const Environment& environment,
                 const std::function<int()>& work) {
    std::cout.flush();
    std::cerr.flush();
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0) ::_exit(126);
        ::umask(077);
        for (const auto& [name, value] : environment) ::setenv(name.c_str(), value.c_str(), 1);
        const int status = work();
        std::cout.flush();
        std::cerr.flush();
        ::_exit(status);
    }
    return StatusOf(child);
}

}  // namespace quorvel::admin
