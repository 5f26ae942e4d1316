// quorvel-admin: the cafe owner's command line for provisioning the program and
// reading or setting its settings store.
#include <iostream>
#include <string>

#include "Commands.h"

namespace {

void Usage(std::ostream& out) {
    out << "usage: quorvel-admin COMMAND ...\n"
           "  init [--admin-password P] [--guest-password P] [--force]\n"
           "                                                   provision the program folder\n"
           "  rates [R0 R15 R30 R45]                           show or set the quarter-hour rates\n"
           "  book DAY AMOUNT...                               add sessions to a day's takings\n"
           "  reg query KEY [/v NAME | /ve]                    show a key's values\n"
           "  reg add KEY /v NAME /t REG_SZ|REG_DWORD /d DATA  set a value of an existing key\n"
           "  reg addkey KEY                                   create a key\n"
           "  reg delete KEY /v NAME                           delete a value\n"
           "/ve in place of /v NAME means the key's default (unnamed) value.\n"
           "KEY is relative to the current user's store, e.g. Software\\Quorvel\\Settings\n"
           "(an HKCU\\ or HKEY_CURRENT_USER\\ prefix is accepted).\n";
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
    if (command == "init") return quorvel::admin::InitCommand(args, std::cout, std::cerr);
    if (command == "rates") return quorvel::admin::RatesCommand(args, std::cout, std::cerr);
    if (command == "book") return quorvel::admin::BookCommand(args, std::cout, std::cerr);
    if (command == "reg") return quorvel::admin::RegCommand(args, std::cout, std::cerr);
    std::cerr << "quorvel-admin: unknown command '" << command << "'\n";
    Usage(std::cerr);
    return 2;
}
