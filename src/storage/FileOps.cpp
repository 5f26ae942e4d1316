#include "storage/FileOps.h"

#include <filesystem>
#include <system_error>

namespace quorvel::storage {

bool RemoveFile(const std::string& path, std::string& error, bool missingOk) {
    std::error_code ec;
    if (std::filesystem::remove(path, ec) || (!ec && missingOk)) return true;
    if (!ec) ec = std::make_error_code(std::errc::no_such_file_or_directory);
    error = "Cannot delete '" + path + "': " + ec.message();
    return false;
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

}  // namespace quorvel::storage
