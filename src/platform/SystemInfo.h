#pragma once
#include <string>

namespace quorvel::platform {

class SystemInfo {
  public:
    virtual ~SystemInfo() = default;
    // Windows-style version as major and minor numbers (GetVersionExA).
    virtual void OsVersion(int& major, int& minor) const = 0;
    // The system directory, no trailing separator (GetSystemDirectoryA).
    virtual std::string SystemDirectory() const = 0;
    // The program folder, no trailing separator.
    virtual std::string ProgramFolder() const = 0;
    // The folder of the read-only files shipped with the program (the blocked page),
    // no trailing separator; empty where none ship.
    virtual std::string SharedDataFolder() const = 0;
};

}  // namespace quorvel::platform
