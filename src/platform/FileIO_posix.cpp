#include "platform/Error.h"
#include "platform/FileIO.h"
#include "platform/Path.h"
#include "platform/Posix.h"
#include "platform/Process.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace platform {
namespace {

// Links followed before giving up, as the kernel's own limit for a path.
constexpr int kMaxLinkHops = 40;

std::error_code NotRegular(mode_t mode) {
    return SystemError(S_ISDIR(mode) ? EISDIR : EINVAL);
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Follows symbolic links to the path of the file they name, which need not exist yet.
std::error_code ResolveLinks(std::string& path) {
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) {
            return errno == ENOENT ? std::error_code() : LastError();
        }
        if (!S_ISLNK(st.st_mode)) {
            return {};
        }
        // st_size is the link's length on most file systems, 0 on some.
        std::string target;
        if (const std::error_code error = ReadLink(path.c_str(), target, static_cast<size_t>(st.st_size))) {
            return error;
        }
        if (target.empty() || target.front() != '/') {
            target = JoinPath(SplitPath(path).folder, target);
        }
        path = std::move(target);
    }
    return SystemError(ELOOP);
}

std::error_code MakeFolders(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) {
        return S_ISDIR(st.st_mode) ? std::error_code() : SystemError(ENOTDIR);
    }
    if (errno != ENOENT) {
        return LastError();
    }
    if (const std::string parent = FolderOf(folder); parent != folder) {
        if (const std::error_code error = MakeFolders(parent)) {
            return error;
        }
    }
    // 0700 as for the XDG base folders: settings are nobody else's business.
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return LastError();
    }
    return {};
}

mode_t NewFileMode() {
    // umask() can only be read by setting it, which would race with other threads creating
    // files. Without /proc, assume the strictest mask: a settings file then stays private.
    return 0666 & ~static_cast<mode_t>(CurrentUmask().value_or(077));
}

std::error_code WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return LastError();
        }
        if (n == 0) {
            return SystemError(EIO);
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return {};
}

// The rename is only durable once the folder is synced; nothing to undo if that fails.
void SyncFolder(const std::string& folder) {
    const UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Get() >= 0) {
        ::fsync(fd.Get());
    }
}

} // namespace

std::error_code ReadLink(const char* path, std::string& target, size_t sizeHint) {
    // Grows until the target fits: a full buffer may have been cut.
    target.assign(std::max<size_t>(sizeHint, 64) + 1, '\0');
    for (;;) {
        const ssize_t n = ::readlink(path, target.data(), target.size());
        if (n < 0) {
            return LastError();
        }
        if (static_cast<size_t>(n) < target.size()) {
            target.resize(static_cast<size_t>(n));
            return {};
        }
        target.resize(target.size() * 2);
    }
}

std::error_code ReadFileBytes(const std::string& path, size_t maxBytes, std::string& out) {
    out.clear();
    // Checked before opening too: opening some devices has effects of its own.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return LastError();
    }
    if (!S_ISREG(st.st_mode)) {
        return NotRegular(st.st_mode);
    }
    // O_NONBLOCK: if a FIFO took the file's place meanwhile, opening it must not wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return LastError();
    }
    UniqueFd file(fd);
    if (::fstat(fd, &st) != 0) {
        return LastError();
    }
    if (!S_ISREG(st.st_mode)) {
        return NotRegular(st.st_mode);
    }
    if (static_cast<unsigned long long>(st.st_size) > maxBytes) {
        return SystemError(EFBIG);
    }
    // A regular file ignores O_NONBLOCK, except that a mandatory lock would then fail the read.
    if (const int flags = ::fcntl(fd, F_GETFL); flags >= 0) {
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }

    // One byte more than its size, so that a file growing meanwhile is noticed.
    std::string bytes(static_cast<size_t>(st.st_size) + 1, '\0');
    size_t used = 0;
    for (;;) {
        if (used == bytes.size()) {
            if (used > maxBytes) {
                return SystemError(EFBIG);
            }
            bytes.resize(maxBytes - used < used ? maxBytes + 1 : used * 2);
        }
        const ssize_t n = ::read(fd, bytes.data() + used, bytes.size() - used);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return LastError();
        }
        if (n == 0) {
            break;
        }
        used += static_cast<size_t>(n);
    }
    bytes.resize(used);
    out = std::move(bytes);
    return {};
}

std::error_code ReplaceFileAtomically(const std::string& path, std::string_view bytes, bool createFolders) {
    std::string target = path;
    if (const std::error_code error = ResolveLinks(target)) {
        return error;
    }
    const std::string folder = FolderOf(target);
    if (createFolders) {
        if (const std::error_code error = MakeFolders(folder)) {
            return error;
        }
    }

    struct stat old {};
    bool exists = false;
    if (::stat(target.c_str(), &old) == 0) {
        if (!S_ISREG(old.st_mode)) {
            return NotRegular(old.st_mode);
        }
        exists = true;
    } else if (errno != ENOENT) {
        return LastError();
    }

    // Named after the file so that one left by a crash tells where it came from; cut so that
    // the name stays within NAME_MAX.
    std::string temp = folder + "/." + SplitPath(target).name.substr(0, 200) + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        return LastError();
    }
    UniqueFd file(fd);
    std::error_code error = WriteAll(fd, bytes);
    if (!error && exists && (old.st_uid != ::geteuid() || old.st_gid != ::getegid())) {
        // Best effort, so that root saving a user's settings leaves them the user's. Before
        // fchmod, as chown clears the set-id bits.
        [[maybe_unused]] const int ignored = ::fchown(fd, old.st_uid, old.st_gid);
    }
    if (!error && ::fchmod(fd, exists ? (old.st_mode & 07777) : NewFileMode()) != 0) {
        error = LastError();
    }
    if (!error && ::fsync(fd) != 0) {
        error = LastError();
    }
    if (file.Close() != 0 && !error && errno != EINTR) {
        error = LastError();
    }
    if (!error && ::rename(temp.c_str(), target.c_str()) != 0) {
        error = LastError();
    }
    if (error) {
        ::unlink(temp.c_str());
        return error;
    }
    SyncFolder(folder);
    return {};
}

} // namespace platform
