#include "cafe/ServerSchema.h"

#include <array>

namespace quorvel::cafe {

namespace {

// Each step takes the schema from the version before it to its own. A step is only
// ever added, never changed: servers out there went through the old ones.
//
// The tables live in the schema "quorvel". Each PC connects as a role of its own, a
// member of the cafe's group role "<database>_pcs", which holds the grants; row-level
// security then lets a PC insert only its own sessions and see and change only its
// own state row. The owner's role owns the tables and so reads everything.
constexpr std::array<const char*, kServerSchemaVersion> kSteps = {
    R"sql(
CREATE TABLE quorvel.pcs (
    id integer GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    name text NOT NULL UNIQUE,
    role name NOT NULL UNIQUE,
    secret_hash bytea,  -- SHA-256 of the one-time joining secret; NULL once used
    added_at timestamptz NOT NULL DEFAULT now(),
    joined_at timestamptz
);

-- The PC whose role is logged in; NULL for any other role. It reads the PCs with the
-- owner's rights, for a PC may not read that table itself.
CREATE FUNCTION quorvel.my_pc() RETURNS integer LANGUAGE sql STABLE SECURITY DEFINER
    SET search_path = pg_catalog, pg_temp
    AS $$ SELECT id FROM quorvel.pcs WHERE role = session_user $$;
REVOKE ALL ON FUNCTION quorvel.my_pc() FROM PUBLIC;

-- A session is keyed by its PC and its identity there, so a PC delivering it again
-- adds nothing. The PC is a number, not its role's name: a year of a cafe is most of a
-- million rows, and the report reads them all.
CREATE TABLE quorvel.sessions (
    pc integer NOT NULL DEFAULT quorvel.my_pc() REFERENCES quorvel.pcs (id),
    session_id text NOT NULL,
    day date NOT NULL,
    started_at timestamptz NOT NULL,
    ended_at timestamptz NOT NULL,
    elapsed_seconds bigint NOT NULL,
    amount_cents bigint NOT NULL,
    currency text NOT NULL,
    received_at timestamptz NOT NULL DEFAULT now(),
    PRIMARY KEY (pc, session_id)
);
CREATE INDEX sessions_by_day ON quorvel.sessions (day) INCLUDE (pc, amount_cents);
CREATE TABLE quorvel.pc_state (
    pc integer PRIMARY KEY DEFAULT quorvel.my_pc() REFERENCES quorvel.pcs (id),
    in_session boolean NOT NULL DEFAULT false,
    since timestamptz,
    elapsed_seconds bigint NOT NULL DEFAULT 0,
    owed_cents bigint NOT NULL DEFAULT 0,
    currency text NOT NULL DEFAULT '',
    last_seen timestamptz
);

ALTER TABLE quorvel.pcs ENABLE ROW LEVEL SECURITY;
ALTER TABLE quorvel.sessions ENABLE ROW LEVEL SECURITY;
ALTER TABLE quorvel.pc_state ENABLE ROW LEVEL SECURITY;
-- (SELECT ...) makes the PC looked up once per statement, not once per row.
CREATE POLICY own_sessions ON quorvel.sessions FOR INSERT
    WITH CHECK (pc = (SELECT quorvel.my_pc()));
CREATE POLICY own_state_read ON quorvel.pc_state FOR SELECT
    USING (pc = (SELECT quorvel.my_pc()));
CREATE POLICY own_state_add ON quorvel.pc_state FOR INSERT
    WITH CHECK (pc = (SELECT quorvel.my_pc()));
CREATE POLICY own_state_change ON quorvel.pc_state FOR UPDATE
    USING (pc = (SELECT quorvel.my_pc())) WITH CHECK (pc = (SELECT quorvel.my_pc()));

CREATE FUNCTION quorvel.pc_group() RETURNS name LANGUAGE sql STABLE
    AS $$ SELECT (current_database() || '_pcs')::name $$;

-- Run by the owner: the PC's role, logging in with the joining secret as its password
-- (given as a verifier, never as text), its row and its state row. For a PC the server
-- knows already it issues a fresh secret instead (the PC set up again, say): the
-- PC's old password stops working. True for a new PC.
CREATE FUNCTION quorvel.add_pc(pc text, pc_role name, secret text, verifier text)
    RETURNS boolean LANGUAGE plpgsql SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    IF EXISTS (SELECT FROM quorvel.pcs WHERE role = pc_role) THEN
        EXECUTE format('ALTER ROLE %I PASSWORD %L', pc_role, verifier);
        UPDATE quorvel.pcs SET secret_hash = sha256(convert_to(secret, 'UTF8')), joined_at = NULL
            WHERE role = pc_role;
        RETURN false;
    END IF;
    EXECUTE format('CREATE ROLE %I LOGIN PASSWORD %L IN ROLE %I', pc_role, verifier,
                   quorvel.pc_group());
    INSERT INTO quorvel.pcs (name, role, secret_hash)
        VALUES (pc, pc_role, sha256(convert_to(secret, 'UTF8')));
    INSERT INTO quorvel.pc_state (pc)
        SELECT id FROM quorvel.pcs WHERE role = pc_role;
    RETURN true;
END $$;

-- Run by a PC logged in with its joining secret: checks the secret against its hash,
-- marks it used and gives the role the PC's own password (a verifier made on the PC).
-- It runs with the owner's rights, for the PC can neither read the secrets nor change
-- a role.
CREATE FUNCTION quorvel.join_pc(secret text, verifier text)
    RETURNS text LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
DECLARE
    joined text;
BEGIN
    UPDATE quorvel.pcs SET secret_hash = NULL, joined_at = now()
        WHERE role = session_user AND secret_hash = sha256(convert_to(secret, 'UTF8'))
        RETURNING name INTO joined;
    IF joined IS NULL THEN
        RAISE EXCEPTION 'the joining secret is wrong or was used already'
            USING ERRCODE = 'invalid_password';
    END IF;
    EXECUTE format('ALTER ROLE %I PASSWORD %L', session_user, verifier);
    RETURN joined;
END $$;
REVOKE ALL ON FUNCTION quorvel.join_pc(text, text) FROM PUBLIC;
REVOKE ALL ON FUNCTION quorvel.add_pc(text, name, text, text) FROM PUBLIC;

DO $$
DECLARE
    pcs name := quorvel.pc_group();
BEGIN
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = pcs) THEN
        EXECUTE format('CREATE ROLE %I NOLOGIN', pcs);
    END IF;
    EXECUTE format('GRANT USAGE ON SCHEMA quorvel TO %I', pcs);
    EXECUTE format('GRANT SELECT ON quorvel.schema_version TO %I', pcs);
    EXECUTE format('GRANT INSERT ON quorvel.sessions TO %I', pcs);
    EXECUTE format('GRANT SELECT, INSERT, UPDATE ON quorvel.pc_state TO %I', pcs);
    EXECUTE format('GRANT EXECUTE ON FUNCTION quorvel.join_pc(text, text) TO %I', pcs);
    EXECUTE format('GRANT EXECUTE ON FUNCTION quorvel.my_pc() TO %I', pcs);
END $$;
)sql",
    // The takings of every PC, for the report of the whole cafe, which a PC's Report
    // tab shows too. A PC may read no session itself, so this runs with the owner's
    // rights and gives only what the report shows: per PC, day and currency, how many
    // sessions and their sum.
    R"sql(
-- The report reads a year of a cafe from this index alone, currency included.
CREATE INDEX sessions_by_day_currency ON quorvel.sessions (day) INCLUDE (pc, currency, amount_cents);
DROP INDEX quorvel.sessions_by_day;
CREATE FUNCTION quorvel.takings(from_day date, till_day date)
    RETURNS TABLE (pc text, day date, currency text, sessions bigint, cents bigint)
    LANGUAGE sql STABLE SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
    SELECT p.name, t.day, t.currency, t.sessions, t.cents
    FROM (SELECT s.pc, s.day, s.currency, count(*) AS sessions,
                 sum(s.amount_cents)::bigint AS cents
          FROM quorvel.sessions s WHERE s.day BETWEEN from_day AND till_day
          GROUP BY s.pc, s.day, s.currency) t
    JOIN quorvel.pcs p ON p.id = t.pc
    ORDER BY p.name, t.day, t.currency
$$;
REVOKE ALL ON FUNCTION quorvel.takings(date, date) FROM PUBLIC;
DO $$
BEGIN
    EXECUTE format('GRANT EXECUTE ON FUNCTION quorvel.takings(date, date) TO %I',
                   quorvel.pc_group());
END $$;
)sql",
};

// The version the server holds: 0 for none, nullopt with `error` when it cannot tell.
std::optional<int> ServerVersion(PGconn* connection, std::string& error) {
    const pg::Result found =
        pg::Exec(connection, "SELECT to_regclass('quorvel.schema_version') IS NOT NULL");
    if (!found.ok()) {
        error = found.Error();
        return std::nullopt;
    }
    if (found.Text(0, 0) != "t") return 0;
    const pg::Result version =
        pg::Exec(connection, "SELECT coalesce(max(version), 0) FROM quorvel.schema_version");
    if (!version.ok()) {
        error = version.Error();
        return std::nullopt;
    }
    return static_cast<int>(version.Int(0, 0));
}

std::string Newer(int version) {
    return "the server's cafe schema is version " + std::to_string(version) +
           ", newer than this program knows (version " + std::to_string(kServerSchemaVersion) +
           "): update Quorvel (DE) on this PC first";
}

}  // namespace

std::optional<std::string> UpgradeSchema(PGconn* connection, std::string& error) {
    pg::Transaction transaction(connection);
    if (!transaction.error().empty()) {
        error = transaction.error();
        return std::nullopt;
    }
    const auto fail = [&](const pg::Result& result) {
        error = result.Error();
        return std::nullopt;
    };
    // One upgrade at a time; a second one waits here and then finds the work done.
    if (const auto locked =
            pg::Exec(connection, "SELECT pg_advisory_xact_lock(hashtext($1))", {"quorvel schema"});
        !locked.ok())
        return fail(locked);
    const auto version = ServerVersion(connection, error);
    if (!version) return std::nullopt;
    if (*version > kServerSchemaVersion) {
        error = Newer(*version);
        return std::nullopt;
    }
    if (*version == kServerSchemaVersion)
        return "the cafe schema is up to date (version " + std::to_string(*version) + ")";
    if (*version == 0) {
        for (const char* sql : {"CREATE SCHEMA IF NOT EXISTS quorvel",
                                "CREATE TABLE quorvel.schema_version (version integer NOT NULL)",
                                "INSERT INTO quorvel.schema_version VALUES (0)"})
            if (const auto made = pg::Exec(connection, sql); !made.ok()) return fail(made);
    }
    for (int step = *version; step < kServerSchemaVersion; ++step) {
        // Several statements without parameters: the simple protocol runs them together.
        const pg::Result done(PQexec(connection, kSteps[step]));
        if (!done.ok()) return fail(done);
    }
    if (const auto set = pg::Exec(connection, "UPDATE quorvel.schema_version SET version = $1",
                                  {std::to_string(kServerSchemaVersion)});
        !set.ok())
        return fail(set);
    if (!transaction.Commit()) {
        error = transaction.error();
        return std::nullopt;
    }
    return *version == 0
               ? "made the cafe schema (version " + std::to_string(kServerSchemaVersion) + ")"
               : "upgraded the cafe schema from version " + std::to_string(*version) + " to " +
                     std::to_string(kServerSchemaVersion);
}

bool SchemaUsable(PGconn* connection, std::string& error, int oldest) {
    const auto version = ServerVersion(connection, error);
    if (!version) return false;
    if (*version == 0) {
        error = "the server holds no cafe schema yet: run quorvel-admin cafe init-server";
        return false;
    }
    if (*version > kServerSchemaVersion) {
        error = Newer(*version);
        return false;
    }
    if (*version < oldest) {
        error = "the server's cafe schema is version " + std::to_string(*version) +
                ", older than this program's (" + std::to_string(kServerSchemaVersion) +
                "): run quorvel-admin cafe init-server";
        return false;
    }
    return true;
}

std::optional<std::vector<DayTakings>> ReadTakings(PGconn* connection, const std::string& fromIso,
                                                   const std::string& tillIso, std::string& error) {
    const pg::Result read = pg::Exec(connection,
                                     "SELECT pc, day::text, currency, sessions, cents "
                                     "FROM quorvel.takings($1::date, $2::date)",
                                     {fromIso, tillIso});
    if (!read.ok()) {
        error = read.Error();
        return std::nullopt;
    }
    std::vector<DayTakings> days;
    days.reserve(static_cast<std::size_t>(read.Rows()));
    for (int row = 0; row < read.Rows(); ++row)
        days.push_back({read.Text(row, 0), read.Text(row, 1), read.Int(row, 3), read.Int(row, 4),
                        read.Text(row, 2)});
    return days;
}

}  // namespace quorvel::cafe
