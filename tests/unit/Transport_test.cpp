// Which roads to a cafe's server a connection may take.
#include <gtest/gtest.h>

#include "cafe/Transport.h"

namespace quorvel::test {
namespace {

struct Road {
    const char* host;
    const char* hostaddr;
    const char* sslmode;
    bool allowed;
};

class TransportTable : public ::testing::TestWithParam<Road> {};

TEST_P(TransportTable, TheNetworkOnlyWithTheCertificateChecked) {
    const Road& road = GetParam();
    const auto refusal = cafe::TransportRefusal(road.host, road.hostaddr, road.sslmode);
    EXPECT_EQ(!refusal, road.allowed)
        << road.host << " / " << road.hostaddr << " / " << road.sslmode;
}

INSTANTIATE_TEST_SUITE_P(
    Roads, TransportTable,
    ::testing::Values(Road{"", "", "", true},  // libpq's default: the local socket
                      Road{"/run/postgresql", "", "disable", true},
                      Road{"@quorvel", "", "", true},  // an abstract socket
                      Road{"/a,/b", "", "prefer", true},
                      Road{"localhost", "", "prefer", false},  // a name, so TCP
                      Road{"db.cafe.example", "", "require", false},
                      Road{"db.cafe.example", "", "verify-full", true},
                      Road{"127.0.0.1", "", "verify-ca", true},
                      Road{"/run/postgresql", "10.0.0.5", "require", false},
                      Road{"", "10.0.0.5", "verify-full", true},
                      Road{"/run/postgresql,db.cafe.example", "", "prefer", false},
                      Road{"/a,/b", ",10.0.0.5", "allow", false}));

}  // namespace
}  // namespace quorvel::test
