#pragma once
// A cafe's server as the owner and a joining PC reach it (quorvel-admin cafe ... and
// report --cafe). Linux only so far: CafeServer_posix.cpp, over libpq.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cafe/CafeReport.h"
#include "cafe/CafeReportSource.h"
#include "cafe/CafeStatus.h"
#include "cafe/ServerLink.h"

namespace quorvel::cafe {

// The owner's connection: the role that made the schema, which reads everything.
class OwnerConnection {
  public:
    // Connects by libpq's rules (`conninfo`, else the PG* environment variables or the
    // service file); null with `error` set when it cannot.
    static std::unique_ptr<OwnerConnection> Open(const std::string& conninfo, std::string& error);
    ~OwnerConnection();
    OwnerConnection(const OwnerConnection&) = delete;
    OwnerConnection& operator=(const OwnerConnection&) = delete;

    // Makes or upgrades the schema: what was done, or nullopt with `error`.
    std::optional<std::string> InitServer(std::string& error);
    // Makes the PC `name` (its role, its rows) and gives its one-time joining secret;
    // for a PC the server knows already, a fresh secret (`added` false).
    std::optional<std::string> AddPc(const std::string& name, bool& added, std::string& error);
    // Every PC, by name, with the server's own time.
    std::optional<CafeStatus> Status(std::string& error);
    // The takings from `fromIso` to `tillIso` (YYYY-MM-DD, both included) by PC, day
    // and currency, in the order of the PCs' names (ReadTakings).
    std::optional<std::vector<DayTakings>> Takings(const std::string& fromIso,
                                                   const std::string& tillIso, std::string& error);

  private:
    struct Impl;
    explicit OwnerConnection(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// Joins the PC `name` to the server at `conninfo` with the joining secret add-pc gave:
// logs in as the PC's role with the secret, gives the role a fresh random password only
// this PC knows, and marks the secret used. The membership to keep, or nullopt with
// `error` (a wrong or used secret, a server of another schema version, ...). The
// connection string must name the database (dbname=...), or PGDATABASE must.
std::optional<Membership> JoinServer(const std::string& conninfo, const std::string& name,
                                     const std::string& secret, std::string& error);

// The link a joined PC delivers through. It connects when first used and again after
// the server went away; each call is safe from any thread.
std::unique_ptr<ServerLink> OpenServerLink(const Membership& membership);

// The takings of every PC for the Report tab of the joined PC, read as the PC's own
// role. A server of an older schema than this program's is refused with what to do.
std::shared_ptr<CafeReportSource> OpenCafeReport(const Membership& membership);

}  // namespace quorvel::cafe
