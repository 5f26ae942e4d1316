#include "db/Outbox.h"

#include <cstdio>

#include "db/Database.h"

namespace quorvel::db {

const char* const kOutboxSchema =
    "CREATE TABLE IF NOT EXISTS Outbox_T (SessionId TEXT PRIMARY KEY NOT NULL, "
    "Day TEXT NOT NULL, StartedAt INTEGER NOT NULL, EndedAt INTEGER NOT NULL, "
    "ElapsedSeconds INTEGER NOT NULL, AmountCents INTEGER NOT NULL, Currency TEXT NOT NULL);"
    "CREATE TABLE IF NOT EXISTS OutboxMissed_T (Sessions INTEGER NOT NULL)";

bool QueueInOutbox(const sqlite::Connection& conn, const OutboxWrite& write) {
    sqlite::Statement count(conn, "SELECT count(*) FROM Outbox_T");
    if (count.Step() != SQLITE_ROW) return false;
    if (count.Int(0) >= write.capacity) {
        // One row holds the count; the first miss makes it.
        sqlite::Statement bump(conn, "UPDATE OutboxMissed_T SET Sessions = Sessions + 1");
        if (!bump.Run()) return false;
        if (sqlite3_changes(conn.get()) > 0) return true;
        sqlite::Statement first(conn, "INSERT INTO OutboxMissed_T (Sessions) VALUES (1)");
        return first.Run();
    }
    const OutboxEntry& e = write.entry;
    sqlite::Statement insert(conn,
                             "INSERT INTO Outbox_T (SessionId, Day, StartedAt, EndedAt, "
                             "ElapsedSeconds, AmountCents, Currency) "
                             "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
    insert.Bind(1, e.sessionId)
        .Bind(2, e.day)
        .Bind(3, e.startedAt)
        .Bind(4, e.endedAt)
        .Bind(5, e.elapsedSeconds)
        .Bind(6, e.amountCents)
        .Bind(7, e.currency);
    return insert.Run();
}

std::optional<std::vector<OutboxEntry>> ReadOutbox(const Database& db, int limit) {
    sqlite::Statement select(db.connection(),
                             "SELECT rowid, SessionId, Day, StartedAt, EndedAt, ElapsedSeconds, "
                             "AmountCents, Currency FROM Outbox_T ORDER BY rowid LIMIT ?1");
    select.Bind(1, static_cast<std::int64_t>(limit));
    std::vector<OutboxEntry> entries;
    int rc;
    while ((rc = select.Step()) == SQLITE_ROW) {
        OutboxEntry e;
        e.row = select.Int(0);
        e.sessionId = select.Text(1);
        e.day = select.Text(2);
        e.startedAt = select.Int(3);
        e.endedAt = select.Int(4);
        e.elapsedSeconds = select.Int(5);
        e.amountCents = select.Int(6);
        e.currency = select.Text(7);
        entries.push_back(std::move(e));
    }
    if (rc != SQLITE_DONE) return std::nullopt;
    return entries;
}

bool RemoveFromOutbox(const Database& db, const std::vector<OutboxEntry>& delivered) {
    const sqlite::Connection& conn = db.connection();
    sqlite::Transaction tx(conn);
    if (!tx.begun()) return false;
    for (const OutboxEntry& e : delivered) {
        sqlite::Statement remove(conn, "DELETE FROM Outbox_T WHERE rowid = ?1");
        remove.Bind(1, e.row);
        if (!remove.Run()) return false;
    }
    return tx.Commit();
}

std::optional<OutboxCount> CountOutbox(const Database& db) {
    sqlite::Statement select(db.connection(),
                             "SELECT (SELECT count(*) FROM Outbox_T), "
                             "(SELECT ifnull(sum(Sessions), 0) FROM OutboxMissed_T)");
    if (select.Step() != SQLITE_ROW) return std::nullopt;
    return OutboxCount{select.Int(0), select.Int(1)};
}

std::optional<std::int64_t> EmptyOutbox(const Database& db) {
    const sqlite::Connection& conn = db.connection();
    sqlite::Transaction tx(conn);
    if (!tx.begun()) return std::nullopt;
    sqlite::Statement remove(conn, "DELETE FROM Outbox_T");
    if (!remove.Run()) return std::nullopt;
    const std::int64_t removed = sqlite3_changes(conn.get());
    sqlite::Statement forget(conn, "DELETE FROM OutboxMissed_T");
    if (!forget.Run() || !tx.Commit()) return std::nullopt;
    return removed;
}

std::string IsoDay(int year, int month, int day) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year % 10000, month % 100, day % 100);
    return text;
}

}  // namespace quorvel::db
