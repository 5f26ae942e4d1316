// `quorvel-admin init`: provisions the program folder for this user: the keyed data
// file with its tables and the logins "admin" and "guest", the Systemfiles folder,
// and the program's four keys in the settings store.
#include <filesystem>
#include <iostream>
#include <optional>

#include "Commands.h"
#include "Host.h"
#include "db/Database.h"
#include "panel/Configuration.h"
#include "storage/FileOps.h"
#include "store/mdlRegistry.h"

namespace quorvel::admin {

namespace {

namespace fs = std::filesystem;

void Usage(std::ostream& err) {
    err << "usage: quorvel-admin init [--admin-password P] [--guest-password P] [--force]\n";
}

// The new data file, made beside the old one and renamed over it only when complete.
bool WriteDataFile(const std::string& path, const std::string& adminPassword,
                   const std::string& guestPassword, std::string& error) {
    const std::string fresh = path + ".new";
    storage::RemoveFile(fresh, error, true);
    storage::RemoveFile(fresh + "-journal", error, true);
    {
        auto file = db::Database::Create(fresh, db::kDataFilePassword, error);
        if (!file) return false;
        if (!db::AddLogin(*file, "admin", adminPassword) ||
            !db::AddLogin(*file, "guest", guestPassword)) {
            error = file->connection().LastError();
            file.reset();
            storage::RemoveFile(fresh, error, true);
            return false;
        }
    }
    if (storage::ReplaceFileAtomically(fresh, path, error)) return true;
    std::string ignored;
    storage::RemoveFile(fresh, ignored, true);
    return false;
}

}  // namespace

std::optional<std::string> AskPassword(const std::string& login, std::ostream& err) {
    if (!InputIsTerminal()) {
        err << "quorvel-admin: no terminal to ask for the " << login << " password; give it with --"
            << login << "-password\n";
        return std::nullopt;
    }
    std::string first, second;
    {
        NoEcho quiet;
        err << "Password for " << login << ": " << std::flush;
        std::getline(std::cin, first);
        err << "\nAgain: " << std::flush;
        std::getline(std::cin, second);
        err << "\n";
    }
    if (!std::cin || first != second) {
        err << "quorvel-admin: the two " << login << " passwords differ\n";
        return std::nullopt;
    }
    return first;
}

int InitCommand(const Args& args, std::ostream& out, std::ostream& err) {
    std::optional<std::string> adminPassword, guestPassword;
    bool force = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--force") {
            force = true;
        } else if ((args[i] == "--admin-password" || args[i] == "--guest-password") &&
                   i + 1 < args.size()) {
            (args[i] == "--admin-password" ? adminPassword : guestPassword) = args[i + 1];
            ++i;
        } else {
            err << "quorvel-admin init: unexpected '" << args[i] << "'\n";
            Usage(err);
            return 2;
        }
    }

    const std::string program = ProgramFolder();
    const std::string dataFile = db::DataFilePath(program);
    std::error_code ec;
    const bool exists = fs::exists(dataFile, ec);
    if (ec) {
        err << "quorvel-admin: cannot look into " << fs::path(dataFile).parent_path().string()
            << ": " << ec.message() << "\n";
        return 1;
    }
    if (exists && !force) {
        err << "quorvel-admin: " << dataFile
            << " already exists; it is left as it is (--force replaces it with an empty one)\n";
        return 1;
    }
    if (!adminPassword) adminPassword = AskPassword("admin", err);
    if (!adminPassword) return 1;
    if (!guestPassword) guestPassword = AskPassword("guest", err);
    if (!guestPassword) return 1;
    if (adminPassword->empty() || guestPassword->empty()) {
        err << "quorvel-admin: a password may not be empty\n";
        return 1;
    }

    for (const char* folder : {"Data", "Systemfiles"}) {
        const fs::path made = fs::path(program) / folder;
        if (fs::create_directories(made, ec); ec) {
            err << "quorvel-admin: cannot create " << made.string() << ": " << ec.message() << "\n";
            return 1;
        }
    }

    // A running program holds the data folder; its file is never replaced under it.
    std::string error;
    storage::FolderLock lock;
    bool busy = false;
    if (!lock.Acquire((fs::path(program) / "Data").string(), storage::FolderLock::Mode::Exclusive,
                      error, &busy)) {
        err << "quorvel-admin: "
            << (busy ? "the data file is in use (is the program running?): " : "") << error << "\n";
        return 1;
    }
    if (!WriteDataFile(dataFile, *adminPassword, *guestPassword, error)) {
        err << "quorvel-admin: cannot create " << dataFile << ": " << error << "\n";
        return 1;
    }
    lock.Release();

    const auto store = OpenSettingsStore(true);
    if (!store->usable()) {
        err << "quorvel-admin: cannot open the settings store " << SettingsStoreLocation() << ": "
            << store->error() << "\n";
        return 1;
    }
    // The program's own keys, and the browser settings keys the control panel's
    // Internet options write into (on Windows the browser has made them; the program
    // itself never creates a key it writes).
    for (const char* key : {store::kSettingsKey, store::kTimersKey, store::kProgramsKey,
                            store::kUrlsKey, panel::kBrowserMainKey, panel::kBrowserCacheKey}) {
        platform::ScopedKey made(store->registry());
        if (const auto rc =
                store->registry().CreateKey(platform::kHkeyCurrentUser, key, made.out())) {
            err << "quorvel-admin: cannot create the key " << key << " in "
                << SettingsStoreLocation() << ": "
                << (store->error().empty() ? "status " + std::to_string(rc) : store->error())
                << "\n";
            return 1;
        }
    }

    out << "Program folder: " << program << "\n"
        << "Data file:      " << dataFile << " (logins admin and guest)\n"
        << "Settings store: " << SettingsStoreLocation() << "\n";
    return 0;
}

}  // namespace quorvel::admin
