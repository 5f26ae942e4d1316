#pragma once
// Other processes for the tests on Linux: one that holds the store locked, one killed
// while it works, and the admin tool run as a cafe owner runs it.
#include <fcntl.h>
#include <signal.h>
#include <sqlcipher/sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "os/UniqueFd.h"
#include "support/TempDir.h"

namespace quorvel::test {

// Another process that holds the store file locked until this object goes away, as a
// second program or a backup tool holding a transaction open would.
class StoreLocker {
  public:
    enum class Lock {
        Exclusive,  // nobody else may read or write (exclusive locking mode)
        Writer,     // a write transaction is open: others may read, not write
    };

    StoreLocker(const std::string& path, Lock lock) {
        int ends[2];
        if (pipe(ends) != 0) return;
        os::UniqueFd readyIn(ends[0]), readyOut(ends[1]);
        if (pipe(ends) != 0) return;
        os::UniqueFd releaseIn(ends[0]);
        release_.Reset(ends[1]);
        pid_ = fork();
        if (pid_ == 0) {
            readyIn.Reset();
            release_.Reset();
            sqlite3* db = nullptr;
            const char* sql = lock == Lock::Exclusive
                                  ? "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; "
                                    "SELECT count(*) FROM sqlite_master;"
                                  : "BEGIN IMMEDIATE;";
            const bool locked =
                sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
                sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
            const char answer = locked ? '1' : '0';
            if (write(readyOut.get(), &answer, 1) != 1) _exit(2);
            char byte;
            while (read(releaseIn.get(), &byte, 1) > 0) {
            }
            _exit(0);  // the lock goes with the process
        }
        readyOut.Reset();
        char answer = '0';
        held_ = pid_ > 0 && read(readyIn.get(), &answer, 1) == 1 && answer == '1';
    }
    StoreLocker(const StoreLocker&) = delete;
    StoreLocker& operator=(const StoreLocker&) = delete;
    ~StoreLocker() { Release(); }

    bool held() const { return held_; }
    void Release() {
        release_.Reset();
        if (pid_ > 0) waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

  private:
    pid_t pid_ = -1;
    os::UniqueFd release_;
    bool held_ = false;
};

struct KilledChild {
    bool started = false;  // the child said it was ready
    bool killed = false;   // it ended by the signal, not before
    std::string said;      // what it wrote after it was ready, up to its end
};

// Forks a child that runs `work(ready)`: it writes '1' to the descriptor `ready` once it
// is ready ('0' when it cannot be) and then works until it is killed. The parent lets it
// work for `delay` after it is ready, kills it with SIGKILL and reaps it.
template <class Work>
KilledChild KillWhileWorking(Work work, std::chrono::microseconds delay) {
    KilledChild result;
    int ends[2];
    if (pipe(ends) != 0) return result;
    os::UniqueFd readEnd(ends[0]), writeEnd(ends[1]);
    const pid_t child = fork();
    if (child == 0) {
        readEnd.Reset();
        work(writeEnd.get());
        _exit(0);
    }
    writeEnd.Reset();
    char ok = '0';
    result.started = child > 0 && read(readEnd.get(), &ok, 1) == 1 && ok == '1';
    if (child < 0) return result;
    if (result.started) std::this_thread::sleep_for(delay);
    ::kill(child, SIGKILL);
    int status = 0;
    result.killed = waitpid(child, &status, 0) == child && WIFSIGNALED(status);
    char byte;
    while (read(readEnd.get(), &byte, 1) == 1) result.said += byte;
    return result;
}

struct CommandResult {
    int status = -1;  // exit status, or -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs `argv` (the program looked up on PATH) with the variables `env` set on top of
// this process's environment.
inline CommandResult RunCommand(const std::vector<std::string>& argv,
                                const std::vector<std::pair<std::string, std::string>>& env) {
    TempDir scratch;
    const std::string outPath = scratch.file("out"), errPath = scratch.file("err");
    const pid_t pid = fork();
    if (pid == 0) {
        for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(126);
        std::vector<char*> args;
        for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    CommandResult result;
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    result.out = ReadFileBytes(outPath);
    result.err = ReadFileBytes(errPath);
    return result;
}

}  // namespace quorvel::test
