#pragma once
// The cafe's schema on its server, in versioned steps, and the check every
// connection makes before it reads or writes there. Linux only (libpq).
#include <optional>
#include <string>
#include <vector>

#include "cafe/CafeReport.h"
#include "cafe/Pg.h"

namespace quorvel::cafe {

// The schema version this program reads and writes.
inline constexpr int kServerSchemaVersion = 2;
// The oldest schema a PC delivers its sessions and state to: the tables it writes
// have not changed since, so a PC updated before its server goes on delivering.
inline constexpr int kDeliverySchemaVersion = 1;

// Makes the schema, or brings an older one up to kServerSchemaVersion, in one
// transaction; two owners running it at once take turns. What was done ("made",
// "upgraded from version 1", "already up to date"), or nullopt with `error` (a
// newer schema is refused, and left as it is).
std::optional<std::string> UpgradeSchema(PGconn* connection, std::string& error);

// True when the server holds a schema from version `oldest` to this program's own;
// else false with `error` saying what to do (a newer one is never used).
bool SchemaUsable(PGconn* connection, std::string& error, int oldest = kServerSchemaVersion);

// Every PC's takings from `fromIso` to `tillIso` (YYYY-MM-DD, both included), by PC,
// day and currency, in the order of the PCs' names and days. The owner and every PC
// may read them (on a schema of this program's version); nullopt with `error`.
std::optional<std::vector<DayTakings>> ReadTakings(PGconn* connection, const std::string& fromIso,
                                                   const std::string& tillIso, std::string& error);

}  // namespace quorvel::cafe
