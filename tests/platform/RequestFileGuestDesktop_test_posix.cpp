// The program's side of a fresh guest desktop on a cafe PC: the request file the
// root-owned path unit watches.
#include "platform/posix/RequestFileGuestDesktop.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/TempDir.h"

namespace quorvel::test {
namespace {

namespace fs = std::filesystem;

TEST(RequestFileGuestDesktop, WritesTheWholeRequestWhereThePathUnitLooksOrSaysItCannot) {
    const struct Case {
        const char* what;
        const char* folder;  // below the scratch folder; nullptr: no runtime folder at all
        bool waiting;        // a request not yet taken
        bool made;
    } cases[] = {
        {"the runtime folder", "run", false, true},
        {"a request still waiting", "run", true, true},
        {"a runtime folder that is gone", "gone", false, false},
        {"no runtime folder named", nullptr, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir scratch;
        fs::create_directories(scratch.path() / "run");
        const fs::path request = scratch.path() / "run/guest-reset";
        if (c.waiting) WriteFileBytes(request, "fresh\n");
        platform::RequestFileGuestDesktop desktop(c.folder ? scratch.file(c.folder) : "");

        EXPECT_EQ(desktop.RequestFresh(), c.made);
        if (c.made) EXPECT_EQ(ReadFileBytes(request), "fresh\n");
        // Never half a file for the path unit to find, nor anything else beside it.
        for (const auto& entry : fs::recursive_directory_iterator(scratch.path()))
            if (entry.is_regular_file()) EXPECT_EQ(entry.path(), request);
    }
}

}  // namespace
}  // namespace quorvel::test
