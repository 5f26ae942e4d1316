#pragma once
// A fresh guest desktop on a cafe PC, asked for with a file. The program's runtime
// folder (/run/quorvel) is its account's alone (mode 0700), so only this program can
// put the request there; a root-owned path unit (quorvel-guest-reset.path) watches for
// it and starts the reset. No other right is granted to the program's account.
#include <string>

#include "platform/GuestDesktop.h"

namespace quorvel::platform {

// The request file's name in the program's runtime folder; the path unit watches it.
inline constexpr const char* kGuestResetRequestName = "guest-reset";

class RequestFileGuestDesktop final : public GuestDesktop {
  public:
    // `runtimeFolder`: the folder the request is written in ($XDG_RUNTIME_DIR).
    explicit RequestFileGuestDesktop(std::string runtimeFolder);
    // Writes the request whole (a new file renamed into place): the path unit never
    // sees a half-written one. A request already waiting is simply made again.
    bool RequestFresh() override;

  private:
    std::string path_;
};

}  // namespace quorvel::platform
