#include "storage/FileOps.h"

#include <filesystem>
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

bool FileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(PathOf(path), ec);
}

}  // namespace quorvel::storage
