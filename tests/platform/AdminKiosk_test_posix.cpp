// `quorvel-admin kiosk setup` and `undo`, run as root against a scratch system (--root)
// that looks as a Debian 12 PC looks once the package and LightDM are installed: the
// package's own templates and units, the accounts its maintainer scripts make, and
// systemd installed but not running, as in a chroot.
#ifdef QUORVEL_ADMIN
#include <gtest/gtest.h>
#include <unistd.h>

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "PosixProcess.h"
#include "db/Database.h"
#include "support/TempDir.h"

namespace quorvel::test {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

constexpr unsigned kProgramUid = 65534;  // stands for the quorvel account

void WriteUnder(const fs::path& root, const std::string& path, const std::string& bytes) {
    fs::create_directories((root / path).parent_path());
    WriteFileBytes(root / path, bytes);
}

class AdminKiosk : public ::testing::Test {
  protected:
    TempDir scratch;
    fs::path root = scratch.path() / "root";

    void SetUp() override {
        ASSERT_EQ(::geteuid(), 0u) << "kiosk setup makes accounts: the test must run as root";
        const fs::path packaging = QUORVEL_PACKAGING;
        Write("etc/passwd",
              "root:x:0:0:root:/root:/bin/bash\n"
              "quorvel:x:65534:65534:Quorvel (DE) terminal:/var/lib/quorvel:/usr/sbin/nologin\n"
              "quorvel-wm:x:65533:65533:Quorvel (DE) window "
              "manager:/nonexistent:/usr/sbin/nologin\n");
        Write("etc/group", "root:x:0:\nquorvel:x:65534:\nquorvel-wm:x:65533:\n");
        Write("etc/shadow",
              "root:*:20000:0:99999:7:::\nquorvel:*:20000::::::\nquorvel-wm:*:20000::::::\n");
        Write("etc/gshadow", "root:*::\nquorvel:!::\nquorvel-wm:!::\n");
        for (const char* program : {"lib/systemd/systemd", "usr/sbin/lightdm", "usr/bin/openbox",
                                    "usr/bin/firefox-esr", "usr/bin/chromium", "usr/bin/Xephyr"})
            Write(program, "");
        Write("lib/systemd/system/lightdm.service",
              "[Service]\nExecStart=/usr/sbin/lightdm\n[Install]\nAlias=display-manager.service\n");
        for (const char* unit : {"quorvel.service", "quorvel-wm.service"})
            fs::copy_file(packaging / unit, root / "lib/systemd/system" / unit);
        for (const char* unit : {"quorvel-guest-reset.path", "quorvel-guest-reset.service"})
            fs::copy_file(packaging / "kiosk" / unit, root / "lib/systemd/system" / unit);
        fs::create_directories(root / "usr/share/quorvel/kiosk");
        for (const char* file : {"lightdm.conf", "xorg-kiosk.conf", "kiosk.conf"})
            fs::copy_file(packaging / "kiosk" / file, root / "usr/share/quorvel/kiosk" / file);
        // As Debian's LightDM leaves it: the display manager chosen, no conf.d folder.
        Write("etc/X11/default-display-manager", "/usr/sbin/lightdm\n");
        Write("etc/lightdm/lightdm.conf", "[Seat:*]\n#autologin-user=\n");
        // Folders every Debian system has.
        for (const char* folder : {"etc/systemd/system", "home"})
            fs::create_directories(root / folder);
        fs::create_directories(root / "var/lib/quorvel");
        ASSERT_EQ(::chown((root / "var/lib/quorvel").c_str(), kProgramUid, kProgramUid), 0);
        fs::permissions(root / "var/lib/quorvel", fs::perms::owner_all);
    }

    void Write(const std::string& path, const std::string& bytes) { WriteUnder(root, path, bytes); }
    std::string Read(const std::string& path) { return ReadFileBytes(root / path); }

    CommandResult Kiosk(Args args) {
        args.insert(args.begin(), {QUORVEL_ADMIN, "kiosk"});
        args.insert(args.end(), {"--root", root.string()});
        // No terminal: a password that is not given cannot be asked for.
        args.insert(args.begin(), {"sh", "-c", "exec \"$@\" </dev/null", "-"});
        return RunCommand(args, {});
    }
    CommandResult Setup(Args more = {}) {
        Args args = {"setup", "--admin-password", "a-pw", "--guest-password", "g-pw"};
        args.insert(args.end(), more.begin(), more.end());
        return Kiosk(args);
    }

    // Every file and link of the scratch system with its bytes (a link with its
    // target, a folder with its mode). shadow-utils' own backups (passwd- and the
    // like) and lock file are left out: useradd and userdel renew them on every run.
    std::map<std::string, std::string> Tree() {
        std::map<std::string, std::string> tree;
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            const std::string name = fs::relative(entry.path(), root).string();
            if (name.rfind("etc/", 0) == 0 && (name.back() == '-' || name == "etc/.pwd.lock"))
                continue;
            if (entry.is_symlink()) {
                tree[name] = "-> " + fs::read_symlink(entry.path()).string();
            } else if (entry.is_directory()) {
                tree[name] =
                    "folder " +
                    std::to_string(static_cast<int>(fs::status(entry.path()).permissions()));
            } else {
                tree[name] = ReadFileBytes(entry.path());
            }
        }
        return tree;
    }
};

// The paths whose bytes (or kind) differ between two trees.
std::vector<std::string> Differing(const std::map<std::string, std::string>& before,
                                   const std::map<std::string, std::string>& after) {
    std::vector<std::string> paths;
    for (const auto& [path, bytes] : before) {
        const auto found = after.find(path);
        if (found == after.end()) paths.push_back("gone: " + path);
        else if (found->second != bytes) paths.push_back("changed: " + path);
    }
    for (const auto& [path, bytes] : after)
        if (!before.count(path)) paths.push_back("added: " + path);
    return paths;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The [section] the line stands in; "" when the line is not there.
std::string SectionOf(const std::string& ini, const std::string& line) {
    std::istringstream in(ini);
    std::string section;
    for (std::string text; std::getline(in, text);) {
        if (!text.empty() && text.front() == '[') section = text;
        if (text == line) return section;
    }
    return "";
}

TEST_F(AdminKiosk, AFreshSetUpWritesEveryFileAndASecondRunChangesNothing) {
    const auto first = Setup();
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_TRUE(Contains(first.out, "Reboot")) << first.out;
    // Firefox takes the guest's keys as they are: nothing to warn of.
    EXPECT_EQ(first.err, "");

    // LightDM's folder for extra files did not exist: it was made.
    const std::string lightdm = Read("etc/lightdm/lightdm.conf.d/50-quorvel.conf");
    // LightDM reads each option in one section only and ignores it elsewhere: the
    // X authority file's place is a daemon-wide option, autologin a seat's.
    EXPECT_EQ(SectionOf(lightdm, "user-authority-in-system-dir=true"), "[LightDM]") << lightdm;
    EXPECT_EQ(SectionOf(lightdm, "autologin-user=kiosk"), "[Seat:*]") << lightdm;
    EXPECT_EQ(SectionOf(lightdm, "autologin-session=quorvel-guest"), "[Seat:*]") << lightdm;
    EXPECT_EQ(SectionOf(lightdm, "session-wrapper=/usr/libexec/quorvel/session-wrapper"),
              "[Seat:*]")
        << lightdm;
    EXPECT_EQ(Read("etc/X11/xorg.conf.d/50-quorvel-kiosk.conf"),
              ReadFileBytes(fs::path(QUORVEL_PACKAGING) / "kiosk/xorg-kiosk.conf"));
    EXPECT_EQ(Read("etc/lightdm/lightdm.conf"), "[Seat:*]\n#autologin-user=\n");
    EXPECT_FALSE(fs::exists(root / "etc/quorvel/kiosk.conf"));

    // The guest's desktop account, with a home of its own.
    EXPECT_TRUE(Contains(Read("etc/passwd"), "\nkiosk:x:")) << Read("etc/passwd");
    EXPECT_TRUE(fs::is_directory(root / "home/kiosk"));

    // The services start at boot, and LightDM is the display manager.
    for (const char* unit : {"quorvel.service", "quorvel-wm.service"})
        EXPECT_TRUE(fs::is_symlink(root / "etc/systemd/system/graphical.target.wants" / unit))
            << unit;
    EXPECT_EQ(fs::read_symlink(root / "etc/systemd/system/display-manager.service").filename(),
              "lightdm.service");
    // The program's requests for a fresh guest desktop are watched from boot on.
    EXPECT_TRUE(fs::is_symlink(
        root / "etc/systemd/system/multi-user.target.wants/quorvel-guest-reset.path"));

    // The program's data file, the account's own, opens with the given password.
    const fs::path data = root / "var/lib/quorvel/.local/share/Quorvel/Data/QuorvelData.mdb";
    struct stat info {};
    ASSERT_EQ(::stat(data.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, kProgramUid);
    EXPECT_EQ(info.st_mode & 077, 0u);
    std::string error;
    auto file = db::Database::Open(data.string(), db::kDataFilePassword, error);
    ASSERT_TRUE(file) << error;
    const auto admin = db::FindLogin(*file, "admin");
    ASSERT_TRUE(admin);
    EXPECT_EQ(admin->password, "a-pw");

    const auto before = Tree();
    const auto second = Setup({"--admin-password", "other"});
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(second.out, "Nothing to change: this PC is set up as a terminal already.\n");
    EXPECT_EQ(Differing(before, Tree()), std::vector<std::string>{});
}

TEST_F(AdminKiosk, UndoPutsBackEveryFileByteForByteAndRemovesWhatItAdded) {
    // The owner's own accounts file, naming another guest account; the set-up replaces
    // it to name another session, and keeps a copy.
    const std::string ownerConf =
        "# mine\nQUORVEL_ACCOUNT=quorvel\nQUORVEL_WM_ACCOUNT=quorvel-wm\n"
        "QUORVEL_GUEST_ACCOUNT=cafe\n";
    Write("etc/quorvel/kiosk.conf", ownerConf);
    Write("etc/X11/xorg.conf.d/50-quorvel-kiosk.conf", "# an older copy\n");
    const auto original = Tree();

    const Args session = {"--session", "chromium --kiosk http://example.org/"};
    const auto setup = Setup(session);
    ASSERT_EQ(setup.status, 0) << setup.err;
    // Set up as asked; Chromium reads the guest's keys right only on a display of the
    // guest's own, which the owner is told the desktop now gets.
    EXPECT_TRUE(Contains(setup.err, "note: the guest's session runs Chromium")) << setup.err;
    EXPECT_TRUE(
        Contains(Read("etc/lightdm/lightdm.conf.d/50-quorvel.conf"), "autologin-user=cafe\n"));
    EXPECT_TRUE(Contains(Read("etc/passwd"), "\ncafe:x:"));
    EXPECT_EQ(Read("etc/quorvel/kiosk.conf"),
              ownerConf +
                  "QUORVEL_GUEST_SESSION=\"chromium --kiosk http://example.org/\"\n"
                  "QUORVEL_GUEST_DISPLAY=\":1\"\n");

    const auto undo = Kiosk({"undo"});
    ASSERT_EQ(undo.status, 0) << undo.err;
    auto after = Tree();
    // Only the program's data stays: it holds the takings.
    for (auto it = after.begin(); it != after.end();)
        it = it->first.rfind("var/lib/quorvel/", 0) == 0 ? after.erase(it) : std::next(it);
    EXPECT_EQ(Differing(original, after), std::vector<std::string>{});
    EXPECT_TRUE(fs::exists(root / "var/lib/quorvel/.local/share/Quorvel/Data/QuorvelData.mdb"));

    const auto again = Kiosk({"undo"});
    EXPECT_EQ(again.status, 0);
    EXPECT_TRUE(Contains(again.out, "Nothing to undo")) << again.out;

    // Set up once more: the data file survived the undo and is not made again, the
    // accounts are.
    const auto redone = Setup(session);
    ASSERT_EQ(redone.status, 0) << redone.err;
    EXPECT_FALSE(Contains(redone.out, "Provisioned")) << redone.out;
    EXPECT_TRUE(Contains(redone.out, "account cafe")) << redone.out;
    EXPECT_TRUE(fs::exists(root / "etc/lightdm/lightdm.conf.d/50-quorvel.conf"));
}

// The guest's home as the owner left it becomes the template, root's alone, so the reset
// trusts it; a link in it stays the link it was, never the file it points to.
TEST_F(AdminKiosk, SaveTemplateCopiesTheGuestsHomeAsRootsWithLinksAsLinks) {
    ASSERT_EQ(Setup().status, 0);
    const fs::path home = root / "home/kiosk";
    const auto file = [&](const char* name, const char* bytes, fs::perms mode) {
        WriteFileBytes(home / name, bytes);
        fs::permissions(home / name, mode);
        ASSERT_EQ(::chown((home / name).c_str(), 1000, 1000), 0);
    };
    using fs::perms;
    fs::create_directories(home / ".config/app");
    fs::permissions(home / ".config", perms::owner_all | perms::group_all);
    file(".config/app/settings", "bookmarks", perms::owner_read | perms::owner_write |
                                                  perms::group_read | perms::group_write);
    file("start.sh", "#!/bin/sh\n", perms::owner_all | perms::group_all);
    fs::create_symlink("/etc/shadow", home / "secrets");
    fs::create_symlink("..", home / "up");
    ASSERT_EQ(::mkfifo((home / "pipe").c_str(), 0600), 0);

    const auto saved = Kiosk({"save-template"});
    ASSERT_EQ(saved.status, 0) << saved.err;
    const fs::path tmpl = root / "var/lib/quorvel-kiosk/template";
    struct Expected {
        const char* path;
        const char* kind;  // "folder", "file", "link"
        int mode;          // for folders and files
        const char* content;  // a file's bytes, a link's target
    };
    const Expected expected[] = {
        {"", "folder", 0755, ""},
        {".config", "folder", 0755, ""},
        {".config/app/settings", "file", 0644, "bookmarks"},
        {"start.sh", "file", 0755, "#!/bin/sh\n"},
        {"secrets", "link", 0, "/etc/shadow"},
        {"up", "link", 0, ".."},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.path);
        const fs::path path = tmpl / e.path;
        struct stat info {};
        ASSERT_EQ(::lstat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, 0u);
        EXPECT_EQ(info.st_gid, 0u);
        if (std::string(e.kind) == "link") {
            ASSERT_TRUE(S_ISLNK(info.st_mode));
            EXPECT_EQ(fs::read_symlink(path).string(), e.content);
            continue;
        }
        EXPECT_EQ(S_ISDIR(info.st_mode), std::string(e.kind) == "folder");
        EXPECT_EQ(info.st_mode & 07777, static_cast<unsigned>(e.mode));
        if (std::string(e.kind) == "file") {
            EXPECT_EQ(ReadFileBytes(path), e.content);
        }
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(tmpl / "pipe")));

    // Saved again, it is the home as it is then: what went from the home goes from it.
    fs::remove(home / "start.sh");
    ASSERT_EQ(Kiosk({"save-template"}).status, 0);
    EXPECT_FALSE(fs::exists(tmpl / "start.sh"));
    EXPECT_TRUE(fs::exists(tmpl / ".config/app/settings"));
    EXPECT_FALSE(fs::exists(root / "var/lib/quorvel-kiosk/template.new"));
    // The template is the owner's work, not the set-up's: undo leaves it.
    ASSERT_EQ(Kiosk({"undo"}).status, 0);
    EXPECT_TRUE(fs::exists(tmpl / ".config/app/settings"));
}

// A system the set-up cannot work on, or arguments it cannot use: refused with the
// reason, and nothing changed.
struct Refusal {
    const char* name;
    std::function<void(const fs::path& root)> arrange;
    Args args;
    int status;
    const char* says;
};

class AdminKioskRefuses : public AdminKiosk, public ::testing::WithParamInterface<Refusal> {};

TEST_P(AdminKioskRefuses, SaysWhyAndChangesNothing) {
    const Refusal& c = GetParam();
    if (c.arrange) c.arrange(root);
    const auto before = Tree();
    Args args = {"setup"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const auto result = Kiosk(args);
    EXPECT_EQ(result.status, c.status) << result.err;
    EXPECT_TRUE(Contains(result.err, c.says)) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(Differing(before, Tree()), std::vector<std::string>{});
}

std::function<void(const fs::path&)> Removed(const char* path) {
    return [path](const fs::path& root) { fs::remove_all(root / path); };
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AdminKioskRefuses,
    ::testing::Values(
        Refusal{"NoSystemd", Removed("lib/systemd/systemd"), {}, 1, "systemd is not installed"},
        Refusal{"AnotherManagerChosen",
                [](const fs::path& root) {
                    WriteUnder(root, "etc/X11/default-display-manager", "/usr/sbin/gdm3\n");
                },
                {},
                1,
                "/usr/sbin/gdm3"},
        Refusal{"AnotherManagerEnabled",
                [](const fs::path& root) {
                    fs::create_symlink("/lib/systemd/system/gdm.service",
                                       root / "etc/systemd/system/display-manager.service");
                },
                {},
                1,
                "gdm.service"},
        Refusal{"NoLightDm", Removed("usr/sbin/lightdm"), {}, 1, "LightDM is not installed"},
        Refusal{"NoPackage", Removed("usr/share/quorvel"), {}, 1, "package is not installed"},
        Refusal{"NoBrowser", Removed("usr/bin/firefox-esr"), {}, 1, "'firefox-esr'"},
        Refusal{"NoNestedDisplayForChromium",
                Removed("usr/bin/Xephyr"),
                {"--session", "chromium"},
                1,
                "Xephyr, which makes it, is not installed"},
        // The files cannot hold such a command.
        Refusal{
            "UnquotableSession", nullptr, {"--session", "sh -c \"$HOME/x\""}, 2, "session command"},
        // A password not given cannot be asked for without a terminal.
        Refusal{"NoTerminalToAskOn", nullptr, {"--admin-password", "a-pw"}, 1, "no terminal"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorvel::test
#endif
