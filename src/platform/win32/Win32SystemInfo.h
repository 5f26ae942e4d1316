#pragma once
#include "platform/SystemInfo.h"

namespace quorvel::platform {

// Version, system directory and program folder as Windows reports them.
class Win32SystemInfo final : public SystemInfo {
  public:
    // GetVersionExA with the record's size field set to 148. Both numbers are 0
    // should the call fail.
    void OsVersion(int& major, int& minor) const override;
    // GetSystemDirectoryA into a 255-character buffer (a longer directory is read
    // whole rather than cut off); "" should the call fail.
    std::string SystemDirectory() const override;
    // The folder of the running executable.
    std::string ProgramFolder() const override;
    // Nothing ships beside the Windows program: "".
    std::string SharedDataFolder() const override { return {}; }
};

}  // namespace quorvel::platform
