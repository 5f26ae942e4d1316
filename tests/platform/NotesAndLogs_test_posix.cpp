// The notes file and the session log as the Notes and Session Logs tabs read and write
// them: nothing lost, nothing made up.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "panel/NotesAndLogs.h"
#include "support/TempDir.h"

namespace quorvel::test {
namespace {

class NotesFile : public ::testing::Test {
  protected:
    void SetUp() override { std::filesystem::create_directory(dir.path() / "Systemfiles"); }
    std::string Path() const { return panel::NotesPath(dir.path().string()); }

    TempDir dir;
};

TEST_F(NotesFile, SavedTextReadsBackByteForByte) {
    // None saved yet: nothing to show, and no file made by looking.
    EXPECT_EQ(panel::ReadNotes(Path()), "");
    EXPECT_FALSE(std::filesystem::exists(Path()));
    for (const std::string& text :
         {std::string("A"), std::string("A\nB"), std::string("line\r\nbreaks kept\r\n"),
          std::string(), std::string("Caf\xC3\xA9 \xE2\x82\xAC 5 \xE2\x80\x94 \xE6\x97\xA5"),
          std::string("\x00\xFF\xFE not text", 13), std::string(3 << 20, 'x')}) {
        EXPECT_EQ(panel::SaveNotes(Path(), text), std::nullopt);
        EXPECT_EQ(panel::ReadNotes(Path()), text) << text.size() << " bytes";
        EXPECT_FALSE(std::filesystem::exists(Path() + ".new"));
    }
}

// A save the system cuts short (here: the file-size limit, as a full disk would) fails
// aloud and leaves the old notes whole.
TEST_F(NotesFile, ASaveCutShortLeavesTheOldNotesWhole) {
    const std::string old = "float 500, change at noon\n";
    ASSERT_EQ(panel::SaveNotes(Path(), old), std::nullopt);
    const pid_t child = fork();
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        const auto failed = panel::SaveNotes(Path(), std::string(1 << 20, 'n'));
        _exit(failed && failed->find("not saved") != std::string::npos ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed save was not reported";
    EXPECT_EQ(panel::ReadNotes(Path()), old);
    EXPECT_FALSE(std::filesystem::exists(Path() + ".new"));
}

TEST_F(NotesFile, ASaveThatCannotBeMadeSaysWhyAndChangesNothing) {
    ASSERT_EQ(panel::SaveNotes(Path(), "old"), std::nullopt);
    // Something in the way of the new file (as root, rights would not stop it).
    std::filesystem::create_directory(Path() + ".new");
    const auto blocked = panel::SaveNotes(Path(), "new");
    ASSERT_TRUE(blocked);
    EXPECT_NE(blocked->find("not saved"), std::string::npos) << *blocked;
    EXPECT_EQ(panel::ReadNotes(Path()), "old");
    std::filesystem::remove(Path() + ".new");

    // No Systemfiles folder: it is not made, and the owner is told.
    std::filesystem::remove_all(dir.path() / "Systemfiles");
    const auto missing = panel::SaveNotes(Path(), "new");
    ASSERT_TRUE(missing);
    EXPECT_NE(missing->find("Systemfiles"), std::string::npos) << *missing;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Systemfiles"));
}

TEST(SessionLogFile, BlankOrMissingShowsNoLogsFound) {
    TempDir dir;
    const std::string path = dir.file("ScanregLog.log");
    struct Case {
        const char* what;
        std::optional<std::string> content;  // nullopt: no file
        std::string shown;
    };
    const std::string line = "\r\nguest|12/5/2026 | 10:00:00 AM | 0 : 45 : 12 | 10:45:12 AM | 20";
    for (const Case& c :
         {Case{"missing", std::nullopt, "No Logs Found"}, Case{"empty", "", "No Logs Found"},
          Case{"blanks and line breaks", "  \r\n\r\n \t\n", "No Logs Found"},
          Case{"one session", line, line},
          Case{"a session cut off", "\r\nguest|12/5/2026 | 10:00:00 AM | ",
               "\r\nguest|12/5/2026 | 10:00:00 AM | "}}) {
        std::filesystem::remove(path);
        if (c.content) WriteFileBytes(path, *c.content);
        EXPECT_EQ(panel::ReadSessionLog(path), c.shown) << c.what;
        // A missing log is created, empty; an existing one is left as it was.
        EXPECT_EQ(ReadFileBytes(path), c.content.value_or("")) << c.what;
        EXPECT_TRUE(std::filesystem::exists(path)) << c.what;
    }
    // A system directory that is not there: nothing to show, nothing made.
    EXPECT_EQ(panel::ReadSessionLog(dir.file("gone/ScanregLog.log")), "No Logs Found");
    EXPECT_FALSE(std::filesystem::exists(dir.file("gone")));
}

}  // namespace
}  // namespace quorvel::test
