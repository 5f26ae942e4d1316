// `quorvel-admin kiosk setup` and `kiosk undo`: a Debian PC with the package installed
// becomes a cafe terminal in one command, and goes back to what it was in another.
// `kiosk save-template` keeps the guest's home as it is now as what every guest starts
// from (the reset, packaging/kiosk/guest-reset, puts it back after each one).
//
// The set-up provisions the program's account, makes the guest's desktop account,
// installs LightDM's and the X server's files from the package's templates and enables
// the services. Every change is written down first in a record under
// /var/lib/quorvel-kiosk (only root's), with a copy of every file it replaces, so that
// `undo` can put each one back byte for byte, remove what was added, and a set-up cut
// short half-way can still be undone. The program's data file is never removed: it
// holds the takings.
//
// Nothing here needs systemd or LightDM to run: services are enabled the way
// `systemctl enable` does it offline, so the set-up works in a chroot of a fresh
// image. `--root DIR` works on the system below DIR, as dpkg's --root does.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <system_error>

#include "Commands.h"
#include "Host.h"
#include "db/Database.h"
#include "storage/FileOps.h"

namespace quorvel::admin {

namespace {

namespace fs = std::filesystem;

constexpr const char* kTemplates = "/usr/share/quorvel/kiosk";
constexpr const char* kOwnerConf = "/etc/quorvel/kiosk.conf";
constexpr const char* kLightdmFile = "/etc/lightdm/lightdm.conf.d/50-quorvel.conf";
constexpr const char* kXorgFile = "/etc/X11/xorg.conf.d/50-quorvel-kiosk.conf";
constexpr const char* kRecordFolder = "/var/lib/quorvel-kiosk";
// What every guest's home starts as; read by the reset only while it is root's alone.
constexpr const char* kTemplate = "/var/lib/quorvel-kiosk/template";
// Enabled in this order; undo disables in the other.
constexpr const char* kUnits[] = {"lightdm.service", "quorvel-wm.service", "quorvel.service",
                                  "quorvel-guest-reset.path"};

void Usage(std::ostream& err) {
    err << "usage: quorvel-admin kiosk setup [--admin-password P] [--guest-password P]"
           " [--session CMD] [--root DIR]\n"
           "       quorvel-admin kiosk undo [--root DIR]\n"
           "       quorvel-admin kiosk save-template [--root DIR]\n";
}

std::optional<std::string> ReadFile(const fs::path& path) {
    return storage::ReadWholeFile(storage::TextOf(path));
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The value of NAME=VALUE in a shell-style file, without the quotes around it.
std::string ValueIn(const std::string& text, const std::string& name) {
    std::string value;
    for (const auto& line : Lines(text)) {
        if (line.rfind(name + "=", 0) != 0) continue;
        value = line.substr(name.size() + 1);
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
    }
    return value;
}

// `text` with the line starting with `key` replaced by `line` (or `line` added at the
// end when there is none).
std::string WithLine(const std::string& text, const std::string& key, const std::string& line) {
    std::string result;
    bool replaced = false;
    for (const auto& old : Lines(text)) {
        if (old.rfind(key, 0) == 0) {
            if (!replaced) result += line + "\n";
            replaced = true;
        } else {
            result += old + "\n";
        }
    }
    if (!replaced) result += line + "\n";
    return result;
}

struct Account {
    unsigned uid = 0, gid = 0;
    std::string home;
};

// The system being set up: the machine itself, or the one below --root.
class System {
  public:
    explicit System(fs::path root) : root_(std::move(root)) {}

    bool isMachine() const { return root_ == "/"; }
    // Where a path of the system is from here.
    fs::path operator()(const std::string& absolute) const {
        return isMachine() ? fs::path(absolute) : root_ / fs::path(absolute).relative_path();
    }
    // The account from the system's own password file.
    std::optional<Account> account(const std::string& name) const {
        const auto passwd = ReadFile((*this)("/etc/passwd"));
        if (!passwd) return std::nullopt;
        for (const auto& line : Lines(*passwd)) {
            std::vector<std::string> fields;
            std::istringstream in(line);
            for (std::string field; std::getline(in, field, ':');) fields.push_back(field);
            if (fields.size() < 6 || fields[0] != name) continue;
            try {
                return Account{static_cast<unsigned>(std::stoul(fields[2])),
                               static_cast<unsigned>(std::stoul(fields[3])), fields[5]};
            } catch (const std::exception&) {
                return std::nullopt;
            }
        }
        return std::nullopt;
    }
    bool group(const std::string& name) const {
        for (const auto& line : Lines(read("/etc/group")))
            if (line.rfind(name + ":", 0) == 0) return true;
        return false;
    }
    // A tool of the system's own (useradd, systemctl), pointed at it.
    int run(std::vector<std::string> argv, std::string& output) const {
        if (!isMachine()) argv.insert(argv.begin() + 1, "--root=" + root_.string());
        return RunProgram(argv, output);
    }
    bool exists(const std::string& absolute) const {
        std::error_code ec;
        return fs::exists((*this)(absolute), ec);
    }
    std::string read(const std::string& absolute) const {
        return ReadFile((*this)(absolute)).value_or("");
    }

  private:
    fs::path root_;
};

// The set-up's record: one change a line, "KIND PATH-OR-NAME", oldest first, and the
// originals of the files it replaced under originals/.
class Record {
  public:
    explicit Record(const System& system)
        : folder_(system(kRecordFolder)), file_(folder_ / "record") {
        if (const auto text = ReadFile(file_)) {
            for (const auto& line : Lines(*text)) {
                const auto space = line.find(' ');
                if (space != std::string::npos)
                    entries_.push_back({line.substr(0, space), line.substr(space + 1)});
            }
        }
    }
    struct Entry {
        std::string kind, what;
    };
    const std::vector<Entry>& entries() const { return entries_; }
    bool has(const std::string& kind, const std::string& what) const {
        return std::any_of(entries_.begin(), entries_.end(),
                           [&](const Entry& e) { return e.kind == kind && e.what == what; });
    }
    fs::path original(const std::string& absolute) const {
        return folder_ / "originals" / fs::path(absolute).relative_path();
    }
    // Writes the change down before it is made.
    bool add(const std::string& kind, const std::string& what, std::string& error) {
        entries_.push_back({kind, what});
        return save(error);
    }
    // Keeps only `left` (the changes undo could not take back), or removes the record
    // when nothing is left. The guests' template beside it is the owner's and stays.
    bool keep(std::vector<Entry> left, std::string& error) {
        entries_ = std::move(left);
        if (!entries_.empty()) return save(error);
        std::error_code ec;
        fs::remove(file_, ec);
        if (!ec) fs::remove_all(folder_ / "originals", ec);
        if (!ec && fs::is_empty(folder_, ec) && !ec) fs::remove(folder_, ec);
        if (ec) error = folder_.string() + ": " + ec.message();
        return !ec;
    }
    bool empty() const { return entries_.empty(); }

  private:
    bool save(std::string& error) {
        std::error_code ec;
        fs::create_directories(folder_, ec);
        fs::permissions(folder_, fs::perms::owner_all, ec);
        const fs::path fresh = file_.string() + ".new";
        {
            std::ofstream out(fresh, std::ios::binary | std::ios::trunc);
            for (const auto& entry : entries_) out << entry.kind << ' ' << entry.what << '\n';
            out.flush();
            if (!out) {
                error = "cannot write " + fresh.string();
                return false;
            }
        }
        fs::rename(fresh, file_, ec);
        if (ec) error = file_.string() + ": " + ec.message();
        return !ec;
    }

    fs::path folder_, file_;
    std::vector<Entry> entries_;
};

// Writes `content` into the system's file at `absolute` (mode 0644), making the folders
// it goes in; the record learns each change first. `changed` is set when the file was
// not already so.
bool InstallFile(const System& system, Record& record, const std::string& absolute,
                 const std::string& content, bool& changed, std::string& error) {
    const fs::path path = system(absolute);
    const auto current = ReadFile(path);
    changed = current != content;
    if (!changed) return true;
    std::error_code ec;
    if (current) {
        if (!record.has("added", absolute) && !record.has("replaced", absolute)) {
            const fs::path original = record.original(absolute);
            fs::create_directories(original.parent_path(), ec);
            if (!ec) fs::copy_file(path, original, fs::copy_options::overwrite_existing, ec);
            if (ec) {
                error = "cannot keep a copy of " + absolute + ": " + ec.message();
                return false;
            }
            if (!record.add("replaced", absolute, error)) return false;
        }
    } else {
        // The folders that are missing, outermost first.
        std::vector<fs::path> missing;
        for (fs::path folder = fs::path(absolute).parent_path();
             folder != folder.root_path() && !fs::exists(system(folder.string()), ec);
             folder = folder.parent_path())
            missing.insert(missing.begin(), folder);
        for (const auto& folder : missing) {
            if (!record.add("folder", folder.string(), error)) return false;
            if (fs::create_directory(system(folder.string()), ec); ec) {
                error = "cannot create " + folder.string() + ": " + ec.message();
                return false;
            }
        }
        if (!record.has("added", absolute) && !record.add("added", absolute, error)) return false;
    }
    const fs::path fresh = path.string() + ".quorvel-new";
    {
        std::ofstream out(fresh, std::ios::binary | std::ios::trunc);
        out << content;
        out.flush();
        if (!out) {
            error = "cannot write " + absolute;
            return false;
        }
    }
    fs::permissions(fresh,
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                        fs::perms::others_read,
                    ec);
    if (!ec) fs::rename(fresh, path, ec);
    if (ec) {
        error = "cannot write " + absolute + ": " + ec.message();
        fs::remove(fresh, ec);
        return false;
    }
    return true;
}

struct SetupOptions {
    std::optional<std::string> adminPassword, guestPassword, session;
    fs::path root = "/";
};

// The options shared by setup and undo; false with the usage shown on a wrong one.
bool ReadOptions(const Args& args, bool setup, SetupOptions& options, std::ostream& err) {
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& name = args[i];
        std::optional<std::string>* value = nullptr;
        if (setup && name == "--admin-password") value = &options.adminPassword;
        if (setup && name == "--guest-password") value = &options.guestPassword;
        if (setup && name == "--session") value = &options.session;
        if ((value || name == "--root") && i + 1 < args.size()) {
            if (value) {
                *value = args[++i];
            } else {
                options.root = fs::absolute(args[++i]);
            }
            continue;
        }
        err << "quorvel-admin kiosk: unexpected '" << name << "'\n";
        Usage(err);
        return false;
    }
    return true;
}

// The program the guest's session command starts: its first word.
std::string SessionProgram(const std::string& session) {
    return session.substr(0, session.find(' '));
}

// Why the set-up cannot work on this system, or "".
std::string Refusal(const System& system, const std::string& guest, const std::string& session,
                    const std::string& guestDisplay) {
    if (!system.exists("/lib/systemd/systemd") && !system.exists("/usr/lib/systemd/systemd"))
        return "systemd is not installed: the terminal's program and window manager are "
               "systemd services";
    if (!system.exists(std::string(kTemplates) + "/lightdm.conf") || !system.account("quorvel") ||
        !system.account("quorvel-wm"))
        return "the quorvel package is not installed (no " + std::string(kTemplates) +
               " or no accounts quorvel and quorvel-wm)";
    if (!system.exists("/usr/sbin/lightdm"))
        return "LightDM is not installed: install it first (apt-get install lightdm)";
    const std::string named = system.read("/etc/X11/default-display-manager");
    const std::string chosen = named.substr(0, named.find('\n'));
    if (!chosen.empty() && chosen != "/usr/sbin/lightdm")
        return "another display manager is in charge: /etc/X11/default-display-manager names " +
               chosen + "; choose LightDM with `dpkg-reconfigure lightdm` first";
    std::error_code ec;
    const fs::path link = system("/etc/systemd/system/display-manager.service");
    if (fs::is_symlink(link, ec)) {
        const fs::path target = fs::read_symlink(link, ec);
        if (!ec && target.filename() != "lightdm.service")
            return "another display manager is in charge: display-manager.service is " +
                   target.string() + "; choose LightDM with `dpkg-reconfigure lightdm` first";
    }
    if (!system.exists("/usr/bin/openbox"))
        return "openbox is not installed: the terminal's window manager is openbox "
               "(apt-get install openbox)";
    if (guest.empty()) return "kiosk.conf names no QUORVEL_GUEST_ACCOUNT";
    if (!guestDisplay.empty() && !system.exists("/usr/bin/Xephyr"))
        return "the guest's desktop is to have a display of its own (" + guestDisplay +
               "), and Xephyr, which makes it, is not installed (apt-get install xserver-xephyr)";
    const std::string program = SessionProgram(session);
    const bool found = program.find('/') != std::string::npos
                           ? system.exists(program)
                           : system.exists("/usr/bin/" + program) ||
                                 system.exists("/usr/local/bin/" + program) ||
                                 system.exists("/bin/" + program);
    if (program.empty() || !found)
        return "the guest's session would run '" + program +
               "', which is not installed: install it, or name another command with --session";
    return "";
}

// The display the guest's desktop gets of its own where kiosk.conf names none and the
// session needs one. On the screen's display the guest's programs are untrusted
// clients, and the X server lets those use no extension but two: no keyboard-layout
// extension either. Chromium then reads the key codes as the kernel's, so Return types
// "j", Escape "8" and "/" opens its search of the page: a guest could neither open an
// address nor be sent to the blocked page. On a display of its own it is trusted, and
// reads them as they are; Firefox reads them right either way.
constexpr const char* kOwnDisplay = ":1";

bool NeedsOwnDisplay(const std::string& session) {
    return fs::path(SessionProgram(session)).filename().string().rfind("chromium", 0) == 0;
}

int Setup(const SetupOptions& options, std::ostream& out, std::ostream& err) {
    const System system(options.root);
    if (options.session && options.session->find_first_of("\"\\$`\n") != std::string::npos) {
        err << "quorvel-admin kiosk: the session command may not hold \" \\ $ ` or a new line\n";
        return 2;
    }
    // The owner's kiosk.conf, if there is one, else the package's.
    const std::string confText = system.exists(kOwnerConf)
                                     ? system.read(kOwnerConf)
                                     : system.read(std::string(kTemplates) + "/kiosk.conf");
    const std::string guest = ValueIn(confText, "QUORVEL_GUEST_ACCOUNT");
    const std::string session =
        options.session.value_or(ValueIn(confText, "QUORVEL_GUEST_SESSION"));
    const std::string named = ValueIn(confText, "QUORVEL_GUEST_DISPLAY");
    const bool ownDisplay = named.empty() && NeedsOwnDisplay(session);
    const std::string guestDisplay = ownDisplay ? kOwnDisplay : named;
    if (const std::string why = Refusal(system, guest, session, guestDisplay); !why.empty()) {
        err << "quorvel-admin kiosk: cannot set this PC up: " << why << "\n";
        return 1;
    }
    if (ownDisplay)
        err << "quorvel-admin kiosk: note: the guest's session runs Chromium, which reads "
               "the keyboard right only on a display of its own: the guest's desktop gets "
               "one, QUORVEL_GUEST_DISPLAY=\""
            << kOwnDisplay << "\" in " << kOwnerConf << "\n";

    std::vector<std::string> done;
    // The program's account: its data file, made as that account.
    const Account program = *system.account("quorvel");
    const fs::path home = system(program.home);
    const std::string dataFile = db::DataFilePath((home / ".local/share/Quorvel").string());
    std::error_code ec;
    if (!fs::exists(dataFile, ec)) {
        auto admin = options.adminPassword;
        if (!admin) admin = AskPassword("admin", err);
        if (!admin) return 1;
        auto guestPassword = options.guestPassword;
        if (!guestPassword) guestPassword = AskPassword("guest", err);
        if (!guestPassword) return 1;
        const Environment environment = {{"HOME", home.string()},
                                         {"XDG_DATA_HOME", (home / ".local/share").string()},
                                         {"XDG_CONFIG_HOME", (home / ".config").string()},
                                         {"XDG_STATE_HOME", (home / ".local/state").string()}};
        std::ostringstream initOut;
        const int status = RunAsAccount(program.uid, program.gid, environment, [&] {
            return InitCommand({"--admin-password", *admin, "--guest-password", *guestPassword},
                               initOut, err);
        });
        if (status != 0) {
            err << "quorvel-admin kiosk: provisioning the account quorvel failed\n";
            return 1;
        }
        done.push_back("Provisioned the account quorvel: logins admin and guest in " +
                       (program.home + "/.local/share/Quorvel/Data/QuorvelData.mdb"));
    }

    Record record(system);
    std::string error, output;
    if (!system.account(guest)) {
        if (!record.add("account", guest, error)) {
            err << "quorvel-admin kiosk: " << error << "\n";
            return 1;
        }
        if (system.run({"useradd", "--create-home", "--user-group", "--shell", "/bin/bash",
                        "--comment", "Guest desktop", guest},
                       output) != 0) {
            err << "quorvel-admin kiosk: cannot make the guest's account " << guest << ": "
                << output;
            return 1;
        }
        done.push_back("Made the guest's desktop account " + guest);
    }

    std::vector<std::pair<std::string, std::string>> files = {
        {kLightdmFile, WithLine(system.read(std::string(kTemplates) + "/lightdm.conf"),
                                "autologin-user=", "autologin-user=" + guest)},
        {kXorgFile, system.read(std::string(kTemplates) + "/xorg-kiosk.conf")}};
    if (options.session || ownDisplay) {
        std::string conf = confText;
        if (options.session)
            conf = WithLine(conf,
                            "QUORVEL_GUEST_SESSION=", "QUORVEL_GUEST_SESSION=\"" + session + "\"");
        if (ownDisplay)
            conf = WithLine(
                conf, "QUORVEL_GUEST_DISPLAY=", "QUORVEL_GUEST_DISPLAY=\"" + guestDisplay + "\"");
        files.emplace_back(kOwnerConf, conf);
    }
    for (const auto& [path, content] : files) {
        bool changed = false;
        if (!InstallFile(system, record, path, content, changed, error)) {
            err << "quorvel-admin kiosk: " << error << "\n";
            return 1;
        }
        if (changed) done.push_back("Wrote " + path);
    }

    for (const std::string unit : kUnits) {
        if (system.run({"systemctl", "is-enabled", "--quiet", unit}, output) == 0) continue;
        if (!record.add("enabled", unit, error)) {
            err << "quorvel-admin kiosk: " << error << "\n";
            return 1;
        }
        if (system.run({"systemctl", "enable", unit}, output) != 0) {
            err << "quorvel-admin kiosk: cannot enable " << unit << ": " << output;
            return 1;
        }
        done.push_back("Enabled " + unit);
    }

    if (done.empty()) {
        out << "Nothing to change: this PC is set up as a terminal already.\n";
        return 0;
    }
    for (const auto& line : done) out << line << "\n";
    out << "The guest's session runs: " << session << "\n"
        << "Set up. Reboot to start the terminal; `quorvel-admin kiosk undo` puts the PC back.\n";
    return 0;
}

int Undo(const SetupOptions& options, std::ostream& out, std::ostream& err) {
    const System system(options.root);
    Record record(system);
    if (record.empty()) {
        out << "Nothing to undo: `quorvel-admin kiosk setup` has changed nothing on this PC.\n";
        return 0;
    }
    std::vector<Record::Entry> left;
    std::string output;
    auto entries = record.entries();
    std::reverse(entries.begin(), entries.end());
    for (const auto& entry : entries) {
        std::error_code ec;
        std::string failure;
        if (entry.kind == "enabled") {
            if (system.run({"systemctl", "disable", entry.what}, output) != 0)
                failure = output;
            else
                out << "Disabled " << entry.what << "\n";
        } else if (entry.kind == "account") {
            // An account already gone (removed by the owner, or by an undo cut short)
            // is nothing to take back.
            if (system.account(entry.what)) {
                if (system.run({"userdel", "--remove", entry.what}, output) != 0)
                    failure = output;
                else
                    out << "Removed the account " << entry.what << " and its home\n";
            }
            // The account's own group was made with it (useradd refuses a name whose
            // group exists); userdel leaves it where the system does not say
            // otherwise.
            if (failure.empty() && system.group(entry.what) &&
                system.run({"groupdel", entry.what}, output) != 0)
                failure = output;
        } else if (entry.kind == "added") {
            fs::remove(system(entry.what), ec);
            if (ec)
                failure = ec.message();
            else
                out << "Removed " << entry.what << "\n";
        } else if (entry.kind == "replaced") {
            const fs::path original = record.original(entry.what);
            fs::copy_file(original, system(entry.what), fs::copy_options::overwrite_existing, ec);
            if (!ec) fs::permissions(system(entry.what), fs::status(original).permissions(), ec);
            if (ec)
                failure = ec.message();
            else
                out << "Put back " << entry.what << "\n";
        } else if (entry.kind == "folder") {
            // A folder something else has put files into stays.
            if (fs::is_empty(system(entry.what), ec) && !ec) fs::remove(system(entry.what), ec);
            if (ec) failure = ec.message();
        }
        if (!failure.empty()) {
            err << "quorvel-admin kiosk: cannot undo '" << entry.kind << ' ' << entry.what
                << "': " << failure << (failure.back() == '\n' ? "" : "\n");
            left.insert(left.begin(), entry);
        }
    }
    std::string error;
    if (!record.keep(left, error)) err << "quorvel-admin kiosk: " << error << "\n";
    if (!left.empty()) {
        err << "quorvel-admin kiosk: what could not be undone is kept in the record; run undo "
               "again once the reason is gone\n";
        return 1;
    }
    out << "Undone. The program's data in /var/lib/quorvel (the takings, the passwords) is "
           "kept.\n";
    return 0;
}

// Copies the folder `from` to the new folder `to` as a template every guest may start
// from: folders 0755, files 0644 (0755 when their owner could run them), everything
// this (root's) process makes, so root's alone; a link is copied as the link it is,
// never followed, and what is neither file, folder nor link (a socket, a pipe) is left
// out.
bool CopyAsTemplate(const fs::path& from, const fs::path& to, std::string& error) {
    using fs::perms;
    constexpr perms kFolder = perms::owner_all | perms::group_read | perms::group_exec |
                              perms::others_read | perms::others_exec;
    constexpr perms kFile = perms::owner_read | perms::owner_write | perms::group_read |
                            perms::others_read;
    constexpr perms kRunnable = kFile | perms::owner_exec | perms::group_exec | perms::others_exec;
    std::error_code ec;
    fs::create_directory(to, ec);
    if (!ec) fs::permissions(to, kFolder, ec);
    fs::recursive_directory_iterator it(from, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const fs::path source = it->path();
        // Lexically: a link is never resolved on the way.
        const fs::path copy = to / source.lexically_relative(from);
        const fs::file_status status = it->symlink_status(ec);
        if (ec) break;
        if (fs::is_symlink(status)) {
            fs::copy_symlink(source, copy, ec);
        } else if (fs::is_directory(status)) {
            fs::create_directory(copy, ec);
            if (!ec) fs::permissions(copy, kFolder, ec);
        } else if (fs::is_regular_file(status)) {
            fs::copy_file(source, copy, ec);
            const bool runnable = (status.permissions() & perms::owner_exec) != perms::none;
            if (!ec) fs::permissions(copy, runnable ? kRunnable : kFile, ec);
        }
        if (ec) error = source.string() + ": " + ec.message();
    }
    if (ec && error.empty()) error = from.string() + ": " + ec.message();
    return !ec;
}

int SaveTemplate(const SetupOptions& options, std::ostream& out, std::ostream& err) {
    const System system(options.root);
    const std::string confText = system.exists(kOwnerConf)
                                     ? system.read(kOwnerConf)
                                     : system.read(std::string(kTemplates) + "/kiosk.conf");
    const std::string guest = ValueIn(confText, "QUORVEL_GUEST_ACCOUNT");
    const auto account = guest.empty() ? std::nullopt : system.account(guest);
    std::error_code ec;
    if (!account || !fs::is_directory(system(account->home), ec)) {
        err << "quorvel-admin kiosk: no guest's desktop account " << guest
            << " with a home to save: run `quorvel-admin kiosk setup` first\n";
        return 1;
    }
    const fs::path folder = system(kRecordFolder);
    const fs::path target = system(kTemplate);
    const fs::path fresh = target.string() + ".new";
    fs::create_directories(folder, ec);
    if (!ec) fs::permissions(folder, fs::perms::owner_all, ec);
    // A copy cut short before is nobody's: it was never in use.
    if (!ec) fs::remove_all(fresh, ec);
    std::string error;
    if (ec || !CopyAsTemplate(system(account->home), fresh, error)) {
        err << "quorvel-admin kiosk: cannot save the template: "
            << (error.empty() ? ec.message() : error) << "\n";
        fs::remove_all(fresh, ec);
        return 1;
    }
    // The old template goes only once the new one is whole: a reset meanwhile finds one
    // or the other, or none for a moment (and then the system's /etc/skel).
    fs::remove_all(target, ec);
    if (!ec) fs::rename(fresh, target, ec);
    if (ec) {
        err << "quorvel-admin kiosk: cannot save the template: " << ec.message() << "\n";
        return 1;
    }
    out << "Saved the home of " << guest << " (" << account->home << ") as " << kTemplate
        << ": every guest from now on starts with it.\n";
    return 0;
}

}  // namespace

int KioskCommand(const Args& args, std::ostream& out, std::ostream& err) {
    const bool setup = !args.empty() && args[0] == "setup";
    const bool saveTemplate = !args.empty() && args[0] == "save-template";
    if (args.empty() || (!setup && !saveTemplate && args[0] != "undo")) {
        Usage(err);
        return 2;
    }
    SetupOptions options;
    if (!ReadOptions(args, setup, options, err)) return 2;
    if (!RunsAsRoot()) {
        err << "quorvel-admin kiosk: run it as root: it makes accounts and writes under /etc\n";
        return 1;
    }
    if (saveTemplate) return SaveTemplate(options, out, err);
    return setup ? Setup(options, out, err) : Undo(options, out, err);
}

}  // namespace quorvel::admin
