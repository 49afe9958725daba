#include "support/SambaServer.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <netinet/in.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>

namespace test {
namespace {

constexpr long kExt4Magic = 0xEF53;
constexpr auto kStartTimeout = std::chrono::seconds(10);
constexpr auto kStopTimeout = std::chrono::seconds(5);

// A program on PATH or in the system folders root's PATH has and a test's may lack.
std::string FindProgram(const std::string& name) {
    std::istringstream folders(std::string(std::getenv("PATH") != nullptr ? std::getenv("PATH") : "") +
                               ":/usr/sbin:/sbin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        if (!folder.empty() && ::access((folder + "/" + name).c_str(), X_OK) == 0) {
            return folder + "/" + name;
        }
    }
    return {};
}

bool Accepts(int port) {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = s >= 0 && ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    return ok;
}

std::string Tail(const std::string& text) {
    return text.size() > 600 ? text.substr(text.size() - 600) : text;
}

} // namespace

SambaServer::SambaServer() {
    m_problem = Start();
}

SambaServer::~SambaServer() {
    Stop();
}

std::string SambaServer::operator/(std::string_view name) const {
    return m_share + "/" + std::string(name);
}

std::string SambaServer::Start() {
    if (::geteuid() != 0) {
        return "smbd serves the share as root here; the tests do not run as root";
    }
    m_smbd = FindProgram("smbd");
    m_smbclient = FindProgram("smbclient");
    if (m_smbd.empty() || m_smbclient.empty()) {
        return "smbd or smbclient is missing (Debian packages samba and smbclient)";
    }
    if (auto problem = PrepareShare(); !problem.empty()) {
        return problem;
    }
    for (const char* name : {"private", "lock", "state", "cache", "pid", "ncalrpc"}) {
        MakeFolder(m_dir / name);
    }
    // Its descendants become ours when it ends first, so that stopping it can wait for them all.
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    std::string problem;
    // Another process may take the free port before smbd binds it: try a few.
    for (int attempt = 0; attempt < 3; ++attempt) {
        problem = Launch();
        if (problem.empty()) {
            return {};
        }
    }
    return problem;
}

std::string SambaServer::PrepareShare() {
    MakeFolder(m_share);
    struct statfs fs {};
    if (::statfs(m_share.c_str(), &fs) == 0 && fs.f_type == kExt4Magic &&
        ::setxattr(m_share.c_str(), "user.probe", "1", 1, 0) == 0) {
        ::removexattr(m_share.c_str(), "user.probe");
        return {};
    }
    m_disk.emplace(LoopMount::Options{/*sizeMiB=*/32, /*mkfsArgs=*/{}, /*owner=*/0});
    m_share = m_disk->Path();
    return m_disk->Mounted() ? "" : "the temporary folder is not on ext4, and " + m_disk->SkipReason();
}

std::string SambaServer::Launch() {
    m_port = ClosedPort();
    // "@" stands for the server's folder.
    std::string config =
        "[global]\nserver role = standalone server\nsmb ports = " + std::to_string(m_port) +
        "\ninterfaces = 127.0.0.1\nbind interfaces only = yes\ndisable netbios = yes\n"
        "private dir = @/private\nlock directory = @/lock\nstate directory = @/state\n"
        "cache directory = @/cache\npid directory = @/pid\nncalrpc dir = @/ncalrpc\nlog file = @/smbd.log\n"
        "passdb backend = tdbsam:@/private/passdb.tdb\nrpc start on demand helpers = no\n"
        "load printers = no\nprintcap name = /dev/null\ndisable spoolss = yes\nmap to guest = bad user\n"
        "guest account = root\nstore dos attributes = yes\nea support = yes\n"
        "[share]\npath = " +
        m_share + "\nguest ok = yes\nguest only = yes\nread only = no\n";
    for (size_t at = 0; (at = config.find('@', at)) != std::string::npos; at += m_dir.Path().size()) {
        config.replace(at, 1, m_dir.Path());
    }
    WriteFile(m_config, config);
    const std::string out = m_dir / "smbd.out";
    std::fflush(nullptr);
    m_pid = ::fork();
    if (m_pid == 0) {
        // A group of its own, which stopping it ends whole; and it ends when the tests do.
        ::setsid();
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, STDOUT_FILENO);
        ::dup2(fd, STDERR_FILENO);
        ::execl(m_smbd.c_str(), m_smbd.c_str(), "--foreground", "--no-process-group", "-s", m_config.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return "smbd ended at start: " + Tail(ReadFile(out) + ReadFile(m_dir / "smbd.log"));
        }
        if (Accepts(m_port)) {
            return {};
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    Stop();
    return "smbd did not listen within 10 s: " + Tail(ReadFile(m_dir / "smbd.log"));
}

void SambaServer::Stop() {
    if (m_pid > 0) {
        const pid_t group = m_pid;
        ::kill(-group, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + kStopTimeout;
        bool killed = false;
        for (;;) {
            const pid_t done = ::waitpid(-group, nullptr, WNOHANG);
            if (done < 0 && errno != EINTR) {
                break; // no process of the group is left
            }
            if (done == 0) {
                if (!killed && std::chrono::steady_clock::now() > deadline) {
                    ::kill(-group, SIGKILL);
                    killed = true;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
        m_pid = -1;
    }
}

SambaServer::Reply SambaServer::Client(const std::string& commands) const {
    Reply reply;
    reply.status = RunProgram({m_smbclient, "//127.0.0.1/share", "-p", std::to_string(m_port), "-N", "-s",
                               m_config, "-c", commands},
                              "", reply.output, {"TZ=UTC"});
    return reply;
}

std::string SambaServer::InfoLine(const std::string& output, const std::string& name) {
    const size_t at = output.find("\n" + name + ":");
    if (at == std::string::npos) {
        return "(no " + name + ")";
    }
    const size_t start = output.find_first_not_of(' ', at + name.size() + 2);
    return output.substr(start, output.find('\n', start) - start);
}

} // namespace test
