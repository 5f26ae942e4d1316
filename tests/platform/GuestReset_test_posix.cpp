// The fresh guest desktop's root side (packaging/kiosk/guest-reset), the real script run
// as root against a scratch system: its own password file, homes, template and shared
// folders below QUORVEL_RESET_ROOT, with systemctl and loginctl replaced by doubles on
// PATH that write down how they were called. A guest's process is a real process of a
// uid nobody else on this machine uses. Where an account is to be refused, pkill and ps
// are doubles too: a script that failed to refuse root must not end this machine's
// processes.
#ifdef QUORVEL_PACKAGING
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include "PosixProcess.h"
#include "os/UniqueFd.h"
#include "support/Poll.h"
#include "support/TempDir.h"

namespace quorvel::test {
namespace {

namespace fs = std::filesystem;

// A uid no account of this machine has, so the real pkill in the script meets only the
// test's own process.
unsigned ScratchUid() {
    return 40000 + static_cast<unsigned>(::getpid()) % 20000;
}

class GuestReset : public ::testing::Test {
  protected:
    TempDir scratch;
    fs::path root = scratch.path() / "root";
    fs::path calls = scratch.path() / "calls";
    unsigned uid = ScratchUid();

    void SetUp() override {
        ASSERT_EQ(::geteuid(), 0u) << "the reset runs as root, and so does its test";
        Doubles("bin", {"systemctl", "loginctl"});
        Account("kiosk", uid, "/home/kiosk");
        Write("etc/quorvel/kiosk.conf", "QUORVEL_GUEST_ACCOUNT=kiosk\n");
        Write("etc/skel/.bashrc", "# skel\n");
        // What the last guest left.
        GuestFile("home/kiosk/.mozilla/cookies.sqlite");
        GuestFile("home/kiosk/Downloads/file.pdf");
        GuestFile("tmp/guest-file");
        GuestFile("var/tmp/guest-folder/inner");
        GuestFile("dev/shm/guest-shm");
        Write("tmp/roots-file", "stays");
        Write("var/spool/cron/crontabs/kiosk", "* * * * * evil\n");
        Write("run/quorvel/guest-reset", "fresh\n");
    }

    // Tools that only write down how they were called, in scratch/FOLDER.
    void Doubles(const char* folder, std::initializer_list<const char*> tools) {
        fs::create_directories(scratch.path() / folder);
        for (const char* tool : tools) {
            const fs::path path = scratch.path() / folder / tool;
            WriteFileBytes(path, std::string("#!/bin/sh\necho \"") + tool + " $*\" >>'" +
                                     calls.string() + "'\n");
            fs::permissions(path, fs::perms::owner_all);
        }
    }
    void Write(const std::string& path, const std::string& bytes) {
        fs::create_directories((root / path).parent_path());
        WriteFileBytes(root / path, bytes);
    }
    void GuestFile(const std::string& path) {
        Write(path, "the last guest's");
        for (fs::path p = root / path; p != root && p != root / "tmp" && p != root / "var/tmp" &&
                                       p != root / "dev/shm" && p != root / "home";
             p = p.parent_path())
            ASSERT_EQ(::lchown(p.c_str(), uid, uid), 0);
    }
    void Account(const std::string& name, unsigned id, const std::string& home) {
        Write("etc/passwd", "root:x:0:0:root:/root:/bin/bash\n" + name + ":x:" +
                                std::to_string(id) + ":" + std::to_string(id) + "::" + home +
                                ":/bin/bash\n");
    }
    CommandResult Reset(bool endsNothing = false) {
        const char* path = std::getenv("PATH");
        std::string search = (scratch.path() / "bin").string() + ":" + (path ? path : "");
        if (endsNothing) {
            Doubles("harmless", {"pkill", "ps"});
            search = (scratch.path() / "harmless").string() + ":" + search;
        }
        return RunCommand({QUORVEL_PACKAGING "/kiosk/guest-reset"},
                          {{"QUORVEL_RESET_ROOT", root.string()}, {"PATH", search}});
    }
    std::string Calls() { return ReadFileBytes(calls); }
    // The names in a folder, sorted.
    std::set<std::string> Names(const fs::path& folder) {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        return names;
    }
};

const char* const kStopped =
    "systemctl stop lightdm\n"
    "loginctl terminate-user ";

// The owner's template as the reset finds it: its home is made from it only when it is
// root's alone, else from the system's skeleton.
struct Template {
    const char* name;
    std::function<void(const fs::path& tmpl, unsigned uid)> arrange;
    std::set<std::string> home;
};

void GoodTemplate(const fs::path& tmpl, unsigned) {
    fs::create_directories(tmpl / ".config");
    WriteFileBytes(tmpl / ".config/bookmarks", "cafe's pages");
    fs::create_symlink(".config/bookmarks", tmpl / "bookmarks");
    fs::permissions(tmpl, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
}

class GuestResetHome : public GuestReset, public ::testing::WithParamInterface<Template> {};

TEST_P(GuestResetHome, IsMadeAfreshAndTheGuestsFilesElsewhereGo) {
    const fs::path tmpl = root / "var/lib/quorvel-kiosk/template";
    fs::create_directories(tmpl.parent_path());
    if (GetParam().arrange) GetParam().arrange(tmpl, uid);

    const auto result = Reset();
    EXPECT_EQ(result.status, 0) << result.out << result.err;
    EXPECT_EQ(Calls(), kStopped + std::to_string(uid) + "\nsystemctl start lightdm\n");
    EXPECT_FALSE(fs::exists(root / "run/quorvel/guest-reset"));

    const fs::path home = root / "home/kiosk";
    EXPECT_EQ(Names(home), GetParam().home);
    for (const auto& entry : fs::recursive_directory_iterator(home)) {
        struct stat info {};
        ASSERT_EQ(::lstat(entry.path().c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, uid) << entry.path();
    }
    struct stat info {};
    ASSERT_EQ(::lstat(home.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_EQ((std::array{info.st_uid, info.st_gid}), (std::array{uid, uid}));
    // Nothing of the reset's own is left beside the home.
    EXPECT_EQ(Names(root / "home"), std::set<std::string>{"kiosk"});

    // The guest's files elsewhere went; nobody else's did.
    EXPECT_EQ(Names(root / "tmp"), std::set<std::string>{"roots-file"});
    EXPECT_TRUE(fs::is_empty(root / "var/tmp"));
    EXPECT_TRUE(fs::is_empty(root / "dev/shm"));
    EXPECT_FALSE(fs::exists(root / "var/spool/cron/crontabs/kiosk"));
    // The template is read, never changed.
    if (fs::exists(tmpl / ".config/bookmarks")) {
        EXPECT_EQ(ReadFileBytes(tmpl / ".config/bookmarks"), "cafe's pages");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Templates, GuestResetHome,
    ::testing::Values(
        Template{"NoneTheSkeleton", nullptr, {".bashrc"}},
        Template{"TheOwners", GoodTemplate, {".config", "bookmarks"}},
        Template{"ALink",
                 [](const fs::path& tmpl, unsigned u) {
                     GoodTemplate(tmpl.parent_path() / "elsewhere", u);
                     fs::create_symlink("elsewhere", tmpl);
                 },
                 {".bashrc"}},
        Template{"AnotherAccountsOwn",
                 [](const fs::path& tmpl, unsigned u) {
                     GoodTemplate(tmpl, u);
                     ASSERT_EQ(::chown(tmpl.c_str(), u, u), 0);
                 },
                 {".bashrc"}},
        Template{"GroupWritable",
                 [](const fs::path& tmpl, unsigned u) {
                     GoodTemplate(tmpl, u);
                     fs::permissions(tmpl, fs::perms::group_write, fs::perm_options::add);
                 },
                 {".bashrc"}},
        Template{"AFileOthersMayWrite",
                 [](const fs::path& tmpl, unsigned u) {
                     GoodTemplate(tmpl, u);
                     fs::permissions(tmpl / ".config/bookmarks", fs::perms::others_write,
                                     fs::perm_options::add);
                 },
                 {".bashrc"}}),
    [](const auto& info) { return std::string(info.param.name); });

// An account that is no guest's is refused, and nothing is touched.
constexpr unsigned kScratch = ~0u;  // the test's own uid, no account of this machine's

struct NoGuest {
    const char* name;
    std::string account;
    unsigned id;
    std::string home;
};

class GuestResetRefuses : public GuestReset, public ::testing::WithParamInterface<NoGuest> {};

TEST_P(GuestResetRefuses, TheAccountAndTouchesNothing) {
    const NoGuest& c = GetParam();
    Account(c.account, c.id == kScratch ? uid : c.id, c.home);
    if (c.home == "/home/guest") fs::create_symlink("/etc", root / "home/guest");

    const auto result = Reset(/*endsNothing=*/true);
    EXPECT_NE(result.status, 0);
    EXPECT_NE(result.err.find("refused"), std::string::npos) << result.err;
    // LightDM never stopped, no process ended, no file touched.
    EXPECT_EQ(Calls(), "");
    EXPECT_EQ(ReadFileBytes(root / "home/kiosk/Downloads/file.pdf"), "the last guest's");
    EXPECT_TRUE(fs::exists(root / "tmp/guest-file"));
    EXPECT_TRUE(fs::is_directory(fs::symlink_status(root / "etc")));
    // The request was taken all the same: it is not served again and again.
    EXPECT_FALSE(fs::exists(root / "run/quorvel/guest-reset"));
}

INSTANTIATE_TEST_SUITE_P(
    Accounts, GuestResetRefuses,
    ::testing::Values(NoGuest{"Root", "kiosk", 0, "/home/kiosk"},
                      NoGuest{"ASystemAccount", "kiosk", 999, "/home/kiosk"},
                      NoGuest{"Nobody", "kiosk", 65534, "/home/kiosk"},
                      NoGuest{"AHomeOutsideHome", "kiosk", kScratch, "/var/lib/kiosk"},
                      NoGuest{"AHomeBelowAnother", "kiosk", kScratch, "/home/kiosk/inner"},
                      NoGuest{"HomeItself", "kiosk", kScratch, "/home/"},
                      // made a link to /etc by the test
                      NoGuest{"AHomeThatIsALink", "kiosk", kScratch, "/home/guest"},
                      NoGuest{"NoSuchAccount", "someone", kScratch, "/home/kiosk"}),
    [](const auto& info) { return std::string(info.param.name); });

// A program that ignores the polite signals, and one that has forked, still end.
TEST_F(GuestReset, EndsEveryProcessOfTheGuestEvenOneIgnoringTermAndHangUp) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    os::UniqueFd readEnd(ends[0]), writeEnd(ends[1]);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        readEnd.Reset();
        if (::setgid(uid) != 0 || ::setuid(uid) != 0) ::_exit(3);
        ::signal(SIGTERM, SIG_IGN);
        ::signal(SIGHUP, SIG_IGN);
        const pid_t grandchild = ::fork();  // it too ignores them
        if (grandchild < 0) ::_exit(4);
        if (grandchild > 0 && ::write(writeEnd.get(), "1", 1) != 1) ::_exit(5);
        for (;;) ::pause();
    }
    writeEnd.Reset();
    char byte = 0;
    ASSERT_EQ(::read(readEnd.get(), &byte, 1), 1);

    const auto result = Reset();
    EXPECT_EQ(result.status, 0) << result.out << result.err;
    int status = 0;
    if (!PollUntil([&] { return ::waitpid(child, &status, WNOHANG) == child; })) {
        // Not ended by the reset: end it here, so the failure does not outlive the test.
        RunCommand({"pkill", "-KILL", "-u", std::to_string(uid)}, {});
        ::waitpid(child, &status, 0);
        FAIL() << "the guest's process outlived the reset";
    }
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
    // The grandchild, reparented away from us, is gone too: no process of the uid is left
    // that is not a zombie.
    const auto left = RunCommand({"sh", "-c", "ps -o stat= -u " + std::to_string(uid) +
                                                  " | grep -v '^Z' || true"},
                                 {});
    EXPECT_EQ(left.out, "");
}

}  // namespace
}  // namespace quorvel::test
#endif
