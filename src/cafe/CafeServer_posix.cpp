#include <sys/random.h>

#include <cerrno>
#include <cstdlib>

#include "cafe/CafeNames.h"
#include "cafe/CafeServer.h"
#include "cafe/Pg.h"
#include "cafe/ServerSchema.h"

namespace quorvel::cafe {

namespace {

// Random text from the kernel's generator, in letters and digits that cannot be taken
// for one another when read out or typed (no i, l, o, u). 26 characters hold 130 bits.
std::optional<std::string> RandomText(std::size_t length, std::string& error) {
    static constexpr char kAlphabet[] = "0123456789abcdefghjkmnpqrstvwxyz";
    std::string bytes(length, '\0');
    std::size_t got = 0;
    while (got < length) {
        const ssize_t n = ::getrandom(bytes.data() + got, length - got, 0);
        if (n < 0 && errno != EINTR) {
            error = "the system gave no random numbers";
            return std::nullopt;
        }
        if (n > 0) got += static_cast<std::size_t>(n);
    }
    for (char& c : bytes) c = kAlphabet[static_cast<unsigned char>(c) % 32];
    return bytes;
}

constexpr std::size_t kSecretLength = 26;
constexpr std::size_t kPasswordLength = 40;

// The role's password as the server keeps it (a SCRAM verifier), made here so that the
// password itself never crosses to the server.
std::optional<std::string> Verifier(PGconn* connection, const std::string& password,
                                    const std::string& role, std::string& error) {
    char* made = PQencryptPasswordConn(connection, password.c_str(), role.c_str(), "scram-sha-256");
    if (!made) {
        error = PQerrorMessage(connection);
        return std::nullopt;
    }
    std::string verifier = made;
    PQfreemem(made);
    return verifier;
}

// The keyword's value among `options`, "" when it is not set.
std::string Option(const std::vector<std::pair<std::string, std::string>>& options,
                   const std::string& keyword) {
    for (const auto& [key, value] : options)
        if (key == keyword) return value;
    return "";
}

}  // namespace

struct OwnerConnection::Impl {
    pg::Connection connection;
};

OwnerConnection::OwnerConnection(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
OwnerConnection::~OwnerConnection() = default;

std::unique_ptr<OwnerConnection> OwnerConnection::Open(const std::string& conninfo,
                                                       std::string& error) {
    auto connection = pg::Connect(conninfo, error, {{"application_name", "quorvel-admin"}});
    if (!connection) return nullptr;
    // The report reads a year of a cafe in one pass; compiling that query first would
    // cost more than it saves.
    pg::Exec(connection.get(), "SET jit = off");
    return std::unique_ptr<OwnerConnection>(
        new OwnerConnection(std::make_unique<Impl>(Impl{std::move(connection)})));
}

std::optional<std::string> OwnerConnection::InitServer(std::string& error) {
    return UpgradeSchema(impl_->connection.get(), error);
}

std::optional<std::string> OwnerConnection::AddPc(const std::string& name, bool& added,
                                                  std::string& error) {
    PGconn* connection = impl_->connection.get();
    if (!ValidPcName(name)) {
        error = "'" + name + "' is no PC name: 1 to " + std::to_string(kMaxPcName) +
                " letters, digits, '-' or '_', beginning with a letter or a digit";
        return std::nullopt;
    }
    if (!SchemaUsable(connection, error)) return std::nullopt;
    const auto role = PcRole(PQdb(connection), name);
    if (!role) {
        error = "the PC name '" + name + "' is too long for the database " + PQdb(connection);
        return std::nullopt;
    }
    const auto secret = RandomText(kSecretLength, error);
    if (!secret) return std::nullopt;
    const auto verifier = Verifier(connection, *secret, *role, error);
    if (!verifier) return std::nullopt;
    const pg::Result made = pg::Exec(connection, "SELECT quorvel.add_pc($1, $2, $3, $4)",
                                     {name, *role, *secret, *verifier});
    if (!made.ok()) {
        error = made.Error();
        return std::nullopt;
    }
    added = made.Text(0, 0) == "t";
    return secret;
}

std::optional<CafeStatus> OwnerConnection::Status(std::string& error) {
    PGconn* connection = impl_->connection.get();
    if (!SchemaUsable(connection, error)) return std::nullopt;
    const pg::Result read =
        pg::Exec(connection,
                 "SELECT p.name, p.joined_at IS NOT NULL, s.in_session, "
                 "coalesce(floor(extract(epoch FROM s.since))::bigint, 0), s.elapsed_seconds, "
                 "s.owed_cents, s.currency, floor(extract(epoch FROM s.last_seen))::bigint "
                 "FROM quorvel.pcs p JOIN quorvel.pc_state s ON s.pc = p.id ORDER BY p.name");
    if (!read.ok()) {
        error = read.Error();
        return std::nullopt;
    }
    CafeStatus status;
    // Whole seconds, cut as a clock shows them (a cast would round 09:45:19.7 up).
    const pg::Result now = pg::Exec(connection, "SELECT floor(extract(epoch FROM now()))::bigint");
    if (!now.ok()) {
        error = now.Error();
        return std::nullopt;
    }
    status.serverNow = now.Int(0, 0);
    for (int row = 0; row < read.Rows(); ++row) {
        PcStatus pc;
        pc.name = read.Text(row, 0);
        pc.joined = read.Text(row, 1) == "t";
        pc.inSession = read.Text(row, 2) == "t";
        pc.since = read.Int(row, 3);
        pc.elapsedSeconds = read.Int(row, 4);
        pc.owedCents = read.Int(row, 5);
        pc.currency = read.Text(row, 6);
        if (!read.IsNull(row, 7)) pc.lastSeen = read.Int(row, 7);
        status.pcs.push_back(std::move(pc));
    }
    return status;
}

std::optional<std::vector<DayTakings>> OwnerConnection::Takings(const std::string& fromIso,
                                                                const std::string& tillIso,
                                                                std::string& error) {
    PGconn* connection = impl_->connection.get();
    if (!SchemaUsable(connection, error)) return std::nullopt;
    return ReadTakings(connection, fromIso, tillIso, error);
}

std::optional<Membership> JoinServer(const std::string& conninfo, const std::string& name,
                                     const std::string& secret, std::string& error) {
    auto options = pg::ExplicitOptions(conninfo, error);
    if (!options) return std::nullopt;
    std::string database = Option(*options, "dbname");
    if (database.empty() && std::getenv("PGDATABASE")) database = std::getenv("PGDATABASE");
    if (database.empty()) {
        error = "say which database the cafe's server keeps its takings in: dbname=... in --server";
        return std::nullopt;
    }
    if (!ValidPcName(name)) {
        error = "'" + name + "' is no PC name";
        return std::nullopt;
    }
    const auto role = PcRole(database, name);
    if (!role) {
        error = "the PC name '" + name + "' is too long for the database " + database;
        return std::nullopt;
    }
    const auto connection =
        pg::Connect(conninfo, error,
                    {{"user", *role}, {"password", secret}, {"application_name", "quorvel-admin"}});
    if (!connection) {
        if (error.find("authentication failed") != std::string::npos)
            error = "the server refused the joining secret of '" + name +
                    "': it is wrong or was used already, or add-pc was given another name (" +
                    error + ")";
        return std::nullopt;
    }
    if (!SchemaUsable(connection.get(), error)) return std::nullopt;
    const auto password = RandomText(kPasswordLength, error);
    if (!password) return std::nullopt;
    const auto verifier = Verifier(connection.get(), *password, *role, error);
    if (!verifier) return std::nullopt;
    const pg::Result joined =
        pg::Exec(connection.get(), "SELECT quorvel.join_pc($1, $2)", {secret, *verifier});
    if (!joined.ok()) {
        error = joined.Error();
        return std::nullopt;
    }
    // The PC's own connection string: the one given, with its role and password.
    std::erase_if(*options, [](const auto& option) {
        return option.first == "user" || option.first == "password" || option.first == "dbname";
    });
    options->emplace_back("dbname", database);
    options->emplace_back("user", *role);
    options->emplace_back("password", *password);
    return Membership{pg::ConnectionString(*options), joined.Text(0, 0)};
}

}  // namespace quorvel::cafe
