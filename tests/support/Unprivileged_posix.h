#pragma once
// File permissions as a cafe's own user account meets them, in tests that run as
// root (CI does; root passes every permission check).
#include <functional>
#include <string>

namespace quorvel::test {

// Runs `work` in a child process that file permissions hold back: as the user nobody
// when this process is root, as this user otherwise; what `work` returns comes back
// as text. The folders on the way to what `work` reads must let that user through
// (a TempDir is 0700: see `OpenToOthers`).
std::string RunUnprivileged(const std::function<std::string()>& work);

// Lets other users through `folder` (search only), as a home folder does.
void OpenToOthers(const std::string& folder);

}  // namespace quorvel::test
