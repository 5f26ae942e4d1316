#pragma once
// The session log: one line per guest session in a plain text file, which the
// administrator reads in the control panel. The timer window holds it open for the whole
// session; the start of the line is written at sign-in and the rest at Logout.
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace quorvel::session {

// <system directory>/ScanregLog.log
std::string SessionLogPath(const std::string& sysDir);

class SessionLog {
  public:
    // Opens `path` for appending, creating it when missing. A log that cannot be opened
    // is simply not written: the session, its clock and its booking never depend on it.
    explicit SessionLog(const std::string& path);
    SessionLog(const SessionLog&) = delete;
    SessionLog& operator=(const SessionLog&) = delete;

    bool IsOpen() const { return static_cast<bool>(file_); }
    // The text and a CR LF.
    bool WriteLine(std::string_view text);
    // The text without a line break.
    bool Write(std::string_view text);

    // The session's line. The start part is preceded by a line break, so the file begins
    // with an empty line and its last line has no line break at its end.
    bool WriteStartPart(std::string_view user, std::string_view date, std::string_view loginTime);
    bool WriteEndPart(std::string_view elapsed, std::string_view logoutTime,
                      std::string_view amount);

  private:
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
};

}  // namespace quorvel::session
