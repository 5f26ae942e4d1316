#include "panel/NotesAndLogs.h"

#include <cstdio>
#include <filesystem>
#include <memory>

#include "storage/FileOps.h"

namespace quorvel::panel {

namespace {

struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, Closer>;

// The file's bytes; nullopt when it cannot be opened or read to the end.
std::optional<std::string> ReadWholeFile(const std::string& path) {
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) return std::nullopt;
    std::string text;
    char buffer[1 << 16];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) text.append(buffer, got);
    if (std::ferror(file.get())) return std::nullopt;
    return text;
}

}  // namespace

std::string NotesPath(const std::string& programFolder) {
    return (std::filesystem::path(programFolder) / "Systemfiles" / "Notes.txt").string();
}

std::string ReadNotes(const std::string& path) {
    return ReadWholeFile(path).value_or(std::string());
}

std::optional<std::string> SaveNotes(const std::string& path, const std::string& text) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec))
        return "The notes were not saved: the folder '" + folder.string() +
               "' does not exist. Your text is still in the box.";
    std::string error;
    if (!storage::ReplaceFileContents(path, text, error))
        return "The notes were not saved, the notes file keeps what it held before: " + error +
               ". Your text is still in the box.";
    return std::nullopt;
}

std::string ReadSessionLog(const std::string& path) {
    // Opening to append creates a missing log and changes nothing in an existing one.
    { File created(std::fopen(path.c_str(), "ab")); }
    const std::string text = ReadWholeFile(path).value_or(std::string());
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) return kNoLogsFound;
    return text;
}

}  // namespace quorvel::panel
