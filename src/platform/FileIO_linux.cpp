#include "platform/Error.h"
#include "platform/FileIO.h"
#include "platform/Path.h"
#include "platform/Posix.h"
#include "platform/Process.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utility>
#include <vector>

// How UpdateFile keeps two writers apart: flock on the file itself, taken before it is read and
// held until the new file has taken its place. A rename puts a new inode under the name, and a
// lock on the replaced inode guards nothing, so a writer that waited checks after locking that
// the name still leads to the inode it locked, and starts again if not. A missing file has no
// inode to lock: it is created by a rename that refuses to replace, and the writer that loses
// starts again with the winner's file. (A lock file beside it would need a folder that may be
// written, which a file rewritten in place does not, and would stay behind for good.)

namespace platform {
namespace {

// Links followed before giving up, as the kernel's own limit for a path.
constexpr int kMaxLinkHops = 40;
// Each new attempt follows another writer's finished update; a file that something else keeps
// replacing ends them.
constexpr int kMaxAttempts = 1000;

std::error_code NotRegular(mode_t mode) {
    return SystemError(S_ISDIR(mode) ? EISDIR : EINVAL);
}

// Datemark's read-only attribute, which binds root as well.
bool IsReadOnly(mode_t mode) {
    return (mode & 0222) == 0;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
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

// Opens a file that stat found regular. O_NONBLOCK: if a FIFO took its place meanwhile,
// opening it must not wait for a writer.
std::error_code OpenRegular(const std::string& path, int access, int& fd) {
    fd = ::open(path.c_str(), access | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return LastError();
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return LastError();
    }
    if (!S_ISREG(st.st_mode)) {
        return NotRegular(st.st_mode);
    }
    // A regular file ignores O_NONBLOCK, except that a mandatory lock would then fail the read.
    if (const int flags = ::fcntl(fd, F_GETFL); flags >= 0) {
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    return {};
}

// Waits for an advisory lock. A file system that keeps no locks still gets its files written,
// unguarded.
std::error_code Lock(int fd, int operation) {
    while (::flock(fd, operation) != 0) {
        if (errno == EINTR) {
            continue;
        }
        if (errno == ENOLCK || errno == EOPNOTSUPP || errno == ENOSYS || errno == EINVAL) {
            return {};
        }
        return LastError();
    }
    return {};
}

// A read or write call, made again when a signal interrupted it.
template <class Call> ssize_t Uninterrupted(Call call) {
    ssize_t n = 0;
    do {
        n = call();
    } while (n < 0 && errno == EINTR);
    return n;
}

// Reads an open regular file from its start.
std::error_code ReadOpenFile(int fd, size_t maxBytes, std::string& out) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return LastError();
    }
    if (static_cast<unsigned long long>(st.st_size) > maxBytes) {
        return SystemError(EFBIG);
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
        const ssize_t n = Uninterrupted(
            [&] { return ::pread(fd, bytes.data() + used, bytes.size() - used, static_cast<off_t>(used)); });
        if (n < 0) {
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

// Writes bytes from the start of the file.
std::error_code WriteAll(int fd, std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = Uninterrupted(
            [&] { return ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done)); });
        if (n <= 0) {
            return n < 0 ? LastError() : SystemError(EIO);
        }
        done += static_cast<size_t>(n);
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

// Gives the file at from the name to, unless a file took that name meanwhile (file_exists).
std::error_code RenameNoReplace(const std::string& from, const std::string& to) {
#if defined(__linux__)
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return {};
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return LastError();
    }
#endif
    // A file system that cannot refuse in a rename may still refuse a hard link...
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return {};
    }
    if (errno == EEXIST) {
        return LastError();
    }
    // ...and where it has none, looking first is all that is left.
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) {
        return SystemError(EEXIST);
    }
    return ::rename(from.c_str(), to.c_str()) == 0 ? std::error_code() : LastError();
}

// A file written beside the one it is to become, removed unless it took that one's name.
class TempFile {
public:
    // Named after the file so that one left by a crash tells where it came from; cut so that
    // the name stays within NAME_MAX.
    explicit TempFile(const std::string& target)
        : m_path(FolderOf(target) + "/." + SplitPath(target).name.substr(0, 200) + ".XXXXXX"),
          m_fd(::mkostemp(m_path.data(), O_CLOEXEC)),
          m_error(m_fd.Get() < 0 ? LastError() : std::error_code()) {}
    ~TempFile() {
        if (!m_error && !m_moved) {
            ::unlink(m_path.c_str());
        }
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    std::error_code Error() const { return m_error; }
    int Fd() const { return m_fd.Get(); }

    enum class Existing { Replace, Keep };

    // Syncs it before it takes the name, so that the name never leads to a file still
    // unwritten after a crash.
    std::error_code MoveTo(const std::string& target, Existing existing) {
        if (::fsync(m_fd.Get()) != 0) {
            return LastError();
        }
        if (m_fd.Close() != 0 && errno != EINTR) {
            return LastError();
        }
        const std::error_code error =
            existing == Existing::Replace
                ? (::rename(m_path.c_str(), target.c_str()) == 0 ? std::error_code() : LastError())
                : RenameNoReplace(m_path, target);
        m_moved = !error;
        return error;
    }

private:
    std::string m_path;
    UniqueFd m_fd;
    std::error_code m_error;
    bool m_moved = false;
};

// A list of extended attribute names or a value, sized by asking first. It may grow between
// the two calls: then ask again.
template <class Call> std::error_code QueryGrowing(Call call, std::string& out) {
    for (;;) {
        const ssize_t size = call(nullptr, 0);
        if (size < 0) {
            return LastError();
        }
        out.resize(static_cast<size_t>(size));
        const ssize_t n = call(out.data(), out.size());
        if (n >= 0) {
            out.resize(static_cast<size_t>(n));
            return {};
        }
        if (errno != ERANGE) {
            return LastError();
        }
    }
}

// None where the file system keeps no extended attributes.
std::error_code XattrNames(int fd, std::vector<std::string>& names) {
    std::string list;
    if (const std::error_code error =
            QueryGrowing([fd](char* buffer, size_t size) { return ::flistxattr(fd, buffer, size); }, list)) {
        return error == std::errc::not_supported ? std::error_code() : error;
    }
    for (size_t at = 0; at < list.size();) {
        const size_t end = std::min(list.find('\0', at), list.size());
        names.emplace_back(list, at, end - at);
        at = end + 1;
    }
    return {};
}

// The user's own attributes and ACLs must come along. The rest (security labels, trusted
// attributes, a file system's own records) are the system's to set, which a user may not: the
// copy is then no worse than a file the user made afresh.
bool MayDrop(std::string_view name) {
    return !name.starts_with("user.") && !name.starts_with("system.posix_acl_");
}

// Copies every extended attribute that can be read, ACLs (system.posix_acl_access) included,
// and removes those the new file got by itself (an ACL inherited from the folder's default).
std::error_code CopyXattrs(int from, int to) {
    std::vector<std::string> names;
    std::vector<std::string> given;
    if (const std::error_code error = XattrNames(from, names)) {
        return error;
    }
    for (const std::string& name : names) {
        std::string value;
        std::error_code error = QueryGrowing(
            [&](char* buffer, size_t size) { return ::fgetxattr(from, name.c_str(), buffer, size); }, value);
        if (error == std::errc::no_message_available) { // removed since the list was read
            continue;
        }
        if (!error && ::fsetxattr(to, name.c_str(), value.data(), value.size(), 0) != 0) {
            error = LastError();
        }
        if (error && !MayDrop(name)) {
            return error;
        }
    }
    if (const std::error_code error = XattrNames(to, given)) {
        return error;
    }
    for (const std::string& name : given) {
        if (std::find(names.begin(), names.end(), name) == names.end() &&
            ::fremovexattr(to, name.c_str()) != 0 && !MayDrop(name)) {
            return LastError();
        }
    }
    return {};
}

// Gives the new file the old one's owner, group, extended attributes and mode.
std::error_code KeepIdentity(int from, const struct stat& old, int to) {
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
        // Best effort: root leaves a user's file the user's, and a user may keep a group they
        // belong to. Before fchmod, as chown clears the set-id bits.
        if (::fchown(to, old.st_uid, old.st_gid) != 0) {
            [[maybe_unused]] const int ignored = ::fchown(to, static_cast<uid_t>(-1), old.st_gid);
        }
    }
    if (const std::error_code error = CopyXattrs(from, to)) {
        return error;
    }
    // The ACL set above and the old mode agree; chmod keeps the ACL's named entries.
    return ::fchmod(to, old.st_mode & 07777) == 0 ? std::error_code() : LastError();
}

std::error_code ReplaceLocked(int fd, const struct stat& old, const std::string& target,
                              std::string_view bytes) {
    TempFile temp(target);
    std::error_code error = temp.Error();
    if (!error) {
        error = WriteAll(temp.Fd(), bytes);
    }
    if (!error) {
        error = KeepIdentity(fd, old, temp.Fd());
    }
    if (!error) {
        error = temp.MoveTo(target, TempFile::Existing::Replace);
    }
    if (!error) {
        SyncFolder(FolderOf(target));
    }
    return error;
}

// Takes the space first, so that a full disk or a size limit fails the write while the old
// bytes are still whole.
std::error_code Reserve([[maybe_unused]] int fd, [[maybe_unused]] size_t size) {
#if defined(__linux__)
    if (::fallocate(fd, 0, 0, static_cast<off_t>(size)) != 0 && errno != EOPNOTSUPP && errno != ENOSYS) {
        return LastError();
    }
#endif
    return {};
}

std::error_code RewriteInPlace(int fd, const std::string& old, std::string_view bytes) {
    std::error_code error = bytes.size() > old.size() ? Reserve(fd, bytes.size()) : std::error_code();
    if (!error) {
        error = WriteAll(fd, bytes);
    }
    if (!error && ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) {
        error = LastError();
    }
    if (error) {
        if (!WriteAll(fd, old)) {
            ::ftruncate(fd, static_cast<off_t>(old.size()));
        }
        return error;
    }
    return ::fsync(fd) == 0 ? std::error_code() : LastError();
}

std::error_code CreateNew(const std::string& target, std::string_view bytes, CreateFolders createFolders,
                          bool& again) {
    if (createFolders == CreateFolders::Yes) {
        if (const std::error_code error = MakeFolders(FolderOf(target))) {
            return error;
        }
    }
    TempFile temp(target);
    std::error_code error = temp.Error();
    if (!error) {
        error = WriteAll(temp.Fd(), bytes);
    }
    if (!error && ::fchmod(temp.Fd(), NewFileMode()) != 0) {
        error = LastError();
    }
    if (!error) {
        error = temp.MoveTo(target, TempFile::Existing::Keep);
    }
    if (error == std::errc::file_exists) {
        again = true;
        return {};
    }
    if (!error) {
        SyncFolder(FolderOf(target));
    }
    return error;
}

// One attempt of UpdateFile; again is set when another writer came first.
std::error_code UpdateOnce(const std::string& target, size_t maxBytes, CreateFolders createFolders,
                           const FileChange& change, bool& again) {
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0) {
        if (errno != ENOENT) {
            return LastError();
        }
        const std::optional<std::string> bytes = change(std::nullopt);
        return bytes ? CreateNew(target, *bytes, createFolders, again) : std::error_code();
    }
    if (!S_ISREG(st.st_mode)) {
        return NotRegular(st.st_mode);
    }
    if (IsReadOnly(st.st_mode)) {
        return SystemError(EACCES);
    }
    int fd = -1;
    const std::error_code opened = OpenRegular(target, O_RDWR, fd);
    const UniqueFd file(fd);
    if (opened) {
        again = opened == std::errc::no_such_file_or_directory;
        return again ? std::error_code() : opened;
    }
    if (const std::error_code error = Lock(fd, LOCK_EX)) {
        return error;
    }
    struct stat now {};
    if (::fstat(fd, &st) != 0) {
        return LastError();
    }
    if (::stat(target.c_str(), &now) != 0 || !SameFile(st, now)) {
        again = true;
        return {};
    }
    if (IsReadOnly(st.st_mode)) { // made so while this waited
        return SystemError(EACCES);
    }
    std::string old;
    if (const std::error_code error = ReadOpenFile(fd, maxBytes, old)) {
        return error;
    }
    const std::optional<std::string> bytes = change(old);
    if (!bytes) {
        return {};
    }
    // Every name of a hard-linked file must see the change, and a rename would part them.
    return st.st_nlink > 1 ? RewriteInPlace(fd, old, *bytes) : ReplaceLocked(fd, st, target, *bytes);
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
    int fd = -1;
    const std::error_code opened = OpenRegular(path, O_RDONLY, fd);
    const UniqueFd file(fd);
    if (opened) {
        return opened;
    }
    // Only a file rewritten in place holds the lock long enough to matter.
    if (const std::error_code error = Lock(fd, LOCK_SH)) {
        return error;
    }
    return ReadOpenFile(fd, maxBytes, out);
}

std::error_code UpdateFile(const std::string& path, size_t maxBytes, CreateFolders createFolders,
                           const FileChange& change) {
    std::string target = path;
    if (const std::error_code error = ResolveLinks(target)) {
        return error;
    }
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        bool again = false;
        const std::error_code error = UpdateOnce(target, maxBytes, createFolders, change, again);
        if (error || !again) {
            return error;
        }
    }
    return SystemError(EBUSY);
}

bool CanUpdateFile(const std::string& path) {
    std::string target = path;
    if (ResolveLinks(target)) {
        return false;
    }
    const bool folderWritable = ::faccessat(AT_FDCWD, FolderOf(target).c_str(), W_OK | X_OK, AT_EACCESS) == 0;
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0) {
        return errno == ENOENT && folderWritable;
    }
    return S_ISREG(st.st_mode) && !IsReadOnly(st.st_mode) &&
           ::faccessat(AT_FDCWD, target.c_str(), R_OK | W_OK, AT_EACCESS) == 0 &&
           (st.st_nlink > 1 || folderWritable);
}

std::unique_ptr<AppendFile> AppendFile::Create(const std::string& path, CreateFolders createFolders,
                                               size_t reserveBytes, std::error_code& error) {
    error.clear();
    if (createFolders == CreateFolders::Yes) {
        if ((error = MakeFolders(FolderOf(path)))) {
            return nullptr;
        }
    }
    // Read as well as write: a mapping that is written must be readable.
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (fd.Get() < 0) {
        error = LastError();
        return nullptr;
    }
    std::unique_ptr<AppendFile> file(new AppendFile(fd.Release(), reserveBytes));
    if ((error = file->TakeSpace(reserveBytes))) {
        file->Close();
        ::unlink(path.c_str());
        return nullptr;
    }
    return file;
}

// Holds bytes more at the end, the length growing over them; where the file system cannot hold
// space ahead, appending grows the file as it goes.
std::error_code AppendFile::TakeSpace(uint64_t bytes) {
    if (bytes == 0 || m_reserve == 0) {
        return {};
    }
    if (::fallocate(m_fd, 0, static_cast<off_t>(m_taken), static_cast<off_t>(bytes)) != 0) {
        if (errno != EOPNOTSUPP) {
            return LastError();
        }
        m_reserve = 0;
        return {};
    }
    m_taken += bytes;
    Map();
    return {};
}

// Only space really held is mapped: a store into it cannot meet a full disk. Where mapping
// fails, records are written by calls.
void AppendFile::Map() {
    Unmap();
    const auto page = static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
    const uint64_t start = m_written / page * page;
    void* map =
        ::mmap(nullptr, m_taken - start, PROT_READ | PROT_WRITE, MAP_SHARED, m_fd, static_cast<off_t>(start));
    if (map != MAP_FAILED) {
        m_map = static_cast<char*>(map);
        m_mapStart = start;
        m_mapSize = m_taken - start;
    }
}

void AppendFile::Unmap() {
    if (m_map != nullptr) {
        ::munmap(m_map, m_mapSize);
        m_map = nullptr;
    }
}

AppendFile::~AppendFile() {
    Close();
}

namespace {

void StoreWord(char* at, const char* from) {
    uint32_t word = 0;
    std::memcpy(&word, from, 4);
    if (reinterpret_cast<uintptr_t>(at) % alignof(uint32_t) == 0) {
        std::atomic_ref<uint32_t>(*reinterpret_cast<uint32_t*>(at)).store(word, std::memory_order_relaxed);
    } else {
        std::memcpy(at, &word, 4);
    }
    // Kept in this order by the compiler too: a process stops between two instructions, never
    // inside one, so what a store wrote before it stopped is in the file.
    std::atomic_signal_fence(std::memory_order_seq_cst);
}

} // namespace

std::error_code AppendFile::Append(std::string_view record) {
    if (m_written + record.size() > m_taken) {
        if (auto ec = TakeSpace(std::max<uint64_t>(m_reserve, m_written + record.size() - m_taken))) {
            return ec;
        }
    }
    if (m_map != nullptr && m_written + record.size() <= m_mapStart + m_mapSize && record.size() >= 8) {
        char* const at = m_map + (m_written - m_mapStart);
        StoreWord(at, record.data());
        std::memcpy(at + 4, record.data() + 4, record.size() - 8);
        std::atomic_signal_fence(std::memory_order_seq_cst);
        StoreWord(at + record.size() - 4, record.data() + record.size() - 4);
        m_written += record.size();
        return {};
    }
    // One write for the record, at its place: a regular file takes it whole or fails (a short
    // write happens only on a full disk, and the record's own length and check show it then).
    const ssize_t n = ::pwrite(m_fd, record.data(), record.size(), static_cast<off_t>(m_written));
    if (n < 0) {
        return LastError();
    }
    if (static_cast<size_t>(n) != record.size()) {
        return SystemError(ENOSPC);
    }
    m_written += record.size();
    return {};
}

// Writes what was stored into the mapping too.
std::error_code AppendFile::Sync() {
    return ::fdatasync(m_fd) == 0 ? std::error_code() : LastError();
}

std::error_code AppendFile::Close() {
    if (m_fd < 0) {
        return {};
    }
    Unmap();
    const bool cut = m_taken == m_written || ::ftruncate(m_fd, static_cast<off_t>(m_written)) == 0;
    const std::error_code cutError = cut ? std::error_code() : LastError();
    const int result = ::close(m_fd);
    m_fd = -1;
    return cutError ? cutError : result == 0 ? std::error_code() : LastError();
}

std::error_code ListFolder(const std::string& folder, std::vector<std::string>& names) {
    names.clear();
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return LastError();
    }
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            names.emplace_back(name);
        }
        errno = 0;
    }
    const std::error_code error = errno != 0 ? LastError() : std::error_code();
    ::closedir(dir);
    return error;
}

std::error_code RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0 ? std::error_code() : LastError();
}

} // namespace platform
