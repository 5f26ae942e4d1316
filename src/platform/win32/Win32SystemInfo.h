#pragma once
#include "platform/SystemInfo.h"

namespace quorvel::platform {

// The Windows version (GetVersionExA), the system directory (GetSystemDirectoryA)
// and the folder of the executable.
class Win32SystemInfo final : public SystemInfo {
  public:
    void OsVersion(int& major, int& minor) const override;
    std::string SystemDirectory() const override;
    std::string ProgramFolder() const override;
};

}  // namespace quorvel::platform
