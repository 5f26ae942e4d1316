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
    // `lookError`: why the store's folder could not be looked into, if it could not.
    HiveStore(const std::string& path, platform::HiveRegistry::Mode mode, std::string lookError)
        : hive_(path, mode), lookError_(std::move(lookError)) {}
    platform::Registry& registry() override { return hive_; }
    bool usable() const override { return lookError_.empty() && hive_.ok(); }
    std::string error() const override { return lookError_.empty() ? hive_.error() : lookError_; }

  private:
    platform::HiveRegistry hive_;
    std::string lookError_;
};

}  // namespace

bool FoldersKnown(std::string& why) {
    return platform::XdgPathsKnown(why);
}

std::string ProgramFolder() {
    return platform::XdgProgramFolder();
}

std::string SettingsStoreLocation() {
    return platform::XdgSettingsStorePath();
}

std::unique_ptr<SettingsStore> OpenSettingsStore(bool create) {
    const std::string path = SettingsStoreLocation();
    std::error_code ec;
    const bool present = std::filesystem::exists(path, ec);
    if (!ec && !create && !present) return nullptr;
    return std::make_unique<HiveStore>(path,
                                       create && !ec ? platform::HiveRegistry::Mode::CreateIfMissing
                                                     : platform::HiveRegistry::Mode::ExistingOnly,
                                       ec ? ec.message() : std::string());
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
