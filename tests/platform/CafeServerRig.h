#pragma once
// A cafe's server for a test: one throwaway PostgreSQL cluster for each suite, and for
// each test a database of its own with the cafe's schema made, the owner's connection
// (`owner`, and `sql` for the test's own queries) and PCs added and joined on demand.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "cafe/CafeServer.h"
#include "cafe/Pg.h"
#include "support/PgCluster_posix.h"

namespace quorvel::test {

namespace pg = cafe::pg;

// `count` sessions named "<prefix>1", "<prefix>2", ... on 2026-03-01, the n-th worth
// n cents.
inline std::vector<cafe::ClosedSession> Sessions(const std::string& prefix, int first, int count) {
    std::vector<cafe::ClosedSession> sessions;
    for (int n = first; n < first + count; ++n)
        sessions.push_back({prefix + std::to_string(n), "2026-03-01", 1772352000 + n,
                            1772352000 + n + 900, 900, n, "Rs"});
    return sessions;
}

class CafeServerRig : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { cluster_ = new PgCluster; }
    static void TearDownTestSuite() { delete cluster_; }

    void SetUp() override {
        ASSERT_EQ(cluster_->error(), "");
        database = cluster_->NewDatabase();
        ASSERT_NE(database, "") << cluster_->error();
        std::string error;
        owner = cafe::OwnerConnection::Open(cluster_->SocketConninfo(database), error);
        ASSERT_TRUE(owner) << error;
        ASSERT_TRUE(owner->InitServer(error)) << error;
        sql = pg::Connect(cluster_->SocketConninfo(database), error);
        ASSERT_TRUE(sql) << error;
    }

    std::string Secret(const std::string& name) {
        std::string error;
        bool added = false;
        const auto secret = owner->AddPc(name, added, error);
        EXPECT_TRUE(secret) << error;
        return secret.value_or("");
    }

    // The PC `name` added by the owner and joined over the socket.
    cafe::Membership Joined(const std::string& name) {
        std::string error;
        const auto membership =
            cafe::JoinServer(cluster_->SocketConninfo(database, ""), name, Secret(name), error);
        EXPECT_TRUE(membership) << error;
        return membership.value_or(cafe::Membership{});
    }

    // The owner's answer to a query of one value.
    std::string Value(const std::string& query, const std::vector<pg::Param>& params = {}) {
        const pg::Result result = pg::Exec(sql.get(), query, params);
        EXPECT_TRUE(result.ok()) << result.Error();
        return result.Rows() ? result.Text(0, 0) : "";
    }
    std::string SessionsOf(const std::string& pc) {
        return Value(
            "SELECT count(*) || ' ' || coalesce(sum(amount_cents), 0) FROM quorvel.sessions s "
            "JOIN quorvel.pcs p ON p.id = s.pc WHERE p.name = $1",
            {pc});
    }

    static PgCluster* cluster_;  // one server for each suite, a database for each test
    std::string database;
    std::unique_ptr<cafe::OwnerConnection> owner;
    pg::Connection sql;
};

inline PgCluster* CafeServerRig::cluster_ = nullptr;

}  // namespace quorvel::test
