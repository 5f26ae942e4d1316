// quorvel-admin: the cafe owner's command line for provisioning the program and
// reading or setting its settings store.
#include <iostream>
#include <map>
#include <string>

#include "Commands.h"
#include "Host.h"

namespace {

void Usage(std::ostream& out) {
    out << "usage: quorvel-admin COMMAND ...\n"
           "  init [--admin-password P] [--guest-password P] [--force]\n"
           "                                                   provision the program folder\n"
           "  rates [R0 R15 R30 R45]                           show or set the quarter-hour rates\n"
           "  book DAY AMOUNT...                               add sessions to a day's takings\n"
           "  report --from YYYY-MM-DD --till YYYY-MM-DD [--csv | --pdf FILE]\n"
           "                                                   the takings report of those days\n"
#ifndef _WIN32
           "  report ... --cafe [--by-pc] [--server CONNINFO]  the same, of every PC on the cafe's "
           "server\n"
           "  cafe init-server | add-pc NAME | status [--server CONNINFO]\n"
           "                                                   the cafe's server, for the owner\n"
           "  cafe join --server CONNINFO --name NAME --secret SECRET | cafe leave\n"
           "                                                   join this PC to it, or leave it\n"
           "  kiosk setup [--admin-password P] [--guest-password P] [--session CMD]\n"
           "                                                   set this PC up as a terminal "
           "(root)\n"
           "  kiosk undo                                       put back what kiosk setup changed\n"
           "  kiosk save-template                              every guest starts with the\n"
           "                                                   guest's home as it is now (root)\n"
#endif
           "  reg query KEY [/v NAME | /ve]                    show a key's values\n"
           "  reg add KEY /v NAME [/t REG_SZ|REG_DWORD] [/d DATA] [/f]\n"
           "                                                   set a value of an existing key\n"
           "  reg addkey KEY                                   create a key\n"
           "  reg delete KEY /v NAME [/f]                      delete a value\n"
           "/ve in place of /v NAME means the key's default (unnamed) value.\n"
           "KEY is relative to the current user's store, e.g. Software\\Quorvel\\Settings\n"
           "(an HKCU\\ or HKEY_CURRENT_USER\\ prefix is accepted; HKCU alone is the root).\n";
}

}  // namespace

int main(int argc, char** argv) {
    quorvel::admin::Args args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "-h" || args[0] == "--help" || args[0] == "help") {
        Usage(args.empty() ? std::cerr : std::cout);
        return args.empty() ? 2 : 0;
    }
    const std::string command = args[0];
    args.erase(args.begin());
    using Command = int (*)(const quorvel::admin::Args&, std::ostream&, std::ostream&);
    const std::map<std::string, Command> commands = {
        {"init", quorvel::admin::InitCommand},   {"rates", quorvel::admin::RatesCommand},
        {"book", quorvel::admin::BookCommand},   {"report", quorvel::admin::ReportCommand},
        {"reg", quorvel::admin::RegCommand},
#ifndef _WIN32
        {"kiosk", quorvel::admin::KioskCommand},
        {"cafe", quorvel::admin::CafeCommand},
#endif
    };
    const auto found = commands.find(command);
    if (found == commands.end()) {
        std::cerr << "quorvel-admin: unknown command '" << command << "'\n";
        Usage(std::cerr);
        return 2;
    }
    // Every command reaches the program's files; without a home for them it stops
    // before any path is made (never one in the current folder).
    if (std::string why; !quorvel::admin::FoldersKnown(why)) {
        std::cerr << "quorvel-admin: " << why << "\n";
        return 1;
    }
    return found->second(args, std::cout, std::cerr);
}
