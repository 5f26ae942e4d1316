#include "support/ScratchRegistry_win32.h"

#include <windows.h>

#include <random>

namespace quorvel::test {

namespace {
constexpr const char* kScratchParent = "Software\\QuorvelTest";
}

ScratchKey::ScratchKey() {
    std::random_device rd;
    path_ = std::string(kScratchParent) + "\\" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(rd());
}

ScratchKey::~ScratchKey() {
    RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, path_.c_str());
    // The parent goes with its last scratch key; while another test program still
    // has one below it, this fails and leaves it.
    RegDeleteKeyA(HKEY_CURRENT_USER, kScratchParent);
}

}  // namespace quorvel::test
