#include "session/SessionLog.h"

#include <filesystem>

namespace quorvel::session {

std::string SessionLogPath(const std::string& sysDir) {
    return (std::filesystem::path(sysDir) / "ScanregLog.log").string();
}

SessionLog::SessionLog(const std::string& path) : file_(std::fopen(path.c_str(), "ab")) {}

bool SessionLog::Write(std::string_view text) {
    if (!file_) return false;
    // Each part reaches the file at once: a session cut off by a crash keeps what it
    // had written, and the control panel reads whole parts.
    const bool written = std::fwrite(text.data(), 1, text.size(), file_.get()) == text.size();
    return std::fflush(file_.get()) == 0 && written;
}

bool SessionLog::WriteLine(std::string_view text) {
    std::string line(text);
    line += "\r\n";
    return Write(line);
}

bool SessionLog::WriteStartPart(std::string_view user, std::string_view date,
                                std::string_view loginTime) {
    const bool lineBreak = WriteLine("");
    std::string part;
    part.append(user).append("|").append(date).append(" | ").append(loginTime).append(" | ");
    return Write(part) && lineBreak;
}

bool SessionLog::WriteEndPart(std::string_view elapsed, std::string_view logoutTime,
                              std::string_view amount) {
    std::string part;
    part.append(elapsed).append(" | ").append(logoutTime).append(" | ").append(amount);
    return Write(part);
}

}  // namespace quorvel::session
