#include "platform/Posix.h"
#include "platform/Process.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <vector>

namespace platform {

std::string ExecutablePath() {
    std::string path;
    return ReadLink("/proc/self/exe", path, 4096) ? std::string() : path;
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
        const passwd* pw = ::getpwuid(::getuid());
        home = pw != nullptr ? pw->pw_dir : "";
    }
    return home;
}

namespace {

// An XDG base folder: the variable when it holds an absolute path, else the fallback in the
// home folder.
std::string XdgFolder(const char* variable, const char* fallback) {
    const char* xdg = std::getenv(variable);
    if (xdg != nullptr && xdg[0] == '/') {
        return xdg;
    }
    std::string path = HomeFolder();
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    return path + fallback;
}

} // namespace

int ProcessId() {
    return static_cast<int>(::getpid());
}

uint32_t EffectiveUser() {
    return ::geteuid();
}

std::string ConfigHome() {
    return XdgFolder("XDG_CONFIG_HOME", ".config");
}

std::string StateHome() {
    return XdgFolder("XDG_STATE_HOME", ".local/state");
}

std::optional<unsigned> CurrentUmask() {
    const UniqueFd fd(::open("/proc/self/status", O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) {
        return std::nullopt;
    }
    // The line comes early; the first few KB always hold it.
    std::string status(4096, '\0');
    size_t used = 0;
    while (used < status.size()) {
        const ssize_t n = ::read(fd.Get(), status.data() + used, status.size() - used);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        used += static_cast<size_t>(n);
    }
    status.resize(used);
    const size_t at = status.find("\nUmask:");
    if (at == std::string::npos) {
        return std::nullopt;
    }
    const char* digits = status.c_str() + at + 7;
    char* end = nullptr;
    const long mask = std::strtol(digits, &end, 8);
    if (end == digits || mask < 0 || mask > 0777) {
        return std::nullopt;
    }
    return static_cast<unsigned>(mask);
}

std::vector<std::string> Arguments(int argc, char** argv) {
    return {argv, argv + argc};
}

std::string CurrentFolder() {
    std::string buffer(256, '\0');
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) {
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(std::char_traits<char>::length(buffer.c_str()));
    return buffer;
}

namespace {

int FdOf(StdStream stream) {
    return stream == StdStream::Output ? STDOUT_FILENO : STDERR_FILENO;
}

} // namespace

bool IsTerminal(StdStream stream) {
    return ::isatty(FdOf(stream)) == 1;
}

int TerminalColumns(StdStream stream) {
    struct winsize size {};
    return ::ioctl(FdOf(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
}

} // namespace platform
