#pragma once
#include "platform/SystemInfo.h"

namespace quorvel::platform {

// The system facts on Linux: the kernel's version stands for the Windows version,
// the per-user state folder for the system directory.
class PosixSystemInfo final : public SystemInfo {
  public:
    // The kernel release's first two numbers ("6.1.0-18-amd64" gives 6 and 1), never
    // below 5.0: Linux is no Windows 9x, whose paths (service-process registration,
    // the hidden alarm choice) the program must never take.
    void OsVersion(int& major, int& minor) const override;
    // The state folder, made on first use: Windows' system folder always exists.
    std::string SystemDirectory() const override;
    std::string ProgramFolder() const override;
};

// The version reported for a kernel release text, as OsVersion describes it.
void VersionOfKernelRelease(const char* release, int& major, int& minor);

}  // namespace quorvel::platform
