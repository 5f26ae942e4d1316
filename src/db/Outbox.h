#pragma once
// A joined PC's outbox: the closed sessions its cafe's server has not committed yet,
// written in the same transaction that books them into the daily totals and removed
// only once the server has committed them. A PC that never joined leaves it empty.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "storage/Sqlite.h"

namespace quorvel::db {

class Database;

// How many sessions the outbox holds before it takes no more: years of a busy PC's
// sessions with the server away. A session booked past it is counted (see
// OutboxCount::missed) and stays in the daily totals; only its copy for the server is
// not kept.
inline constexpr std::int64_t kOutboxCapacity = 100000;

struct OutboxEntry {
    std::int64_t row = 0;  // the outbox's own order; 0 until read back
    std::string sessionId;
    std::string day;             // YYYY-MM-DD
    std::int64_t startedAt = 0;  // seconds since 1970-01-01 UTC
    std::int64_t endedAt = 0;
    std::int64_t elapsedSeconds = 0;
    std::int64_t amountCents = 0;
    std::string currency;
};

// What goes with a booking into the outbox, and how many the outbox may hold.
struct OutboxWrite {
    OutboxEntry entry;
    std::int64_t capacity = kOutboxCapacity;
};

struct OutboxCount {
    std::int64_t waiting = 0;  // sessions in the outbox
    std::int64_t missed = 0;   // sessions booked while the outbox was full
};

// The two tables, made on the first read-write opening of a file without them.
extern const char* const kOutboxSchema;

// Inside the caller's booking transaction: the entry goes into the outbox, or, when
// the outbox holds `capacity` sessions already, the missed count goes up. False when
// the data file refused either (the caller's transaction then books nothing).
bool QueueInOutbox(const sqlite::Connection& conn, const OutboxWrite& write);

// The oldest `limit` entries, in booking order; nullopt when the file could not be read.
std::optional<std::vector<OutboxEntry>> ReadOutbox(const Database& db, int limit);
// Removes the entries (by their `row`) in one transaction; false when nothing was
// removed. Called only after the server committed them.
bool RemoveFromOutbox(const Database& db, const std::vector<OutboxEntry>& delivered);
std::optional<OutboxCount> CountOutbox(const Database& db);
// Forgets every session waiting for the server, and the count of those the full outbox
// missed, in one transaction: for a PC that leaves its server, whose daily totals keep
// them all. How many sessions were taken out; nullopt when the file refused.
std::optional<std::int64_t> EmptyOutbox(const Database& db);

// "2026-12-05" from a day's parts.
std::string IsoDay(int year, int month, int day);

}  // namespace quorvel::db
