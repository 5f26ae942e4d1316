#pragma once
#include "platform/SystemInfo.h"

namespace quorvel::platform {

// The system facts on Linux: the kernel's version stands for the Windows version,
// the per-user state folder for the system directory.
class PosixSystemInfo final : public SystemInfo {
  public:
    // The kernel release's first two numbers ("6.1.0-18-amd64" gives 6 and 1), never
    // below 5.0: see KeepOutOfWindows9x.
    void OsVersion(int& major, int& minor) const override;
    // The state folder, made on first use: Windows' system folder always exists.
    std::string SystemDirectory() const override;
    std::string ProgramFolder() const override;
    // Found from the running executable: `share/quorvel` beside its `bin` folder when
    // installed (/usr/bin/quorvel reads /usr/share/quorvel), else the `data` folder
    // the build puts beside it; "" when there is neither.
    std::string SharedDataFolder() const override;
};

// The shared data folder for an executable at `executable` (see SharedDataFolder).
std::string SharedDataFolderFor(const std::string& executable);

// The first two numbers of a kernel release text; 0 where there is none.
void ParseKernelRelease(const char* release, int& major, int& minor);
// Raises a version below 5.0 (the Windows 9x range, and NT 4) to 5.0.
void KeepOutOfWindows9x(int& major, int& minor);

}  // namespace quorvel::platform
