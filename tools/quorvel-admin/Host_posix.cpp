#include <termios.h>
#include <unistd.h>

#include <filesystem>

#include "Host.h"
#include "platform/posix/HiveRegistry.h"
#include "platform/posix/XdgPaths.h"

namespace quorvel::admin {

namespace {

class HiveStore final : public SettingsStore {
  public:
    HiveStore(const std::string& path, platform::HiveRegistry::Mode mode) : hive_(path, mode) {}
    platform::Registry& registry() override { return hive_; }
    std::string error() const override { return hive_.ok() ? std::string() : hive_.error(); }

  private:
    platform::HiveRegistry hive_;
};

}  // namespace

std::string ProgramFolder() {
    return platform::XdgProgramFolder();
}

std::string SettingsStoreLocation() {
    return platform::XdgSettingsStorePath();
}

std::unique_ptr<SettingsStore> OpenSettingsStore(bool create) {
    const std::string path = SettingsStoreLocation();
    std::error_code ec;
    if (!create && !std::filesystem::exists(path, ec)) return nullptr;
    return std::make_unique<HiveStore>(path, create ? platform::HiveRegistry::Mode::CreateIfMissing
                                                    : platform::HiveRegistry::Mode::ExistingOnly);
}

bool InputIsTerminal() {
    return ::isatty(STDIN_FILENO) == 1;
}

struct NoEcho::Saved {
    termios mode{};
};

NoEcho::NoEcho() {
    termios mode{};
    if (::tcgetattr(STDIN_FILENO, &mode) != 0) return;
    termios quiet = mode;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    if (::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0)
        saved_ = std::make_unique<Saved>(Saved{mode});
}

NoEcho::~NoEcho() {
    if (saved_) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_->mode);
}

}  // namespace quorvel::admin
