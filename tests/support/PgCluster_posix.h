#pragma once
// A throwaway PostgreSQL server for the cafe's tests: a cluster made with initdb in a
// temporary folder, listening on a Unix socket there and on 127.0.0.1 with TLS (a
// certificate made for it with openssl), and removed with the folder. When the tests
// run as root the server runs as the account nobody, as initdb and postgres refuse
// root. The cafe's owner is "owner", no superuser but allowed to make roles, as the
// owner's guide has it, who (like the superuser "postgres") logs in over the socket
// without a password; every other role needs its password, over the socket or TLS.
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace quorvel::test {

class PgCluster {
  public:
    PgCluster();
    ~PgCluster();
    PgCluster(const PgCluster&) = delete;
    PgCluster& operator=(const PgCluster&) = delete;

    // Why the server is not running ("" when it is): no server binaries installed, a
    // failed initdb or start (with its log).
    const std::string& error() const { return error_; }

    // A connection string over the Unix socket, as `user` ("owner" when empty: no
    // user keyword) to `database`.
    std::string SocketConninfo(const std::string& database,
                               const std::string& user = "owner") const;
    // Over TCP to 127.0.0.1 with the server's certificate checked against `rootCert`
    // (certificate() unless given), with `sslmode`.
    std::string TlsConninfo(const std::string& database, const std::string& sslmode = "verify-full",
                            const std::string& rootCert = "") const;
    // The port of 127.0.0.1 the server takes TLS connections on.
    int port() const { return port_; }
    // The certificate the server presents (self-signed, for 127.0.0.1), and one that
    // has nothing to do with it.
    std::string certificate() const { return dir_.file("server.crt"); }
    std::string strangerCertificate() const { return dir_.file("stranger.crt"); }

    // A fresh database owned by "owner", so each test has its own cafe.
    std::string NewDatabase();

    // Stops the server (fast: connections are ended) and starts it again; false with
    // error() set when it did not.
    bool Stop();
    bool Start();

  private:
    bool Run(const std::vector<std::string>& argv, const std::string& what);
    TempDir dir_;
    std::string bin_, data_, error_;
    int port_ = 0;
    int databases_ = 0;
};

}  // namespace quorvel::test
