#include <windows.h>

#include <algorithm>
#include <vector>

#include "os/UniqueHandle.h"
#include "os/WideText.h"
#include "storage/FileOps.h"

namespace quorvel::storage {

using os::UniqueHandle;

namespace {

// The lock file each locked folder holds. Windows locks byte ranges of open files,
// not folders, so the folder's lock is a range of this file; it is never deleted,
// because a file that may vanish cannot carry a lock.
constexpr const wchar_t* kLockFileName = L"\\Quorvel.lock";

std::string Describe(const std::string& what, const std::string& path, DWORD error) {
    return what + " '" + path + "': " + os::SystemMessage(error);
}

// The path as the W calls take it; false (with `error` set) when it is not UTF-8.
bool WidePath(const std::string& path, std::wstring& wide, std::string& error) {
    if (os::Widen(path, wide)) return true;
    error = "The path '" + path + "' is not valid UTF-8.";
    return false;
}

UniqueHandle OpenFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                      DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    return UniqueHandle(
        CreateFileW(path.c_str(), access, share, nullptr, disposition, attributes, nullptr));
}

bool WriteAll(HANDLE file, const char* data, DWORD size) {
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(file, data, size, &written, nullptr) || written == 0) return false;
        data += written;
        size -= written;
    }
    return true;
}

}  // namespace

// On Windows the lock is a byte-range lock (LockFileEx) on the folder's lock file.
struct FolderLock::Held {
    UniqueHandle file;
};

FolderLock::FolderLock() = default;
FolderLock::FolderLock(FolderLock&&) noexcept = default;
FolderLock& FolderLock::operator=(FolderLock&&) noexcept = default;
FolderLock::~FolderLock() = default;

void FolderLock::Release() {
    // Closing the handle drops its lock.
    held_.reset();
}

bool FolderLock::Acquire(const std::string& folder, Mode mode, std::string& error, bool* busy) {
    if (busy) *busy = false;
    Release();
    std::wstring wide;
    if (!WidePath(folder, wide, error)) return false;
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        error = Describe("Cannot open the folder", folder,
                         attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : ERROR_DIRECTORY);
        return false;
    }
    // Every instance opens the same lock file and shares it; only the locks exclude.
    UniqueHandle file = OpenFile(wide + kLockFileName, GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN);
    if (!file) {
        error = Describe("Cannot open the lock file of the folder", folder, GetLastError());
        return false;
    }
    OVERLAPPED whole{};
    const DWORD flags =
        LOCKFILE_FAIL_IMMEDIATELY | (mode == Mode::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    if (!LockFileEx(file.get(), flags, 0, MAXDWORD, MAXDWORD, &whole)) {
        const DWORD code = GetLastError();
        if (busy) *busy = code == ERROR_LOCK_VIOLATION || code == ERROR_SHARING_VIOLATION;
        error = Describe("Cannot lock the folder", folder, code);
        return false;
    }
    held_ = std::make_unique<Held>(Held{std::move(file)});
    return true;
}

bool CreateNewEmptyFile(const std::string& path, std::string& error) {
    std::wstring wide;
    if (!WidePath(path, wide, error)) return false;
    if (!OpenFile(wide, GENERIC_WRITE, 0, CREATE_NEW)) {
        error = Describe("Cannot create", path, GetLastError());
        return false;
    }
    return true;
}

bool CopyFileDurably(const std::string& from, const std::string& to, std::string& error) {
    std::wstring wideFrom, wideTo;
    if (!WidePath(from, wideFrom, error) || !WidePath(to, wideTo, error)) return false;
    UniqueHandle in = OpenFile(wideFrom, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (!in) {
        error = Describe("Cannot read", from, GetLastError());
        return false;
    }
    UniqueHandle out = OpenFile(wideTo, GENERIC_WRITE, 0, CREATE_ALWAYS);
    if (!out) {
        error = Describe("Cannot write", to, GetLastError());
        return false;
    }
    std::vector<char> buffer(1 << 16);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(in.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
            error = Describe("Cannot read", from, GetLastError());
            return false;
        }
        if (got == 0) break;
        if (!WriteAll(out.get(), buffer.data(), got)) {
            error = Describe("Cannot write", to, GetLastError());
            return false;
        }
    }
    if (!FlushFileBuffers(out.get())) {
        error = Describe("Cannot flush", to, GetLastError());
        return false;
    }
    return true;
}

bool WriteFileDurably(const std::string& path, std::string_view bytes, std::string& error) {
    std::wstring wide;
    if (!WidePath(path, wide, error)) return false;
    UniqueHandle out = OpenFile(wide, GENERIC_WRITE, 0, CREATE_ALWAYS);
    if (!out) {
        error = Describe("Cannot write", path, GetLastError());
        return false;
    }
    // WriteAll takes a DWORD: a text larger than 4 GB goes in parts.
    for (std::size_t done = 0; done < bytes.size();) {
        const DWORD part = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        if (!WriteAll(out.get(), bytes.data() + done, part)) {
            error = Describe("Cannot write", path, GetLastError());
            return false;
        }
        done += part;
    }
    if (!FlushFileBuffers(out.get())) {
        error = Describe("Cannot flush", path, GetLastError());
        return false;
    }
    return true;
}

bool ReplaceFileAtomically(const std::string& from, const std::string& to, std::string& error) {
    std::wstring wideFrom, wideTo;
    if (!WidePath(from, wideFrom, error) || !WidePath(to, wideTo, error)) return false;
    // The C runtime's rename refuses an existing target; MoveFileExW replaces it in one
    // step and, with write-through, returns only once the new entry is on the disk.
    if (!MoveFileExW(wideFrom.c_str(), wideTo.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = Describe("Cannot replace", to, GetLastError());
        return false;
    }
    return true;
}

}  // namespace quorvel::storage
