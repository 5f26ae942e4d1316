#include <windows.h>

#include "Host.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32SystemInfo.h"

namespace quorvel::admin {

namespace {

// The registry is always there; a key it cannot give shows as that key's status.
class RegistryStore final : public SettingsStore {
  public:
    platform::Registry& registry() override { return registry_; }
    bool usable() const override { return true; }
    std::string error() const override { return {}; }

  private:
    platform::Win32Registry registry_;
};

}  // namespace

bool FoldersKnown(std::string& /*why*/) {
    return true;  // beside the program, and the user's own registry
}

std::string ProgramFolder() {
    return platform::Win32SystemInfo().ProgramFolder();
}

std::string SettingsStoreLocation() {
    return "the registry (HKEY_CURRENT_USER)";
}

std::unique_ptr<SettingsStore> OpenSettingsStore(bool /*create*/) {
    return std::make_unique<RegistryStore>();
}

bool InputIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

struct NoEcho::Saved {
    DWORD mode = 0;
};

NoEcho::NoEcho() {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(input, &mode) && SetConsoleMode(input, mode & ~ENABLE_ECHO_INPUT))
        saved_ = std::make_unique<Saved>(Saved{mode});
}

NoEcho::~NoEcho() {
    if (saved_) SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), saved_->mode);
}

}  // namespace quorvel::admin
