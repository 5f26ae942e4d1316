#include "platform/posix/RequestFileGuestDesktop.h"

#include <iostream>

#include "storage/FileOps.h"

namespace quorvel::platform {

RequestFileGuestDesktop::RequestFileGuestDesktop(std::string runtimeFolder)
    : path_(runtimeFolder.empty() ? std::string{}
                                  : std::move(runtimeFolder) + "/" + kGuestResetRequestName) {}

bool RequestFileGuestDesktop::RequestFresh() {
    std::string error = "no runtime folder (XDG_RUNTIME_DIR) to write the request in";
    if (!path_.empty() && storage::ReplaceFileContents(path_, "fresh\n", error)) return true;
    // The lock stays up either way; the owner finds the reason in the service's journal.
    std::cerr << "quorvel: cannot ask for a fresh guest desktop: " << error << std::endl;
    return false;
}

}  // namespace quorvel::platform
