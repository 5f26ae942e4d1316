#pragma once
// A corner of the real registry for one test: tests on Windows never touch the
// user's own keys, and never see another test's leftovers.
#include <string>

#include "platform/win32/Win32Registry.h"

namespace quorvel::test {

// Names a fresh key HKEY_CURRENT_USER\Software\QuorvelTest\<unique>, and deletes it
// with everything below it when the test ends.
class ScratchKey {
  public:
    ScratchKey();
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;
    ~ScratchKey();
    // Relative to HKEY_CURRENT_USER.
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// The real registry with a scratch key standing in for HKEY_CURRENT_USER, so code
// that writes "Software\Quorvel\Settings" writes below the scratch key. The key
// goes only after every handle the registry holds is closed.
class ScratchRegistry : private ScratchKey, public platform::Win32Registry {
  public:
    ScratchRegistry() : ScratchKey(), Win32Registry(ScratchKey::path()) {}
    const std::string& scratchPath() const { return ScratchKey::path(); }
};

}  // namespace quorvel::test
