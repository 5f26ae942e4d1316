#include "storage/FileOps.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "os/UniqueFd.h"

namespace quorvel::storage {

using os::UniqueFd;

namespace {

std::string Describe(const std::string& what, const std::string& path, int error) {
    return what + " '" + path + "': " + std::strerror(error);
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool SyncFolderOf(const std::string& path) {
    const auto parent = std::filesystem::path(path).parent_path();
    const auto folder = parent.empty() ? std::filesystem::path(".") : parent;
    UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return dir && ::fsync(dir.get()) == 0;
}

}  // namespace

// On Linux the lock is a flock on the folder's own descriptor.
struct FolderLock::Held {
    UniqueFd folder;
};

FolderLock::FolderLock() = default;
FolderLock::FolderLock(FolderLock&&) noexcept = default;
FolderLock& FolderLock::operator=(FolderLock&&) noexcept = default;
FolderLock::~FolderLock() = default;

void FolderLock::Release() {
    held_.reset();
}

bool FolderLock::Acquire(const std::string& folder, Mode mode, std::string& error, bool* busy) {
    if (busy) *busy = false;
    Release();
    UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir) {
        error = Describe("Cannot open the folder", folder, errno);
        return false;
    }
    const int op = (mode == Mode::Shared ? LOCK_SH : LOCK_EX) | LOCK_NB;
    int rc;
    while ((rc = ::flock(dir.get(), op)) != 0 && errno == EINTR) {
    }
    if (rc != 0) {
        if (busy) *busy = errno == EWOULDBLOCK;
        error = Describe("Cannot lock the folder", folder, errno);
        return false;
    }
    held_ = std::make_unique<Held>(Held{std::move(dir)});
    return true;
}

bool CreateNewEmptyFile(const std::string& path, std::string& error) {
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!fd) {
        error = Describe("Cannot create", path, errno);
        return false;
    }
    return true;
}

bool CopyFileDurably(const std::string& from, const std::string& to, std::string& error) {
    UniqueFd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in) {
        error = Describe("Cannot read", from, errno);
        return false;
    }
    UniqueFd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (!out) {
        error = Describe("Cannot write", to, errno);
        return false;
    }
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(in.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            error = Describe("Cannot read", from, errno);
            return false;
        }
        if (got == 0) break;
        if (!WriteAll(out.get(), buffer, static_cast<std::size_t>(got))) {
            error = Describe("Cannot write", to, errno);
            return false;
        }
    }
    if (::fsync(out.get()) != 0) {
        error = Describe("Cannot flush", to, errno);
        return false;
    }
    return true;
}

bool WriteFileDurably(const std::string& path, std::string_view bytes, std::string& error) {
    UniqueFd out(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (!out) {
        error = Describe("Cannot write", path, errno);
        return false;
    }
    if (!WriteAll(out.get(), bytes.data(), bytes.size())) {
        error = Describe("Cannot write", path, errno);
        return false;
    }
    if (::fsync(out.get()) != 0) {
        error = Describe("Cannot flush", path, errno);
        return false;
    }
    return true;
}

bool ReplaceFileAtomically(const std::string& from, const std::string& to, std::string& error) {
    if (::rename(from.c_str(), to.c_str()) != 0) {
        error = Describe("Cannot replace", to, errno);
        return false;
    }
    if (!SyncFolderOf(to)) {
        error = Describe("Cannot flush the folder of", to, errno);
        return false;
    }
    return true;
}

}  // namespace quorvel::storage
