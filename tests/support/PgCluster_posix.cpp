#include "support/PgCluster_posix.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "os/UniqueFd.h"
#include "support/Unprivileged_posix.h"

namespace quorvel::test {

namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

// The newest server Debian installed: /usr/lib/postgresql/<major>/bin.
std::string ServerBinaries() {
    std::string best;
    int bestMajor = -1;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", ec)) {
        const std::string name = entry.path().filename().string();
        const int major = std::atoi(name.c_str());
        if (major > bestMajor && fs::exists(entry.path() / "bin" / "postgres")) {
            bestMajor = major;
            best = (entry.path() / "bin").string();
        }
    }
    return best;
}

// A TCP port nobody listens on now.
int FreePort() {
    os::UniqueFd probe(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(probe.get(), reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::getsockname(probe.get(), reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return 0;
    return ntohs(address.sin_port);
}

}  // namespace

bool PgCluster::Run(const std::vector<std::string>& argv, const std::string& what) {
    const std::string log = dir_.file("run.log");
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) ::_exit(126);
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (out < 0 || ::dup2(out, 1) < 0 || ::dup2(out, 2) < 0) ::_exit(126);
        std::vector<char*> args;
        for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        const std::string why = "cannot run " + argv[0] + ": " + std::strerror(errno) +
                                " (scripts/install-deps installs it)\n";
        (void)!::write(2, why.data(), why.size());
        ::_exit(127);
    }
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
        WEXITSTATUS(status) == 0)
        return true;
    error_ = what + " failed: " + ReadFileBytes(log) + ReadFileBytes(data_ + "/../server.log");
    return false;
}

PgCluster::PgCluster() {
    bin_ = ServerBinaries();
    if (bin_.empty()) {
        error_ = "no PostgreSQL server in /usr/lib/postgresql (scripts/install-deps installs it)";
        return;
    }
    port_ = FreePort();
    // The server's account walks into the folder; nobody else may read in it.
    OpenToOthers(dir_.path().string());
    if (::geteuid() == 0) (void)!::chown(dir_.path().c_str(), kNobody, kNobody);
    data_ = dir_.file("data");
    // Certificates for 127.0.0.1: the server's own, and a stranger's.
    for (const std::string name : {"server", "stranger"})
        if (!Run({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                  "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1",
                  "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", dir_.file(name + ".key"),
                  "-out", dir_.file(name + ".crt")},
                 "openssl making a test certificate"))
            return;
    if (!Run({bin_ + "/initdb", "-D", data_, "-U", "postgres", "--auth-local=trust",
              "--auth-host=scram-sha-256", "--no-locale", "-E", "UTF8", "--no-sync"},
             "initdb"))
        return;
    WriteFileBytes(data_ + "/pg_hba.conf",
                   "local all postgres trust\n"
                   "local all owner trust\n"
                   "local all all scram-sha-256\n"
                   "hostssl all all 127.0.0.1/32 scram-sha-256\n");
    std::ofstream(data_ + "/postgresql.conf", std::ios::app)
        << "listen_addresses = '127.0.0.1'\n"
        << "port = " << port_ << "\n"
        << "unix_socket_directories = '" << dir_.path().string() << "'\n"
        << "ssl = on\n"
        << "ssl_cert_file = '" << certificate() << "'\n"
        << "ssl_key_file = '" << dir_.file("server.key")
        << "'\n"
        // A test's server holds nothing worth a disk flush.
        << "fsync = off\nsynchronous_commit = off\nfull_page_writes = off\n"
        << "shared_buffers = 32MB\nmax_connections = 40\n";
    if (Start())
        Run({bin_ + "/createuser", "-h", dir_.path().string(), "-p", std::to_string(port_), "-U",
             "postgres", "--createrole", "owner"},
            "createuser");
}

PgCluster::~PgCluster() {
    if (!data_.empty() && fs::exists(data_ + "/postmaster.pid"))
        Run({bin_ + "/pg_ctl", "-D", data_, "-m", "immediate", "-w", "stop"}, "stopping");
}

bool PgCluster::Start() {
    return Run(
        {bin_ + "/pg_ctl", "-D", data_, "-l", dir_.file("server.log"), "-w", "-t", "60", "start"},
        "starting the server");
}

bool PgCluster::Stop() {
    return Run({bin_ + "/pg_ctl", "-D", data_, "-m", "fast", "-w", "-t", "60", "stop"},
               "stopping the server");
}

std::string PgCluster::SocketConninfo(const std::string& database, const std::string& user) const {
    return "host=" + dir_.path().string() + " port=" + std::to_string(port_) +
           " dbname=" + database + (user.empty() ? "" : " user=" + user);
}

std::string PgCluster::TlsConninfo(const std::string& database, const std::string& sslmode,
                                   const std::string& rootCert) const {
    return "host=127.0.0.1 port=" + std::to_string(port_) + " dbname=" + database +
           " sslmode=" + sslmode + " sslrootcert=" + (rootCert.empty() ? certificate() : rootCert);
}

std::string PgCluster::NewDatabase() {
    const std::string name = "cafe" + std::to_string(++databases_);
    if (!Run({bin_ + "/createdb", "-h", dir_.path().string(), "-p", std::to_string(port_), "-U",
              "postgres", "--owner", "owner", name},
             "createdb"))
        return "";
    return name;
}

}  // namespace quorvel::test
