// The test helpers that fork, drop root, run programs and set Linux file flags.
#include "support/FileTree.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <linux/fs.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace test {
namespace fs = std::filesystem;

namespace {

// The child's exit status, or -(signal) when a signal ended it; -1 without a child.
int Wait(pid_t pid) {
    int status = 0;
    while (pid > 0 && ::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (pid < 0) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? -WTERMSIG(status) : -1;
}

// Its exit status, or -1 when the program could not run or a signal ended it.
int ProgramStatus(int status) {
    return status < 0 || status == 127 ? -1 : status;
}

[[noreturn]] void Exec(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const auto& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    ::_exit(127);
}

void ReadAll(int fd, std::string& to) {
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
        to.append(buffer, n > 0 ? static_cast<size_t>(n) : 0);
    }
}

} // namespace

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "datemark-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        ADD_FAILURE() << "mkdtemp failed: " << std::strerror(errno);
    }
    m_path = pattern;
}

TempDir::~TempDir() {
    // Undo what tests do to make removal fail: immutable flags and missing write or search bits.
    std::error_code ec;
    SetImmutable(m_path, false);
    ::chmod(m_path.c_str(), 0700);
    for (auto it =
             fs::recursive_directory_iterator(m_path, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_symlink(ec)) {
            SetImmutable(it->path().string(), false);
            if (it->is_directory(ec)) {
                ::chmod(it->path().c_str(), 0700);
            }
        }
    }
    RemoveTree(m_path);
}

std::string TempDir::operator/(std::string_view relative) const {
    return m_path + "/" + std::string(relative);
}

void MakeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0755) != 0) {
        ADD_FAILURE() << "mkdir " << path << ": " << std::strerror(errno);
    }
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

uint64_t FileIdOf(const std::string& path) {
    return StatOf(path).st_ino;
}

bool UnderWine() {
    return false;
}

struct ::stat StatOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

int64_t MtimeOf(const std::string& path) {
    return StatOf(path).st_mtim.tv_sec;
}

void SetMtime(const std::string& path, int64_t seconds, long nanoseconds) {
    const struct timespec t[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(seconds), nanoseconds}};
    EXPECT_EQ(::utimensat(AT_FDCWD, path.c_str(), t, AT_SYMLINK_NOFOLLOW), 0) << path;
}

std::string DosRecord(const std::string& path) {
    std::string value(65536, '\0');
    const ssize_t n = ::lgetxattr(path.c_str(), "user.DOSATTRIB", value.data(), value.size());
    value.resize(n < 0 ? 0 : static_cast<size_t>(n));
    return value;
}

std::string Check(bool ok, const std::string& what) {
    return ok ? std::string() : what + "\n";
}

int RunInChild(const std::function<int()>& body) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        int result = 2;
        try {
            result = body();
        } catch (...) {
        }
        std::fflush(nullptr);
        ::_exit(result);
    }
    return Wait(pid);
}

int RunAsUnprivileged(const std::function<int()>& body) {
    return RunInChild([&] {
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            return 99;
        }
        return body();
    });
}

void ExpectUnprivileged(const std::function<std::string()>& body) {
    EXPECT_EQ(RunAsUnprivileged([&] {
                  const std::string problems = body();
                  std::fputs(problems.c_str(), stderr);
                  return problems.empty() ? 0 : 1;
              }),
              0);
}

int RunProgram(const std::vector<std::string>& argv) {
    // Not into a pipe: a daemon it starts (ntfs-3g) would hold the pipe open.
    const int status = RunInChild([&] {
        const int devNull = ::open("/dev/null", O_RDWR);
        for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
            ::dup2(devNull, fd);
        }
        Exec(argv);
        return 127;
    });
    return ProgramStatus(status);
}

int RunProgram(const std::vector<std::string>& argv, std::string_view input, std::string& output,
               const std::vector<std::string>& env, std::string* errors) {
    output.clear();
    // The input and the errors wait in memory files, so that neither side can block the other
    // on a full pipe.
    const int in = ::memfd_create("input", MFD_CLOEXEC);
    const int err = errors != nullptr ? ::memfd_create("errors", MFD_CLOEXEC) : -1;
    int out[2] = {-1, -1};
    if (in < 0 || (errors != nullptr && err < 0) ||
        ::write(in, input.data(), input.size()) != static_cast<ssize_t>(input.size()) ||
        ::lseek(in, 0, SEEK_SET) != 0 || ::pipe2(out, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "cannot set up a child's input and output: " << std::strerror(errno);
        return -1;
    }
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in, STDIN_FILENO);
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err >= 0 ? err : out[1], STDERR_FILENO);
        for (const auto& setting : env) {
            ::putenv(const_cast<char*>(setting.c_str()));
        }
        Exec(argv);
    }
    ::close(in);
    ::close(out[1]);
    ReadAll(out[0], output);
    ::close(out[0]);
    const int status = ProgramStatus(Wait(pid));
    if (errors != nullptr) {
        errors->clear();
        ::lseek(err, 0, SEEK_SET);
        ReadAll(err, *errors);
        ::close(err);
    }
    return status;
}

int ClosedPort() {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    int port = 0;
    if (s >= 0 && ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &length) == 0) {
        port = ntohs(a.sin_port);
    }
    ::close(s);
    return port;
}

bool SetImmutable(const std::string& path, bool on) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

ScopedTimeZone::ScopedTimeZone(const char* tz) {
    if (const char* old = std::getenv("TZ")) {
        m_had = true;
        m_old = old;
    }
    ::setenv("TZ", tz, 1);
    ::tzset();
}

ScopedTimeZone::~ScopedTimeZone() {
    if (m_had) {
        ::setenv("TZ", m_old.c_str(), 1);
    } else {
        ::unsetenv("TZ");
    }
    ::tzset();
}

} // namespace test
