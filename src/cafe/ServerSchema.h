#pragma once
// The cafe's schema on its server, in versioned steps, and the check every
// connection makes before it reads or writes there. Linux only (libpq).
#include <string>

#include "cafe/Pg.h"

namespace quorvel::cafe {

// The schema version this program reads and writes.
inline constexpr int kServerSchemaVersion = 1;

// Makes the schema, or brings an older one up to kServerSchemaVersion, in one
// transaction; two owners running it at once take turns. What was done ("made",
// "upgraded from version 1", "already up to date"), or nullopt with `error` (a
// newer schema is refused, and left as it is).
std::optional<std::string> UpgradeSchema(PGconn* connection, std::string& error);

// True when the server holds the schema of exactly this program's version; else
// false with `error` saying what to do.
bool SchemaUsable(PGconn* connection, std::string& error);

}  // namespace quorvel::cafe
