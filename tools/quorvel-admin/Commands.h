#pragma once
// Sub-commands of quorvel-admin. Each takes its own arguments (the sub-command's
// name removed), writes to the given streams and returns the exit status.
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "cafe/CafeReport.h"

namespace quorvel::admin {

using Args = std::vector<std::string>;

int RegCommand(const Args& args, std::ostream& out, std::ostream& err);
// init [--admin-password P] [--guest-password P] [--force]
int InitCommand(const Args& args, std::ostream& out, std::ostream& err);
// Asks on the terminal for the login's password, twice and unseen: nothing, with the
// reason on `err`, when there is no terminal or the two differ.
std::optional<std::string> AskPassword(const std::string& login, std::ostream& err);
// kiosk setup|undo ...: sets the PC up as a terminal, or puts it back (Linux only).
int KioskCommand(const Args& args, std::ostream& out, std::ostream& err);
// rates [R0 R15 R30 R45]: shows, or sets, the four quarter-hour rates.
int RatesCommand(const Args& args, std::ostream& out, std::ostream& err);
// book DAY AMOUNT...: adds one session per amount to the day's takings.
int BookCommand(const Args& args, std::ostream& out, std::ostream& err);
// report --from YYYY-MM-DD --till YYYY-MM-DD [--csv | --pdf FILE] [--cafe [--by-pc]
// [--server CONNINFO]]: the takings report, of this PC or of a cafe's server.
int ReportCommand(const Args& args, std::ostream& out, std::ostream& err);
#ifndef _WIN32
// cafe init-server|add-pc|status|join|leave ...: a cafe's server (Linux only so far).
int CafeCommand(const Args& args, std::ostream& out, std::ostream& err);
// The takings on the cafe's server at `conninfo` (libpq's rules), by PC, day and
// currency; nullopt with `error`.
std::optional<std::vector<cafe::DayTakings>> CafeTakings(const std::string& conninfo,
                                                         const std::string& fromIso,
                                                         const std::string& tillIso,
                                                         std::string& error);
#endif

}  // namespace quorvel::admin
