#pragma once
// File operations the data file relies on to survive a kill or a power cut at any
// instant: an advisory folder lock, durable copies and atomic replacement. What the
// operating system does differently lives in FileOps_<os>.cpp; this header and
// FileOps.cpp are the same everywhere.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel::storage {

// An advisory lock on a folder, held until the object goes. Shared locks are taken by
// readers of the folder's files, the exclusive one by whoever replaces them. Never
// blocks: a lock held elsewhere fails at once.
class FolderLock {
  public:
    enum class Mode { Shared, Exclusive };
    FolderLock();
    FolderLock(FolderLock&&) noexcept;
    FolderLock& operator=(FolderLock&&) noexcept;
    ~FolderLock();

    // False with `error` set when the folder cannot be opened or is locked elsewhere
    // (`busy` tells the two apart).
    bool Acquire(const std::string& folder, Mode mode, std::string& error, bool* busy = nullptr);
    bool held() const { return static_cast<bool>(held_); }
    void Release();

  private:
    struct Held;  // the operating system's handle that carries the lock
    std::unique_ptr<Held> held_;
};

// Paths are UTF-8 text everywhere. std::filesystem reads a plain std::string in the
// ANSI code page on Windows, which loses every other name: go through these instead.
std::filesystem::path PathOf(const std::string& utf8);
std::string TextOf(const std::filesystem::path& path);

// Creates an empty file that must not exist yet (readable by its owner only).
bool CreateNewEmptyFile(const std::string& path, std::string& error);
// Copies `from` to `to` (created or truncated) and flushes it to the disk.
bool CopyFileDurably(const std::string& from, const std::string& to, std::string& error);
// Writes `bytes` as the whole content of `path` (created or truncated) and flushes it
// to the disk.
bool WriteFileDurably(const std::string& path, std::string_view bytes, std::string& error);
// Gives `path` the new content `bytes` so that after any crash it holds either its old
// content or the new one, whole: the bytes go into `path` + ".new" beside it, flushed,
// which is then renamed over `path`. On failure `path` is untouched and nothing is
// left beside it.
bool ReplaceFileContents(const std::string& path, std::string_view bytes, std::string& error);
// Renames `from` over `to` in one step and flushes the folder entry, so that `to`
// names either its old or its new content after any crash.
bool ReplaceFileAtomically(const std::string& from, const std::string& to, std::string& error);
// Deletes a file; a file that is not there counts as deleted when `missingOk`.
bool RemoveFile(const std::string& path, std::string& error, bool missingOk = false);
// False also when the file's folder cannot be searched.
bool FileExists(const std::string& path);
// The file's bytes; nullopt when it cannot be opened or read to the end.
std::optional<std::string> ReadWholeFile(const std::string& path);

}  // namespace quorvel::storage
