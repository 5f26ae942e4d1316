// `quorvel-admin cafe ...`: a cafe's server. The owner makes its schema and its PCs
// and reads every PC's state; a PC joins it and leaves it. The owner's side reaches the
// server by libpq's rules: --server CONNINFO, else the PG* environment variables or a
// service file.
#include <ctime>
#include <map>
#include <ostream>
#include <set>

#include "Commands.h"
#include "Host.h"
#include "cafe/CafeServer.h"
#include "cafe/Membership.h"
#include "db/Database.h"
#include "store/mdlRegistry.h"

namespace quorvel::admin {

namespace {

constexpr const char* kUsage =
    "usage: quorvel-admin cafe init-server [--server CONNINFO]\n"
    "       quorvel-admin cafe add-pc NAME [--server CONNINFO]\n"
    "       quorvel-admin cafe status [--server CONNINFO]\n"
    "       quorvel-admin cafe join --server CONNINFO --name NAME --secret SECRET\n"
    "       quorvel-admin cafe leave [--force]\n";

struct Parsed {
    std::map<std::string, std::string> options;
    std::vector<std::string> positional;
};

// The sub-command's own arguments: `--x VALUE` for each of `valued`, the rest
// positional. Nullopt, with the reason on `err`, for anything else.
std::optional<Parsed> Parse(const Args& args, std::size_t first,
                            const std::set<std::string>& valued, std::ostream& err) {
    Parsed parsed;
    for (std::size_t i = first; i < args.size(); ++i) {
        if (args[i].rfind("--", 0) != 0) {
            parsed.positional.push_back(args[i]);
        } else if (valued.count(args[i]) && i + 1 < args.size() && !parsed.options.count(args[i])) {
            parsed.options[args[i]] = args[i + 1];
            ++i;
        } else {
            err << "quorvel-admin cafe: unexpected '" << args[i] << "'\n" << kUsage;
            return std::nullopt;
        }
    }
    return parsed;
}

std::string LocalTime(std::int64_t seconds) {
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm local{};
    char text[32] = "";
    if (::localtime_r(&time, &local)) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::unique_ptr<cafe::OwnerConnection> Owner(const Parsed& parsed, std::ostream& err) {
    const auto server = parsed.options.find("--server");
    std::string error;
    auto owner =
        cafe::OwnerConnection::Open(server == parsed.options.end() ? "" : server->second, error);
    if (!owner) err << "quorvel-admin cafe: cannot reach the server: " << error << "\n";
    return owner;
}

int Failed(const std::string& error, std::ostream& err) {
    err << "quorvel-admin cafe: " << error << "\n";
    return 1;
}

// The program's settings store with its keys, as `init` made it; null, with the reason
// on `err`, when there is none.
std::unique_ptr<SettingsStore> ProvisionedStore(std::ostream& err) {
    auto store = OpenSettingsStore(false);
    bool provisioned = store && store->usable();
    if (provisioned) {
        platform::ScopedKey key(store->registry());
        provisioned = store->registry().OpenKey(platform::kHkeyCurrentUser, store::kSettingsKey,
                                                key.out()) == platform::kErrorSuccess;
    }
    if (!provisioned) {
        err << "quorvel-admin cafe: this account has no settings store of the program at "
            << SettingsStoreLocation()
            << (store && !store->error().empty() ? " (" + store->error() + ")" : "")
            << ": run it as the program's account, after quorvel-admin init\n";
        return nullptr;
    }
    return store;
}

int Join(const Parsed& parsed, std::ostream& out, std::ostream& err) {
    if (parsed.options.size() != 3 || !parsed.positional.empty()) {
        err << kUsage;
        return 2;
    }
    // The store first: a secret is spent by joining, so nothing is asked of the server
    // that could not be kept.
    const auto store = ProvisionedStore(err);
    if (!store) return 1;
    const store::mdlRegistry settings(store->registry());
    if (const auto joined = cafe::LoadMembership(settings))
        return Failed("this PC has joined a server already, as '" + joined->pcName +
                          "': run quorvel-admin cafe leave first",
                      err);
    std::string error;
    const auto membership =
        cafe::JoinServer(parsed.options.at("--server"), parsed.options.at("--name"),
                         parsed.options.at("--secret"), error);
    if (!membership) return Failed(error, err);
    if (cafe::SaveMembership(settings, *membership) != platform::kErrorSuccess)
        return Failed("joined, but the settings store did not keep it (" + store->error() +
                          "): the secret is spent, so have quorvel-admin cafe add-pc " +
                          membership->pcName + " give a new one",
                      err);
    out << "This PC is '" << membership->pcName
        << "' on the cafe's server now; its sessions and its state go there.\n";
    return 0;
}

int Leave(const Parsed& parsed, bool force, std::ostream& out, std::ostream& err) {
    if (!parsed.positional.empty() || !parsed.options.empty()) {
        err << kUsage;
        return 2;
    }
    const auto store = ProvisionedStore(err);
    if (!store) return 1;
    const store::mdlRegistry settings(store->registry());
    const auto joined = cafe::LoadMembership(settings);
    if (!joined) return Failed("this PC has joined no server", err);
    // Sessions still in the outbox would never reach the server once the PC has left:
    // the owner says so, or waits until the program has delivered them.
    std::string error;
    const std::string path = db::DataFilePath(ProgramFolder());
    const auto file = db::Database::Open(path, db::kDataFilePassword, error);
    const auto waiting = file ? db::CountOutbox(*file) : std::nullopt;
    if (!waiting)
        return Failed("cannot tell which sessions still wait for the server, for the data file " +
                          path + " cannot be read (" +
                          (file ? file->connection().LastError() : error) +
                          "); nothing was changed",
                      err);
    std::int64_t dropped = 0;
    if (waiting->waiting > 0 && !force)
        return Failed(std::to_string(waiting->waiting) +
                          " sessions of this PC still wait for the server; they are in this "
                          "PC's own takings. Leave once the program has delivered them (the lock "
                          "screen says how many wait), or with --force, which keeps them in this "
                          "PC's takings but never gives them to the server",
                      err);
    if (force) {
        const auto emptied = db::EmptyOutbox(*file);
        if (!emptied)
            return Failed("the data file did not let go of the sessions waiting for the server (" +
                              file->connection().LastError() + "); nothing was changed",
                          err);
        dropped = *emptied;
    }
    if (cafe::ForgetMembership(settings) != platform::kErrorSuccess)
        return Failed("the settings store did not forget the server: " + store->error(), err);
    out << "This PC has left the cafe's server ('" << joined->pcName
        << "' there) and works alone.\n";
    if (dropped > 0)
        out << dropped << " sessions that had not reached the server stay in this PC's "
            << "takings only.\n";
    return 0;
}

}  // namespace

int CafeCommand(const Args& args, std::ostream& out, std::ostream& err) {
    const std::string verb = args.empty() ? "" : args[0];
    Args rest = args;
    const bool force = verb == "leave" && std::erase(rest, "--force") > 0;
    const auto parsed = Parse(rest, 1, {"--server", "--name", "--secret"}, err);
    if (!parsed) return 2;
    if (verb == "join") return Join(*parsed, out, err);
    if (verb == "leave") return Leave(*parsed, force, out, err);
    const std::size_t positional = verb == "add-pc" ? 1 : 0;
    if ((verb != "init-server" && verb != "add-pc" && verb != "status") ||
        parsed->positional.size() != positional ||
        parsed->options.size() != parsed->options.count("--server")) {
        err << kUsage;
        return 2;
    }
    const auto owner = Owner(*parsed, err);
    if (!owner) return 1;
    std::string error;
    if (verb == "init-server") {
        const auto done = owner->InitServer(error);
        if (!done) return Failed(error, err);
        out << "The cafe's server: " << *done << ".\n";
        return 0;
    }
    if (verb == "add-pc") {
        bool added = false;
        const auto secret = owner->AddPc(parsed->positional[0], added, error);
        if (!secret) return Failed(error, err);
        out << (added ? "Added the PC '" : "A new joining secret for the PC '")
            << parsed->positional[0] << "'. On it, as the program's account, run once:\n"
            << "  quorvel-admin cafe join --server CONNINFO --name " << parsed->positional[0]
            << " --secret " << *secret << "\n";
        return 0;
    }
    const auto status = owner->Status(error);
    if (!status) return Failed(error, err);
    out << cafe::FormatStatus(*status, LocalTime);
    return 0;
}

std::optional<std::vector<cafe::DayTakings>> CafeTakings(const std::string& conninfo,
                                                         const std::string& fromIso,
                                                         const std::string& tillIso,
                                                         std::string& error) {
    const auto owner = cafe::OwnerConnection::Open(conninfo, error);
    if (!owner) {
        error = "cannot reach the server: " + error;
        return std::nullopt;
    }
    return owner->Takings(fromIso, tillIso, error);
}

}  // namespace quorvel::admin
