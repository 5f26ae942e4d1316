#pragma once
// File operations the data file relies on to survive a kill or a power cut at any
// instant: descriptors that close themselves, advisory folder locks, durable copies
// and atomic replacement.
#include <string>

namespace quorvel::platform {

// A file descriptor closed on every path.
class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { Reset(); }

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    void Reset();

  private:
    int fd_ = -1;
};

// An advisory lock (flock) on a folder, held until the object goes. Shared locks
// are taken by readers of the folder's files, the exclusive one by whoever replaces
// them. Never blocks: a lock held elsewhere fails at once.
class FolderLock {
  public:
    enum class Mode { Shared, Exclusive };
    // False with `error` set when the folder cannot be opened or is locked elsewhere
    // (`busy` tells the two apart).
    bool Acquire(const std::string& folder, Mode mode, std::string& error, bool* busy = nullptr);
    bool held() const { return static_cast<bool>(fd_); }
    void Release() { fd_.Reset(); }

  private:
    UniqueFd fd_;
};

// Creates an empty file that must not exist yet (mode 0600).
bool CreateNewEmptyFile(const std::string& path, std::string& error);
// Copies `from` to `to` (created or truncated) and flushes it to the disk.
bool CopyFileDurably(const std::string& from, const std::string& to, std::string& error);
// Renames `from` over `to` in one step and flushes the folder entry, so that `to`
// names either its old or its new content after any crash.
bool ReplaceFileAtomically(const std::string& from, const std::string& to, std::string& error);
// Deletes a file; a file that is not there counts as deleted when `missingOk`.
bool RemoveFile(const std::string& path, std::string& error, bool missingOk = false);
bool FileExists(const std::string& path);

}  // namespace quorvel::platform
