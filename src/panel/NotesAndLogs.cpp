#include "panel/NotesAndLogs.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "storage/FileOps.h"

namespace quorvel::panel {

namespace {

// The file's bytes; nullopt when it cannot be opened or read to the end.
std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream file(storage::PathOf(path), std::ios::binary);
    if (!file) return std::nullopt;
    std::ostringstream text;
    // An empty file inserts nothing, which is no failure of the file.
    if (file.peek() != std::ifstream::traits_type::eof() && !(text << file.rdbuf()))
        return std::nullopt;
    if (file.bad()) return std::nullopt;
    return text.str();
}

}  // namespace

std::string NotesPath(const std::string& programFolder) {
    return storage::TextOf(storage::PathOf(programFolder) / "Systemfiles" / "Notes.txt");
}

std::string ReadNotes(const std::string& path) {
    return ReadWholeFile(path).value_or(std::string());
}

std::optional<std::string> SaveNotes(const std::string& path, const std::string& text) {
    const std::filesystem::path folder = storage::PathOf(path).parent_path();
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec))
        return "The notes were not saved: the folder '" + storage::TextOf(folder) +
               "' does not exist. Your text is still in the box.";
    std::string error;
    if (!storage::ReplaceFileContents(path, text, error))
        return "The notes were not saved, the notes file keeps what it held before: " + error +
               ". Your text is still in the box.";
    return std::nullopt;
}

std::string ReadSessionLog(const std::string& path) {
    // Opening to append creates a missing log and changes nothing in an existing one.
    std::ofstream(storage::PathOf(path), std::ios::app | std::ios::binary);
    const std::string text = ReadWholeFile(path).value_or(std::string());
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) return kNoLogsFound;
    return text;
}

}  // namespace quorvel::panel
