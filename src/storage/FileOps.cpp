#include "storage/FileOps.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace quorvel::storage {

std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string TextOf(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

bool RemoveFile(const std::string& path, std::string& error, bool missingOk) {
    std::error_code ec;
    if (std::filesystem::remove(PathOf(path), ec) || (!ec && missingOk)) return true;
    if (!ec) ec = std::make_error_code(std::errc::no_such_file_or_directory);
    error = "Cannot delete '" + path + "': " + ec.message();
    return false;
}

bool ReplaceFileContents(const std::string& path, std::string_view bytes, std::string& error) {
    const std::string fresh = path + ".new";
    if (WriteFileDurably(fresh, bytes, error) && ReplaceFileAtomically(fresh, path, error))
        return true;
    std::string ignored;
    RemoveFile(fresh, ignored, true);
    return false;
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(PathOf(path), ec);
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream file(PathOf(path), std::ios::binary);
    if (!file) return std::nullopt;
    std::ostringstream text;
    // An empty file inserts nothing, which is no failure of the file.
    if (file.peek() != std::ifstream::traits_type::eof() && !(text << file.rdbuf()))
        return std::nullopt;
    if (file.bad()) return std::nullopt;
    return text.str();
}

}  // namespace quorvel::storage
