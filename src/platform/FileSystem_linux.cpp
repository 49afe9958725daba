// Generic Linux body of the file operations. Changes go through O_PATH handles; the calls that
// reach a handle's inode without a name came late to Linux (utimensat with AT_EMPTY_PATH 5.8,
// fchmodat2 6.6), and the extended attribute calls still take no O_PATH descriptor, so those
// go through /proc/self/fd, which leads to the handle's inode itself. Where neither is there,
// the change is refused rather than made by name.
#include "platform/Bytes.h"
#include "platform/DosAttrib.h"
#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "platform/Posix.h"
#include "platform/Process.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <map>
#include <mutex>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace platform {
namespace {

constexpr uint32_t kSettable = attr::Settable;
constexpr uint32_t kFatBits = attr::ReadOnly | attr::Hidden | attr::System | attr::Archive;

constexpr const char* kDosAttribName = "user.DOSATTRIB";
constexpr const char* kNtfsAttribName = "system.ntfs_attrib";
constexpr const char* kNtfsCrtimeName = "system.ntfs_crtime";
constexpr const char* kCifsAttribName = "user.cifs.dosattrib";
constexpr const char* kCifsCrtimeName = "user.cifs.creationtime";

constexpr long kNtfs3Magic = 0x7366746e;
constexpr long kNtfsOldMagic = 0x5346544e;
// NTFS marks folders with its index flag; Windows shows the directory bit instead.
constexpr uint32_t kNtfsIndexPresent = 0x10000000;

constexpr long kFchmodat2Call = 452;
constexpr long kSetxattratCall = 463;
constexpr long kGetxattratCall = 464;
constexpr long kRemovexattratCall = 466;

constexpr unsigned kStatMask = STATX_TYPE | STATX_MODE | STATX_UID | STATX_INO | STATX_SIZE | STATX_MTIME |
                               STATX_BTIME | STATX_MNT_ID | STATX_NLINK;

std::error_code ErrorOf(int code) {
    // ENOSYS from a handle step: the kernel has no call that reaches the inode without a name.
    return code == ENOSYS ? make_error_code(Errc::no_safe_way) : SystemError(code);
}

std::error_code LastHandleError() {
    return ErrorOf(errno);
}

// ---------------------------------------------------------------------------------------------
// How an item is reached by the system calls: through a handle, or by name for questions.

struct Target {
    int dirFd;        // the handle itself, a folder, or AT_FDCWD
    const char* name; // "" for a handle
    int atFlags;      // AT_EMPTY_PATH for a handle; AT_SYMLINK_NOFOLLOW for a walked name
    bool handle;
    bool folder;           // a handle's item is a folder
    bool dotName;          // the name the item was found by starts with "."
    const ItemRef* ref;    // for questions by name
    bool readable = false; // a handle open for reading: the f*xattr calls take it as it is

    bool Follows() const { return !handle && (atFlags & AT_SYMLINK_NOFOLLOW) == 0; }
};

// The last component of a name, for the rule that a dot name is hidden.
std::string_view LeafName(std::string_view name) {
    while (name.size() > 1 && name.back() == '/') {
        name.remove_suffix(1);
    }
    const size_t slash = name.rfind('/');
    return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

bool IsDotName(std::string_view leaf) {
    return leaf.size() > 1 && leaf[0] == '.' && leaf != "..";
}

Target TargetOf(const ItemRef& item) {
    const bool follow = item.Follows();
    const int dirFd = item.Folder() != nullptr ? DirectoryAccess::Fd(*item.Folder()) : AT_FDCWD;
    const char* name = item.Folder() != nullptr ? item.Name() : item.FullPath().c_str();
    return {dirFd, name, follow ? 0 : AT_SYMLINK_NOFOLLOW, false, false, IsDotName(LeafName(name)), &item};
}

Target TargetOf(const Item& item) {
    if (const ItemRef* place = ItemAccess::PlaceOf(item)) {
        return TargetOf(*place);
    }
    return {ItemAccess::Fd(item),
            "",
            AT_EMPTY_PATH,
            true,
            item.Type() == ItemType::Folder,
            ItemAccess::DotName(item),
            nullptr,
            ItemAccess::Readable(item)};
}

// A /proc path for what has no call of its own. A handle's path leads to its inode whatever
// happened to its name; a name in a folder is looked up in that folder.
class ProcPath {
public:
    explicit ProcPath(const Target& t) {
        const int n = t.handle ? std::snprintf(m_buffer.data(), m_buffer.size(), "/proc/self/fd/%d", t.dirFd)
                               : std::snprintf(m_buffer.data(), m_buffer.size(), "/proc/self/fd/%d/%s",
                                               t.dirFd, t.name);
        m_ok = ProcFdUsable() && n > 0 && static_cast<size_t>(n) < m_buffer.size();
    }
    bool Usable() const { return m_ok; }
    const char* c_str() const { return m_buffer.data(); }

private:
    std::array<char, 320> m_buffer{};
    bool m_ok = false;
};

// A path for a question by name that has no *at form. Only questions use it: nothing is
// changed through a path.
std::string QuestionPath(const Target& t) {
    if (t.dirFd == AT_FDCWD) {
        return t.name;
    }
    const ProcPath proc(t);
    return proc.Usable() ? std::string(proc.c_str()) : t.ref != nullptr ? t.ref->FullPath() : std::string();
}

// A folder handle opened again for reading, for the calls that take no O_PATH descriptor.
UniqueFd ReopenFolder(const Target& t) {
    return UniqueFd(::openat(t.dirFd, ".", O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC));
}

// ---------------------------------------------------------------------------------------------
// Extended attributes.

struct XattrArgs {
    uint64_t value;
    uint32_t size;
    uint32_t flags;
};
std::atomic<bool> g_xattrAtCalls{true};

// The *xattrat calls (Linux 6.13) spare the /proc path for a name in a folder. Older kernels
// answer ENOSYS; a sandbox that does not know them may answer EPERM instead, which the path call
// then settles.
template <class ByPath> long SettleAtCall(long result, ByPath byPath) {
    if (result >= 0 || (errno != ENOSYS && errno != EPERM)) {
        return result;
    }
    const bool unknown = errno == ENOSYS;
    const long answer = byPath();
    if (unknown || answer >= 0) {
        g_xattrAtCalls.store(false, std::memory_order_relaxed);
    }
    return answer;
}

// Whether the *xattrat calls answer here, asked once; a sandbox may refuse them where the kernel
// has them.
bool XattrAtCallsAnswer() {
    static const bool answer = [] {
        XattrArgs args{0, 0, 0};
        return ::syscall(kGetxattratCall, AT_FDCWD, "/", 0, "user.DOSATTRIB", &args, sizeof args) >= 0 ||
               (errno != ENOSYS && errno != EPERM);
    }();
    return answer && g_xattrAtCalls.load(std::memory_order_relaxed);
}

ssize_t GetXattrByName(const Target& t, const char* name, void* value, size_t size) {
    const auto byPath = [&] {
        const std::string path = QuestionPath(t);
        return static_cast<long>(t.Follows() ? ::getxattr(path.c_str(), name, value, size)
                                             : ::lgetxattr(path.c_str(), name, value, size));
    };
    if (t.dirFd == AT_FDCWD || !g_xattrAtCalls.load(std::memory_order_relaxed)) {
        return byPath();
    }
    XattrArgs args{reinterpret_cast<uintptr_t>(value), static_cast<uint32_t>(size), 0};
    return SettleAtCall(::syscall(kGetxattratCall, t.dirFd, t.name, t.atFlags, name, &args, sizeof args),
                        byPath);
}

// This process's /proc/<pid>/fd, opened once per process (a child made by fork opens its own:
// the parent's would lead to the parent's descriptors). A handle's entry there is one short
// step from its inode, where the full /proc/self/fd path costs a walk of five names.
int ProcFdFolder() {
    static std::mutex mutex;
    static int folder = -1;
    static pid_t owner = 0;
    const pid_t self = ::getpid();
    const std::lock_guard lock(mutex);
    if (owner != self) {
        if (folder >= 0) {
            ::close(folder); // a forked child's copy of its parent's
        }
        folder = ::open("/proc/self/fd", O_PATH | O_DIRECTORY | O_CLOEXEC);
        owner = self;
    }
    return folder;
}

// The *xattrat calls on a handle's /proc entry, where the kernel has them; ENOSYS otherwise,
// for the caller to take the path.
template <class Call> long ByProcEntry(const Target& t, Call call) {
    if (!g_xattrAtCalls.load(std::memory_order_relaxed) || !ProcFdUsable()) {
        errno = ENOSYS;
        return -1;
    }
    const int folder = ProcFdFolder();
    std::array<char, 16> entry{};
    if (folder < 0 || std::snprintf(entry.data(), entry.size(), "%d", t.dirFd) <= 0) {
        errno = ENOSYS;
        return -1;
    }
    const long result = call(folder, entry.data());
    if (result < 0 && (errno == ENOSYS || errno == EPERM)) {
        // EPERM here is a sandbox that does not know the call, not a refusal: the path settles it.
        if (errno == ENOSYS) {
            g_xattrAtCalls.store(false, std::memory_order_relaxed);
        }
        errno = ENOSYS;
    }
    return result;
}

// One extended-attribute call on a handle: on the descriptor itself where it was opened for
// reading, else on its /proc entry (the *xattrat calls) or its /proc path, else, for a folder,
// on the folder opened again for reading; ENOSYS where none of these is there.
template <class OnFd, class OnEntry, class OnPath>
long OnHandle(const Target& t, OnFd onFd, OnEntry onEntry, OnPath onPath) {
    if (t.readable) {
        return onFd(t.dirFd);
    }
    if (const long r = ByProcEntry(t, onEntry); r >= 0 || errno != ENOSYS) {
        return r;
    }
    if (const ProcPath proc(t); proc.Usable()) {
        return onPath(proc.c_str());
    }
    if (t.folder) {
        const UniqueFd fd = ReopenFolder(t);
        return fd.Get() < 0 ? -1 : onFd(fd.Get());
    }
    errno = ENOSYS;
    return -1;
}

ssize_t GetXattr(const Target& t, const char* name, void* value, size_t size) {
    if (!t.handle) {
        return GetXattrByName(t, name, value, size);
    }
    XattrArgs args{reinterpret_cast<uintptr_t>(value), static_cast<uint32_t>(size), 0};
    return OnHandle(
        t, [&](int fd) -> long { return ::fgetxattr(fd, name, value, size); },
        [&](int folder, const char* entry) {
            return ::syscall(kGetxattratCall, folder, entry, 0, name, &args, sizeof args);
        },
        [&](const char* path) -> long { return ::getxattr(path, name, value, size); });
}

int SetXattr(const Target& t, const char* name, const void* value, size_t size) {
    if (!t.handle) {
        errno = ENOSYS;
        return -1;
    }
    XattrArgs args{reinterpret_cast<uintptr_t>(value), static_cast<uint32_t>(size), 0};
    return static_cast<int>(OnHandle(
        t, [&](int fd) -> long { return ::fsetxattr(fd, name, value, size, 0); },
        [&](int folder, const char* entry) {
            return ::syscall(kSetxattratCall, folder, entry, 0, name, &args, sizeof args);
        },
        [&](const char* path) -> long { return ::setxattr(path, name, value, size, 0); }));
}

int RemoveXattr(const Target& t, const char* name) {
    if (!t.handle) {
        errno = ENOSYS;
        return -1;
    }
    return static_cast<int>(OnHandle(
        t, [&](int fd) -> long { return ::fremovexattr(fd, name); },
        [&](int folder, const char* entry) { return ::syscall(kRemovexattratCall, folder, entry, 0, name); },
        [&](const char* path) -> long { return ::removexattr(path, name); }));
}

// ---------------------------------------------------------------------------------------------
// Changes through a handle.

int Chmod(const Target& t, mode_t mode) {
    if (!t.handle) { // a mode is changed through a handle only, never by a name that may move
        errno = EBADF;
        return -1;
    }
    if (::syscall(kFchmodat2Call, t.dirFd, "", mode, AT_EMPTY_PATH) == 0) {
        return 0;
    }
    if (errno != ENOSYS && errno != EPERM && errno != EINVAL) {
        return -1;
    }
    const int first = errno;
    if (const ProcPath proc(t); proc.Usable()) {
        return ::fchmodat(AT_FDCWD, proc.c_str(), mode, 0);
    }
    errno = first == EPERM ? EPERM : ENOSYS;
    return -1;
}

int SetMtime(const Target& t, const UtcTime& time) {
    const struct timespec times[2] = {
        {0, UTIME_OMIT}, {static_cast<time_t>(time.seconds), static_cast<long>(time.nanoseconds)}};
    // A descriptor open for reading takes the call without a name: an empty one costs the kernel
    // a name lookup of its own, a third of the step.
    if (t.readable) {
        return ::futimens(t.dirFd, times);
    }
    if (::utimensat(t.dirFd, t.name, times, t.atFlags) == 0) {
        return 0;
    }
    if (errno != EINVAL || !t.handle) {
        return -1;
    }
    // Before Linux 5.8 utimensat took no AT_EMPTY_PATH.
    if (const ProcPath proc(t); proc.Usable()) {
        return ::utimensat(AT_FDCWD, proc.c_str(), times, 0);
    }
    errno = ENOSYS;
    return -1;
}

// FAT and exFAT keep the attributes in the directory entry, reached by an ioctl on an open
// item. Only real files and folders are opened, without blocking.
UniqueFd OpenForIoctl(const Target& t) {
    if (!t.handle) {
        return UniqueFd(::openat(
            t.dirFd, t.name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (t.Follows() ? 0 : O_NOFOLLOW)));
    }
    if (t.folder) {
        return ReopenFolder(t);
    }
    if (const ProcPath proc(t); proc.Usable()) {
        return UniqueFd(::open(proc.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    }
    errno = ENOSYS;
    return UniqueFd(-1);
}

// ---------------------------------------------------------------------------------------------
// statx

struct StatResult {
    uint32_t mode = 0;
    uint32_t uid = 0;
    bool locked = false; // immutable or append-only: even root may not change it
    uint64_t size = 0;
    uint32_t links = 1;
    ItemId id;
    uint64_t mountId = 0;
    UtcTime modified;
    std::optional<UtcTime> born;

    bool IsDirectory() const { return S_ISDIR(mode); }
};

// Device numbers as statx gives them, so that a folder and the items in it compare.
uint64_t DeviceOf(const struct statx& sx) {
    return static_cast<uint64_t>(sx.stx_dev_major) << 32 | sx.stx_dev_minor;
}

void Fill(const struct statx& sx, StatResult& out) {
    out.mode = sx.stx_mode;
    out.uid = sx.stx_uid;
    out.links = (sx.stx_mask & STATX_NLINK) != 0 ? sx.stx_nlink : 1;
    out.locked =
        (sx.stx_attributes & sx.stx_attributes_mask & (STATX_ATTR_IMMUTABLE | STATX_ATTR_APPEND)) != 0;
    out.size = sx.stx_size;
    out.id = {DeviceOf(sx), sx.stx_ino};
    out.mountId = (sx.stx_mask & STATX_MNT_ID) != 0 ? sx.stx_mnt_id : 0;
    out.modified = UtcTime{sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec};
    out.born.reset();
    // Some file systems answer with a zero birth time rather than none.
    if ((sx.stx_mask & STATX_BTIME) != 0 && (sx.stx_btime.tv_sec != 0 || sx.stx_btime.tv_nsec != 0)) {
        out.born = UtcTime{sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec};
    }
}

std::error_code DoStat(int dirFd, const char* name, int atFlags, StatResult& out) {
    struct statx sx {};
    if (::statx(dirFd, name, atFlags | AT_STATX_SYNC_AS_STAT, kStatMask, &sx) != 0) {
        return LastError();
    }
    Fill(sx, out);
    return {};
}

std::error_code DoStat(const Target& t, StatResult& out) {
    return DoStat(t.dirFd, t.name, t.atFlags, out);
}

ItemType TypeOf(uint32_t mode) {
    return S_ISREG(mode)   ? ItemType::File
           : S_ISDIR(mode) ? ItemType::Folder
           : S_ISLNK(mode) ? ItemType::Link
                           : ItemType::Other;
}

// ---------------------------------------------------------------------------------------------
// Which store a file system uses, found once per device.

enum class Store { Native, Fat, Exfat, Ntfs, Smb };

struct FsInfo {
    Store store = Store::Native;
    bool ntfsCrtime = false;   // ntfs-3g: creation time through system.ntfs_crtime
    int64_t resolutionNs = 1;  // the last-write time's step on disk
    bool readOnly = false;     // mounted read-only
    bool keepsRecords = false; // a record was read here, or found missing: user attributes work
};

// Mount points in the mount table escape spaces and the like as "\ooo".
std::string Unescaped(std::string_view field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field.find_first_not_of("01234567", i + 1) >= i + 4) {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                     (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

// The mount table's line of a mount, found by its id (first field) or by its device
// (third field, "major:minor"), split into its point and type.
std::optional<MountInfo> FindMount(const std::string& field, size_t index) {
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        // id parent major:minor root mountpoint options [optional fields] - type source options
        std::vector<std::string_view> fields;
        for (size_t p = 0; p < line.size();) {
            const size_t space = std::min(line.find(' ', p), line.size());
            fields.emplace_back(line.data() + p, space - p);
            p = space + 1;
        }
        const auto dash = std::find(fields.begin(), fields.end(), "-");
        if (fields.size() < 5 || dash == fields.end() || dash + 1 == fields.end() || fields[index] != field) {
            continue;
        }
        return MountInfo{Unescaped(fields[4]), std::string(dash[1])};
    }
    return std::nullopt;
}

std::string MountTypeOf(uint64_t device) {
    const auto mount =
        FindMount(std::to_string(device >> 32) + ":" + std::to_string(device & 0xFFFFFFFFU), 2);
    return mount ? mount->type : std::string();
}

int StatFs(const Target& t, struct statfs& sf) {
    if (t.handle || (t.dirFd != AT_FDCWD && std::strcmp(t.name, ".") == 0)) {
        return ::fstatfs(t.dirFd, &sf);
    }
    return ::statfs(QuestionPath(t).c_str(), &sf);
}

FsInfo DetectFs(const Target& t, uint64_t device) {
    FsInfo info;
    struct statfs sf {};
    if (StatFs(t, sf) != 0) {
        return info;
    }
    info.readOnly = (sf.f_flags & ST_RDONLY) != 0;
    switch (static_cast<unsigned long>(sf.f_type)) {
    case MSDOS_SUPER_MAGIC:
        info.store = Store::Fat;
        info.resolutionNs = 2'000'000'000;
        break;
    case EXFAT_SUPER_MAGIC:
        info.store = Store::Exfat;
        info.resolutionNs = 10'000'000;
        break;
    case kNtfs3Magic:
    case kNtfsOldMagic:
        info.store = Store::Ntfs;
        info.resolutionNs = 100;
        break;
    case CIFS_SUPER_MAGIC:
    case SMB2_SUPER_MAGIC:
        info.store = Store::Smb;
        info.resolutionNs = 100;
        break;
    case FUSE_SUPER_MAGIC: {
        // ntfs-3g mounts as "fuseblk", or plain "fuse" for an image file; other FUSE file
        // systems name themselves ("fuse.sshfs"). Only a real answer for the NTFS attribute
        // makes it NTFS.
        const std::string type = MountTypeOf(device);
        const bool candidate =
            type == "fuseblk" || type == "fuse" || type.find("ntfs") != std::string::npos || type.empty();
        uint32_t probe = 0;
        if (candidate && GetXattr(t, kNtfsAttribName, &probe, sizeof probe) == sizeof probe) {
            info.store = Store::Ntfs;
            info.ntfsCrtime = true;
            info.resolutionNs = 100;
        }
        break;
    }
    default:
        break;
    }
    return info;
}

struct TimesAsked {
    std::optional<UtcTime> updated;
    std::optional<UtcTime> created;
};

// Which of the times asked were already read back exactly.
struct Verified {
    bool updated = false;
    bool created = false;
};

struct FsKey {
    uint64_t device = 0;
    uint64_t mountId = 0;
    friend auto operator<=>(const FsKey&, const FsKey&) = default;
};

FsKey KeyOf(const StatResult& st) {
    return {st.id.device, st.mountId};
}

// What is known of each mounted file system. Device numbers are handed out again when a medium
// is unmounted, so an answer is tied to the mount as well and looked at afresh after a few
// seconds: nobody swaps a stick faster.
class FsCache {
public:
    FsInfo Get(const Target& probe, const FsKey& key) {
        const std::lock_guard lock(m_mutex);
        return Fresh(probe, key).info;
    }

    // The same, and whether these times were already read back exactly on this file system:
    // the outcome depends on the file system and the time, not on the file.
    FsInfo Get(const Target& probe, const FsKey& key, const TimesAsked& times, Verified& verified) {
        const std::lock_guard lock(m_mutex);
        const Entry& e = Fresh(probe, key);
        verified.updated = times.updated && e.verified.updated == times.updated;
        verified.created = times.created && e.verified.created == times.created;
        return e.info;
    }

    void MarkKeepsRecords(const FsKey& key) {
        const std::lock_guard lock(m_mutex);
        if (const auto it = m_known.find(key); it != m_known.end()) {
            it->second.info.keepsRecords = true;
        }
    }

    void MarkVerified(const FsKey& key, const TimesAsked& times) {
        const std::lock_guard lock(m_mutex);
        const auto it = m_known.find(key);
        if (it != m_known.end()) {
            Entry& e = it->second;
            e.verified.updated = times.updated ? times.updated : e.verified.updated;
            e.verified.created = times.created ? times.created : e.verified.created;
        }
    }

private:
    struct Entry {
        FsInfo info;
        int64_t when = -1; // the coarse clock's milliseconds when detected; -1 never
        TimesAsked verified;
    };

    Entry& Fresh(const Target& probe, const FsKey& key) {
        // The coarse clock, a few milliseconds fine, is read in a fraction of the time of the fine
        // one, and this runs several times an item.
        timespec ts{};
        ::clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
        const int64_t now = int64_t{ts.tv_sec} * 1000 + ts.tv_nsec / 1'000'000;
        Entry& e = m_known[key];
        if (e.when < 0 || now - e.when >= 5000) {
            e = Entry{DetectFs(probe, key.device), now, {}};
        }
        return e;
    }

    std::mutex m_mutex;
    std::map<FsKey, Entry> m_known;
};

FsCache& Filesystems() {
    static FsCache cache;
    return cache;
}

FsInfo FsOf(const Target& t, const StatResult& st) {
    return Filesystems().Get(t, KeyOf(st));
}

// ---------------------------------------------------------------------------------------------
// Taking the owner's rights for a step.

// Puts the exact mode back when it goes, unless the step settled on another (a new read-only
// state). The owner may always change the mode, so a step that the mode denies the owner
// (writing the record of a read-only file, reading that of a file of mode 000) takes the right,
// does the step, and leaves the mode as it was.
class ModeKeeper {
public:
    ModeKeeper(const Target& t, mode_t mode)
        : m_target(t), m_original(mode), m_current(mode), m_final(mode) {}
    ~ModeKeeper() {
        if (m_current != m_final) {
            Chmod(m_target, m_final);
        }
    }
    ModeKeeper(const ModeKeeper&) = delete;
    ModeKeeper& operator=(const ModeKeeper&) = delete;

    // After a step failed with EACCES: gives the owner both rights on the record; false when
    // there is nothing to take or taking it fails (then the step's own error stands).
    bool Grant() {
        const mode_t wanted = m_current | S_IRUSR | S_IWUSR;
        if (wanted == m_current || Chmod(m_target, wanted) != 0) {
            return false;
        }
        m_current = wanted;
        return true;
    }

    // Sets the mode the item ends with.
    std::error_code Finish(mode_t mode) {
        if (mode != m_current && Chmod(m_target, mode) != 0) {
            return LastHandleError();
        }
        m_current = m_final = mode;
        return {};
    }

    mode_t Original() const { return m_original; }

private:
    Target m_target;
    mode_t m_original;
    mode_t m_current;
    mode_t m_final;
};

// Runs a step, and once more with the owner's rights when the mode denied it.
template <class Step> std::error_code WithRights(ModeKeeper* keeper, Step step) {
    std::error_code ec = step();
    if (ec == std::errc::permission_denied && keeper != nullptr && keeper->Grant()) {
        ec = step();
    }
    return ec;
}

// ---------------------------------------------------------------------------------------------
// The user.DOSATTRIB record: read and written in one place, which a creation time joins.

struct DosRecord {
    bool present = false; // the extended attribute is there (exists: and holds a readable record)
    bool exists = false;
    std::string raw;
    uint32_t value = 0;
    std::optional<uint64_t> created; // NT ticks, where the record holds a creation time
    bool unsupported = false;        // the file system keeps no user extended attributes
};

std::error_code ReadDosRecordOnce(const Target& t, DosRecord& record) {
    record = DosRecord();
    std::array<char, 256> buffer{};
    ssize_t n = GetXattr(t, kDosAttribName, buffer.data(), buffer.size());
    if (n >= 0) {
        record.raw.assign(buffer.data(), static_cast<size_t>(n));
        record.present = true;
    } else if (errno == ERANGE) {
        // Larger than any record written here; read whole, so that rewriting keeps its fields.
        n = GetXattr(t, kDosAttribName, nullptr, 0);
        if (n > 0) {
            record.raw.assign(static_cast<size_t>(n), '\0');
            n = GetXattr(t, kDosAttribName, record.raw.data(), record.raw.size());
            record.raw.resize(n > 0 ? static_cast<size_t>(n) : 0);
            record.present = n >= 0;
        }
    }
    if (n < 0) {
        // No record, or a file system without user attributes: nothing is set.
        if (errno == ENODATA || errno == ENOTSUP || errno == EPERM) {
            record.unsupported = errno != ENODATA;
            return {};
        }
        return LastHandleError();
    }
    DosAttrib decoded;
    if (!DecodeDosAttrib(record.raw, decoded) && !record.raw.empty()) {
        record.exists = true;
        record.value = decoded.attributes;
        record.created = decoded.created;
    }
    return {};
}

std::error_code ReadDosRecord(const Target& t, DosRecord& record, ModeKeeper* keeper) {
    return WithRights(keeper, [&] { return ReadDosRecordOnce(t, record); });
}

// Writes the record with these attributes and, when given, this creation time (NT ticks);
// everything else the record held stays.
std::error_code WriteDosRecord(const Target& t, const DosRecord& old, uint32_t value, ModeKeeper* keeper,
                               std::optional<uint64_t> created = std::nullopt) {
    std::string encoded;
    DosAttrib record;
    record.raw = old.raw;
    record.attributes = value;
    record.created = created ? created : old.created;
    if (auto ec = EncodeDosAttrib(record, encoded)) {
        return ec; // a record of a newer kind, or a damaged one, is never overwritten
    }
    return WithRights(keeper, [&] {
        return SetXattr(t, kDosAttribName, encoded.data(), encoded.size()) == 0 ? std::error_code()
                                                                                : LastHandleError();
    });
}

// Puts a record back as it was read, after a later step of the same change failed.
void RestoreDosRecord(const Target& t, const DosRecord& old) {
    if (!old.present) {
        RemoveXattr(t, kDosAttribName);
    } else {
        SetXattr(t, kDosAttribName, old.raw.data(), old.raw.size());
    }
}

// ---------------------------------------------------------------------------------------------
// Attribute stores.

uint32_t WithNormal(uint32_t a) {
    return (a & ~attr::Normal) == 0 ? attr::Normal : a & ~attr::Normal;
}

// What the caller asks for, Normal (alone or not) meaning "no bits".
uint32_t Requested(uint32_t a) {
    return a & kSettable;
}

// A file is read-only when nobody may write to it, or when the record says so, as Samba's
// clients see it (Samba keeps read-only in the record and leaves the permissions alone).
uint32_t NativeAttributes(const Target& t, const StatResult& st, const DosRecord& dos) {
    uint32_t a = dos.value & ~(attr::Directory | attr::Normal);
    if (st.IsDirectory()) {
        a |= attr::Directory;
    } else if ((st.mode & 0222) == 0) {
        a |= attr::ReadOnly;
    }
    if (t.dotName) {
        a |= attr::Hidden;
    }
    return WithNormal(a);
}

mode_t ModeFor(mode_t mode, bool readOnly) {
    if (readOnly) {
        return mode & static_cast<mode_t>(~0222);
    }
    if ((mode & 0222) != 0) {
        return mode;
    }
    // Write for the owner, and for group and others where they may read, as a new file would
    // get it.
    const mode_t others = ((mode & S_IRGRP) != 0 ? S_IWGRP : 0) | ((mode & S_IROTH) != 0 ? S_IWOTH : 0);
    mode_t newMode = mode | S_IWUSR;
    if (others != 0) { // reading the mask costs a file read; most read-only files need none
        newMode |= others & ~static_cast<mode_t>(CurrentUmask().value_or(077));
    }
    return newMode;
}

// A record read before, as ReadDosRecordOnce would have read it.
DosRecord KnownRecord(const std::string& raw) {
    DosRecord record;
    record.present = true;
    record.raw = raw;
    DosAttrib decoded;
    if (!DecodeDosAttrib(raw, decoded) && !raw.empty()) {
        record.exists = true;
        record.value = decoded.attributes;
        record.created = decoded.created;
    }
    return record;
}

// known: the record as read just before, where there is one.
std::error_code SetNativeAttributes(const Target& t, const StatResult& st, uint32_t wanted,
                                    const std::string* known = nullptr) {
    const bool isDir = st.IsDirectory();
    ModeKeeper keeper(t, static_cast<mode_t>(st.mode & 07777));
    DosRecord dos;
    if (known != nullptr) {
        dos = KnownRecord(*known);
    } else if (auto ec = ReadDosRecord(t, dos, &keeper)) {
        return ec;
    }
    const uint32_t oldValue = dos.exists ? dos.value : (isDir ? attr::Directory : 0);
    uint32_t newValue = (oldValue & ~kSettable) | wanted;
    if ((wanted & attr::Hidden) != 0 && t.dotName) {
        // The name hides it already; a record just for that would be noise.
        newValue = (newValue & ~attr::Hidden) | (oldValue & attr::Hidden);
    }
    if (dos.unsupported) {
        // Without user attributes only read-only can be kept, as the permission.
        if ((newValue & ~(attr::ReadOnly | attr::Directory)) !=
            (oldValue & ~(attr::ReadOnly | attr::Directory))) {
            return make_error_code(Errc::attributes_unsupported);
        }
        newValue = oldValue;
    }
    const bool recordChanges = newValue != oldValue;
    if (recordChanges) {
        if (auto ec = WriteDosRecord(t, dos, newValue, &keeper)) {
            return ec;
        }
    }
    if (!isDir) {
        if (auto ec = keeper.Finish(ModeFor(keeper.Original(), (wanted & attr::ReadOnly) != 0))) {
            if (recordChanges) {
                RestoreDosRecord(t, dos);
            }
            return ec;
        }
    }
    if ((wanted & attr::Hidden) == 0 && t.dotName) {
        return make_error_code(Errc::hidden_by_name);
    }
    return {};
}

bool IsUnsupportedIoctl(int code) {
    return code == ENOTTY || code == EINVAL || code == EOPNOTSUPP;
}

std::error_code ReadFatAttributes(const UniqueFd& item, uint32_t& fat) {
    if (item.Get() < 0 || ::ioctl(item.Get(), FAT_IOCTL_GET_ATTRIBUTES, &fat) != 0) {
        return LastHandleError();
    }
    return {};
}

std::error_code GetFatAttributes(const Target& t, uint32_t& out) {
    const UniqueFd item = OpenForIoctl(t);
    uint32_t fat = 0;
    if (const std::error_code ec = ReadFatAttributes(item, fat)) {
        return ec;
    }
    out = fat & (kFatBits | attr::Directory);
    return {};
}

std::error_code SetFatAttributes(const Target& t, uint32_t wanted) {
    const UniqueFd item = OpenForIoctl(t);
    uint32_t fat = 0;
    if (const std::error_code ec = ReadFatAttributes(item, fat)) {
        return ec;
    }
    const uint32_t next = (fat & ~kFatBits) | (wanted & kFatBits);
    if (next != fat && ::ioctl(item.Get(), FAT_IOCTL_SET_ATTRIBUTES, &next) != 0) {
        return LastError();
    }
    return {};
}

// A value of exactly this many bytes; any other length is damage.
std::error_code GetFixedXattr(const Target& t, const char* name, unsigned char* value, size_t size) {
    const ssize_t n = GetXattr(t, name, value, size);
    if (n < 0) {
        return LastHandleError();
    }
    return static_cast<size_t>(n) == size ? std::error_code() : SystemError(EIO);
}

// NTFS (system.ntfs_attrib) and SMB (user.cifs.dosattrib) hold the real 32-bit word.
std::error_code GetWordXattr(const Target& t, const char* name, uint32_t& out) {
    unsigned char b[4] = {};
    if (auto ec = GetFixedXattr(t, name, b, sizeof b)) {
        return ec;
    }
    out = LoadLe32(b);
    return {};
}

std::error_code SetWordXattr(const Target& t, const char* name, uint32_t value) {
    unsigned char b[4];
    StoreLe32(b, value);
    return SetXattr(t, name, b, sizeof b) == 0 ? std::error_code() : LastHandleError();
}

// The attribute word; for the record store also the creation time the record holds.
std::error_code ReadAttributes(const Target& t, const StatResult& st, const FsInfo& fs, uint32_t& out,
                               std::optional<uint64_t>* recordCreated = nullptr) {
    switch (fs.store) {
    case Store::Fat:
    case Store::Exfat: {
        const auto ec = GetFatAttributes(t, out);
        if (!ec) {
            out = WithNormal(out);
            return {};
        }
        if (fs.store == Store::Fat || !IsUnsupportedIoctl(ec.value())) {
            return ec;
        }
        break; // an exFAT driver without the ioctl: permissions only
    }
    case Store::Ntfs:
    case Store::Smb: {
        uint32_t word = 0;
        if (auto ec = GetWordXattr(t, fs.store == Store::Ntfs ? kNtfsAttribName : kCifsAttribName, word)) {
            return ec;
        }
        word &= ~kNtfsIndexPresent;
        if (st.IsDirectory()) {
            word |= attr::Directory;
        }
        out = WithNormal(word);
        return {};
    }
    case Store::Native:
        break;
    }
    DosRecord dos;
    if (auto ec = ReadDosRecord(t, dos, nullptr)) {
        return ec;
    }
    out = NativeAttributes(t, st, dos);
    if (recordCreated != nullptr) {
        *recordCreated = dos.created;
    }
    return {};
}

std::error_code WriteAttributes(const Target& t, const StatResult& st, const FsInfo& fs, uint32_t wanted,
                                const std::string* knownRecord = nullptr) {
    switch (fs.store) {
    case Store::Fat:
    case Store::Exfat: {
        const auto ec = SetFatAttributes(t, wanted);
        if (fs.store == Store::Fat || !ec || !IsUnsupportedIoctl(ec.value())) {
            return ec;
        }
        break;
    }
    case Store::Ntfs:
    case Store::Smb: {
        const char* name = fs.store == Store::Ntfs ? kNtfsAttribName : kCifsAttribName;
        uint32_t word = 0;
        if (auto ec = GetWordXattr(t, name, word)) {
            return ec;
        }
        uint32_t next = (word & ~(kSettable | attr::Normal)) | wanted;
        // SMB reads an all-zero word as "leave unchanged"; Normal is its "none".
        if (fs.store == Store::Smb && next == 0) {
            next = attr::Normal;
        }
        return next == word ? std::error_code() : SetWordXattr(t, name, next);
    }
    case Store::Native:
        break;
    }
    return SetNativeAttributes(t, st, wanted, knownRecord);
}

// The owner of a file of mode 000 may still see its record, with the read right taken for it.
std::error_code ReadRecordAsOwner(const Target& handle, const StatResult& st, uint32_t& out,
                                  std::optional<uint64_t>* recordCreated) {
    ModeKeeper keeper(handle, static_cast<mode_t>(st.mode & 07777));
    DosRecord dos;
    if (auto ec = ReadDosRecord(handle, dos, &keeper)) {
        return ec;
    }
    out = NativeAttributes(handle, st, dos);
    *recordCreated = dos.created;
    return {};
}

// The same for an item asked about by name: through a handle of its own (the name may not
// follow another link than the question did).
std::error_code ReadAttributesAsOwner(const Target& t, const StatResult& st, const FsInfo& fs, uint32_t& out,
                                      std::optional<uint64_t>* recordCreated) {
    if (fs.store != Store::Native || st.uid != ::geteuid()) {
        return SystemError(EACCES);
    }
    if (t.handle) {
        return ReadRecordAsOwner(t, st, out, recordCreated);
    }
    const UniqueFd fd(::openat(t.dirFd, t.name, O_PATH | O_CLOEXEC | (t.Follows() ? 0 : O_NOFOLLOW)));
    StatResult again;
    if (fd.Get() < 0 || DoStat(fd.Get(), "", AT_EMPTY_PATH, again) || again.id != st.id) {
        return SystemError(EACCES);
    }
    Target handle = t;
    handle.dirFd = fd.Get();
    handle.name = "";
    handle.atFlags = AT_EMPTY_PATH;
    handle.handle = true;
    handle.folder = again.IsDirectory();
    return ReadRecordAsOwner(handle, again, out, recordCreated);
}

// The attribute word as a question sees it, and the creation time the record holds.
std::error_code ReadAttributesOf(const Target& t, const StatResult& st, const FsInfo& fs, uint32_t& out,
                                 std::optional<uint64_t>& recordCreated) {
    std::error_code ec = ReadAttributes(t, st, fs, out, &recordCreated);
    if (ec == std::errc::permission_denied) {
        ec = ReadAttributesAsOwner(t, st, fs, out, &recordCreated);
    }
    return ec;
}

// ---------------------------------------------------------------------------------------------
// Creation times kept as Windows file times in an extended attribute.

std::error_code GetTicksXattr(const Target& t, const char* name, UtcTime& out) {
    unsigned char b[8] = {};
    if (auto ec = GetFixedXattr(t, name, b, sizeof b)) {
        return ec;
    }
    const uint64_t ticks = LoadLe64(b);
    out = FromFileTimeTicks(ticks);
    return {};
}

std::error_code SetTicksXattr(const Target& t, const char* name, const UtcTime& time) {
    const auto ticks = ToFileTimeTicks(time);
    if (!ticks) {
        return make_error_code(Errc::time_not_stored);
    }
    unsigned char b[8];
    StoreLe64(b, *ticks);
    return SetXattr(t, name, b, sizeof b) == 0 ? std::error_code() : LastHandleError();
}

bool SameWithin(const UtcTime& wanted, const UtcTime& got, int64_t resolutionNs) {
    // Below a second only whole seconds count: a file system that drops the fraction keeps all
    // the user can see.
    if (resolutionNs < 1'000'000'000) {
        return got.seconds == wanted.seconds;
    }
    const int64_t stepSeconds = resolutionNs / 1'000'000'000;
    if (got.seconds > wanted.seconds + stepSeconds || got.seconds < wanted.seconds - stepSeconds) {
        return false;
    }
    const int64_t diff = (got.seconds - wanted.seconds) * 1'000'000'000 +
                         (static_cast<int64_t>(got.nanoseconds) - static_cast<int64_t>(wanted.nanoseconds));
    return diff > -resolutionNs && diff < resolutionNs;
}

// The record's own attribute word for an item that has none yet: what the item shows now.
uint32_t FirstRecordValue(const Target& t, const StatResult& st, const DosRecord& dos) {
    uint32_t a = NativeAttributes(t, st, dos) & ~attr::Normal;
    if (t.dotName && (dos.value & attr::Hidden) == 0) {
        a &= ~attr::Hidden; // the name hides it; the record need not say so
    }
    return a;
}

// The creation time Windows clients of a Samba share see: in the user.DOSATTRIB record, written
// and read back with the owner's rights where the mode denies them (a read-only file too).
std::error_code SetRecordCreationTime(const Target& t, const StatResult& st, const UtcTime& created,
                                      bool readBack) {
    const auto ticks = ToFileTimeTicks(created);
    if (!ticks || *ticks == 0) {
        return make_error_code(Errc::time_not_stored);
    }
    ModeKeeper keeper(t, static_cast<mode_t>(st.mode & 07777));
    DosRecord dos;
    if (auto ec = ReadDosRecord(t, dos, &keeper)) {
        return ec;
    }
    if (dos.unsupported) {
        return make_error_code(Errc::creation_time_unsupported);
    }
    const uint32_t value = dos.exists ? dos.value : FirstRecordValue(t, st, dos);
    if (auto ec = WriteDosRecord(t, dos, value, &keeper, ticks)) {
        return ec == std::errc::operation_not_supported ? make_error_code(Errc::creation_time_unsupported)
                                                        : ec;
    }
    if (!readBack) {
        return {};
    }
    DosRecord stored;
    if (auto ec = ReadDosRecord(t, stored, &keeper)) {
        return ec;
    }
    if (stored.created != ticks) {
        RestoreDosRecord(t, dos);
        return make_error_code(Errc::time_not_stored);
    }
    return {};
}

const char* CreationTimeName(const FsInfo& fs) {
    if (fs.store == Store::Ntfs && fs.ntfsCrtime) {
        return kNtfsCrtimeName;
    }
    return fs.store == Store::Smb ? kCifsCrtimeName : nullptr;
}

// Writes the creation time and, unless told it need not, reads it back; a time stored otherwise
// is put back as it was.
std::error_code SetCreationTime(const Target& t, const StatResult& st, const FsInfo& fs,
                                const UtcTime& created, bool readBack) {
    if (fs.store == Store::Native) {
        return SetRecordCreationTime(t, st, created, readBack);
    }
    const char* name = CreationTimeName(fs);
    if (name == nullptr) {
        return make_error_code(Errc::creation_time_unsupported);
    }
    UtcTime old;
    const bool hadOld = !GetTicksXattr(t, name, old);
    if (auto ec = SetTicksXattr(t, name, created)) {
        return ec;
    }
    if (!readBack) {
        return {};
    }
    UtcTime stored;
    if (auto ec = GetTicksXattr(t, name, stored)) {
        return ec;
    }
    if (SameWithin(created, stored, fs.resolutionNs)) {
        return {};
    }
    if (hadOld) {
        SetTicksXattr(t, name, old);
    }
    return make_error_code(Errc::time_not_stored);
}

// The creation time Windows sees: NTFS's or SMB's own, else the record's, else the kernel's
// birth time.
std::optional<UtcTime> CreationTimeOf(const Target& t, const StatResult& st, const FsInfo& fs,
                                      const std::optional<uint64_t>& recordCreated) {
    UtcTime own;
    if (const char* name = CreationTimeName(fs); name != nullptr && !GetTicksXattr(t, name, own)) {
        return own;
    }
    return recordCreated ? FromFileTimeTicks(*recordCreated) : st.born;
}

} // namespace

// -------------------------------------------------------------------------------------------------

bool ProcFdUsable() {
    static const bool usable = ::access("/proc/self/fd", X_OK) == 0;
    return usable;
}

std::string KernelFileSystemName(int fd, uint64_t device) {
    struct statfs sf {};
    if (::fstatfs(fd, &sf) != 0) {
        return {};
    }
    switch (static_cast<unsigned long>(sf.f_type)) {
    case PROC_SUPER_MAGIC:
        return "proc";
    case SYSFS_MAGIC:
        return "sysfs";
    case DEVPTS_SUPER_MAGIC:
        return "devpts";
    case CGROUP_SUPER_MAGIC:
    case CGROUP2_SUPER_MAGIC:
        return "cgroup";
    case DEBUGFS_MAGIC:
        return "debugfs";
    case TRACEFS_MAGIC:
        return "tracefs";
    case SECURITYFS_MAGIC:
        return "securityfs";
    case BPF_FS_MAGIC:
        return "bpf";
    case PSTOREFS_MAGIC:
        return "pstore";
    case 0x62656570: // configfs
        return "configfs";
    case EFIVARFS_MAGIC:
        return "efivarfs";
    case SELINUX_MAGIC:
        return "selinuxfs";
    case SMACK_MAGIC:
        return "smackfs";
    case 0x19800202: // mqueue
        return "mqueue";
    case BINFMTFS_MAGIC:
        return "binfmt_misc";
    case 0x65735543: // fusectl
        return "fusectl";
    case NSFS_MAGIC:
        return "nsfs";
    case TMPFS_MAGIC:
    case RAMFS_MAGIC:
        // devtmpfs is a tmpfs to statfs; only the mount table tells them apart.
        return MountTypeOf(device) == "devtmpfs" ? "devtmpfs" : "";
    default:
        return {};
    }
}

template <class Facts> void ItemAccess::Take(Item& item, const Facts& st, bool dotName) {
    item.m_type = TypeOf(st.mode);
    item.m_id = st.id;
    item.m_mountId = st.mountId;
    item.m_mode = st.mode & 07777;
    item.m_owner = st.uid;
    item.m_locked = st.locked;
    item.m_dotName = dotName;
    item.m_links = st.links;
    item.m_updated = st.modified;
    item.m_created = st.born;
}

Item ItemAccess::Adopt(int fd, std::string_view leaf, std::error_code& error, bool readable) {
    Item item;
    if (fd < 0) {
        error = LastError();
        return item;
    }
    item.m_handle = fd;
    item.m_readable = readable;
    StatResult st;
    if ((error = DoStat(fd, "", AT_EMPTY_PATH, st))) {
        item.Close();
        return item;
    }
    Take(item, st, IsDotName(LeafName(leaf)));
    return item;
}

void Item::Close() {
    m_place = nullptr;
    if (m_handle >= 0) {
        ::close(static_cast<int>(m_handle));
        m_handle = -1;
    }
}

Item ItemAccess::Place(const ItemRef& place, uid_t user) {
    Item item;
    const Target t = TargetOf(place);
    StatResult st;
    if (!XattrAtCallsAnswer() || DoStat(t, st) || !S_ISREG(st.mode) ||
        !(user == 0 || (st.uid == user && (st.mode & S_IRUSR) != 0))) {
        return item;
    }
    item.m_place = &place;
    Take(item, st, t.dotName);
    return item;
}

Item Item::Open(const std::string& path, FollowLinks follow, std::error_code& error) {
    error.clear();
    const int flags = O_PATH | O_CLOEXEC | (follow == FollowLinks::Yes ? 0 : O_NOFOLLOW);
    return ItemAccess::Adopt(::openat(AT_FDCWD, path.c_str(), flags), path, error);
}

Item Item::OpenIn(const Directory& folder, const std::string& name, std::error_code& error) {
    error.clear();
    const int fd = ::openat(DirectoryAccess::Fd(folder), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    return ItemAccess::Adopt(fd, name, error);
}

MountInfo MountOf(const Item& item) {
    return FindMount(std::to_string(ItemAccess::MountId(item)), 0).value_or(MountInfo());
}

std::error_code QueryFile(const ItemRef& item, FileInfo& info) {
    const Target t = TargetOf(item);
    StatResult st;
    // The item itself first, to know whether it is a link; only a link costs a second look.
    if (auto ec = DoStat(t.dirFd, t.name, t.atFlags | AT_SYMLINK_NOFOLLOW, st)) {
        return ec;
    }
    info.isLink = S_ISLNK(st.mode);
    if (info.isLink && t.Follows()) {
        if (auto ec = DoStat(t, st)) {
            return ec;
        }
    }
    const FsInfo fs = FsOf(t, st);
    uint32_t attributes = 0;
    std::optional<uint64_t> recordCreated;
    const std::error_code ec = ReadAttributesOf(t, st, fs, attributes, recordCreated);
    info.attributes = ec ? std::nullopt : std::optional<uint32_t>(attributes);
    info.isDirectory = st.IsDirectory();
    info.id = st.id;
    info.updated = st.modified;
    info.size = st.size;
    // A record this user may not read may hold a creation time: the birth time would be a guess.
    const bool recordHidden = ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted;
    info.created = recordHidden ? std::nullopt : CreationTimeOf(t, st, fs, recordCreated);
    return {};
}

std::error_code GetAttributes(const Item& item, uint32_t& attributes) {
    if (item.Type() != ItemType::File && item.Type() != ItemType::Folder) {
        return make_error_code(Errc::not_a_file_or_folder);
    }
    const Target t = TargetOf(item);
    StatResult st;
    if (auto ec = DoStat(t, st)) {
        return ec;
    }
    std::optional<uint64_t> recordCreated;
    return ReadAttributesOf(t, st, FsOf(t, st), attributes, recordCreated);
}

std::error_code GetFileTimes(const Item& item, std::optional<UtcTime>& created, UtcTime& updated) {
    const Target t = TargetOf(item);
    StatResult st;
    if (auto ec = DoStat(t, st)) {
        return ec;
    }
    const FsInfo fs = FsOf(t, st);
    uint32_t attributes = 0;
    std::optional<uint64_t> recordCreated;
    ReadAttributesOf(t, st, fs, attributes, recordCreated); // without a record, the birth time
    created = CreationTimeOf(t, st, fs, recordCreated);
    updated = st.modified;
    return {};
}

std::error_code ReadFileStart(const Item& item, size_t limit, std::string& bytes) {
    bytes.clear();
    if (item.Type() != ItemType::File) {
        return SystemError(item.Type() == ItemType::Folder ? EISDIR : EINVAL);
    }
    const Target t = TargetOf(item);
    const ProcPath proc(t);
    if (t.handle && !proc.Usable()) {
        return make_error_code(Errc::no_safe_way);
    }
    // A place is opened by its name, which must not have become a link since it was looked at.
    const int dirFd = t.handle ? AT_FDCWD : t.dirFd;
    const char* name = t.handle ? proc.c_str() : t.name;
    // Only the owner may keep the access time from moving.
    constexpr int kFlags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    const int flags = kFlags | (t.handle ? 0 : O_NOFOLLOW);
    int opened = ::openat(dirFd, name, flags | O_NOATIME);
    if (opened < 0 && errno == EPERM) {
        opened = ::openat(dirFd, name, flags);
    }
    const UniqueFd fd(opened);
    if (fd.Get() < 0) {
        return LastError();
    }
    if (StatResult st; !t.handle && (DoStat(fd.Get(), "", AT_EMPTY_PATH, st) || st.id != item.Id())) {
        return SystemError(ENOENT); // another file took the name
    }
    constexpr size_t kChunk = 1 << 16;
    while (bytes.size() < limit) {
        const size_t at = bytes.size();
        bytes.resize(at + std::min(kChunk, limit - at));
        const ssize_t n = ::read(fd.Get(), bytes.data() + at, bytes.size() - at);
        if (n <= 0) {
            bytes.resize(at);
            if (n == 0) {
                break;
            }
            if (errno != EINTR) {
                return LastError();
            }
            continue;
        }
        bytes.resize(at + static_cast<size_t>(n));
    }
    return {};
}

namespace {

// What the item's handle saw when it was opened, as a look would give it.
StatResult FactsOfOpening(const Item& item) {
    StatResult st;
    const mode_t type = item.Type() == ItemType::Folder ? S_IFDIR
                        : item.Type() == ItemType::File ? S_IFREG
                        : item.Type() == ItemType::Link ? S_IFLNK
                                                        : 0;
    st.mode = type | ItemAccess::Mode(item);
    st.uid = ItemAccess::Owner(item);
    st.locked = ItemAccess::Locked(item);
    st.id = item.Id();
    st.mountId = ItemAccess::MountId(item);
    st.modified = ItemAccess::Updated(item);
    st.born = ItemAccess::Born(item);
    return st;
}

std::error_code ReadStoreState(const Target& t, const StatResult& st, const FsInfo& fs, ItemState& state) {
    switch (fs.store) {
    case Store::Fat:
    case Store::Exfat: {
        uint32_t word = 0;
        if (auto ec = GetFatAttributes(t, word); !ec) {
            state.word = word;
        } else if (fs.store == Store::Fat || !IsUnsupportedIoctl(ec.value())) {
            return ec;
        }
        return {};
    }
    case Store::Ntfs:
    case Store::Smb: {
        uint32_t word = 0;
        if (auto ec = GetWordXattr(t, fs.store == Store::Ntfs ? kNtfsAttribName : kCifsAttribName, word)) {
            return ec;
        }
        state.word = word;
        if (const char* name = CreationTimeName(fs)) {
            unsigned char b[8] = {};
            if (!GetFixedXattr(t, name, b, sizeof b)) {
                state.ownCreated = LoadLe64(b);
            }
        }
        return {};
    }
    case Store::Native: {
        ModeKeeper keeper(t, static_cast<mode_t>(st.mode & 07777));
        DosRecord dos;
        if (auto ec = ReadDosRecord(t, dos, &keeper)) {
            return ec;
        }
        if (dos.present) {
            state.record = dos.raw;
        }
        if (!dos.unsupported && !fs.keepsRecords) {
            Filesystems().MarkKeepsRecords(KeyOf(st));
        }
        return {};
    }
    }
    return {};
}

std::error_code RestoreStore(const Target& t, const StatResult& st, const FsInfo& fs,
                             const ItemState& state) {
    switch (fs.store) {
    case Store::Fat:
    case Store::Exfat:
        return state.word ? SetFatAttributes(t, *state.word) : std::error_code();
    case Store::Ntfs:
    case Store::Smb: {
        if (state.word) {
            if (auto ec = SetWordXattr(t, fs.store == Store::Ntfs ? kNtfsAttribName : kCifsAttribName,
                                       *state.word)) {
                return ec;
            }
        }
        const char* name = CreationTimeName(fs);
        if (name != nullptr && state.ownCreated) {
            unsigned char b[8];
            StoreLe64(b, *state.ownCreated);
            if (SetXattr(t, name, b, sizeof b) != 0) {
                return LastHandleError();
            }
        }
        return Chmod(t, state.mode) == 0 ? std::error_code() : LastHandleError();
    }
    case Store::Native: {
        ModeKeeper keeper(t, static_cast<mode_t>(st.mode & 07777));
        const std::error_code ec = WithRights(&keeper, [&] {
            const int result = state.record
                                   ? SetXattr(t, kDosAttribName, state.record->data(), state.record->size())
                                   : RemoveXattr(t, kDosAttribName);
            return result == 0 || (!state.record && errno == ENODATA) ? std::error_code() : LastHandleError();
        });
        if (ec && !(ec == std::errc::operation_not_supported && !state.record)) {
            return ec;
        }
        return keeper.Finish(static_cast<mode_t>(state.mode));
    }
    }
    return {};
}

} // namespace

std::error_code ReadState(const Item& item, ItemState& state) {
    state = ItemState();
    const Target t = TargetOf(item);
    const StatResult st = FactsOfOpening(item);
    state.id = st.id;
    state.updated = st.modified;
    state.mode = st.mode & 07777;
    state.created = st.born;
    if (item.Type() != ItemType::File && item.Type() != ItemType::Folder) {
        return {};
    }
    const FsInfo fs = FsOf(t, st);
    if (auto ec = ReadStoreState(t, st, fs, state)) {
        return ec;
    }
    uint32_t attributes = 0;
    std::optional<uint64_t> recordCreated;
    if (fs.store == Store::Native) {
        DosRecord dos;
        dos.present = state.record.has_value();
        dos.raw = state.record.value_or(std::string());
        DosAttrib decoded;
        if (dos.present && !DecodeDosAttrib(dos.raw, decoded) && !dos.raw.empty()) {
            dos.exists = true;
            dos.value = decoded.attributes;
            recordCreated = decoded.created;
        }
        attributes = NativeAttributes(t, st, dos);
    } else if (auto ec = ReadAttributes(t, st, fs, attributes)) {
        return ec;
    }
    state.attributes = attributes;
    if (state.ownCreated) {
        state.created = FromFileTimeTicks(*state.ownCreated);
    } else if (recordCreated) {
        state.created = FromFileTimeTicks(*recordCreated);
    }
    return {};
}

std::error_code PredictChange(const Item& item, const ChangeAsked& asked, const ItemState* known) {
    const Target t = TargetOf(item);
    const StatResult st = FactsOfOpening(item);
    const FsInfo fs = FsOf(t, st);
    if (fs.readOnly) {
        return SystemError(EROFS);
    }
    // Times, modes and records are the owner's to change (and root's).
    const uid_t me = asked.user ? *asked.user : ::geteuid();
    const bool mine = st.uid == me || me == 0;
    if (st.locked || ((asked.times || asked.attributes) && !mine)) {
        return SystemError(EPERM);
    }
    const bool fileOrFolder = item.Type() == ItemType::File || item.Type() == ItemType::Folder;
    if (asked.attributes && !fileOrFolder) {
        return make_error_code(Errc::not_a_file_or_folder);
    }
    if (!fileOrFolder || (!asked.created && !asked.attributes) || fs.store != Store::Native) {
        return asked.created && fs.store != Store::Native && CreationTimeName(fs) == nullptr
                   ? make_error_code(Errc::creation_time_unsupported)
                   : std::error_code();
    }
    ModeKeeper keeper(t, static_cast<mode_t>(st.mode & 07777));
    DosRecord dos;
    // A state without a record tells of none only where records can be kept.
    if (known != nullptr && (known->record || fs.keepsRecords)) {
        dos = known->record ? KnownRecord(*known->record) : DosRecord();
    } else if (auto ec = ReadDosRecord(t, dos, &keeper)) {
        return ec;
    }
    if (dos.unsupported) {
        return make_error_code(asked.created ? Errc::creation_time_unsupported
                                             : Errc::attributes_unsupported);
    }
    // A record this program will not overwrite.
    DosAttrib decoded;
    if (auto ec = DecodeDosAttrib(dos.raw, decoded); ec && dos.present) {
        return ec;
    }
    // The change is made, but a dot name keeps its item hidden, which the run tells.
    if (asked.attributes && asked.clearsHidden && t.dotName) {
        return make_error_code(Errc::hidden_by_name);
    }
    return {};
}

std::error_code RestoreState(const Item& item, const ItemState& state, bool asOpened) {
    const Target t = TargetOf(item);
    StatResult st = FactsOfOpening(item);
    if (auto ec = asOpened ? std::error_code() : DoStat(t, st)) {
        return ec;
    }
    if (item.Type() == ItemType::File || item.Type() == ItemType::Folder) {
        if (auto ec = RestoreStore(t, st, FsOf(t, st), state)) {
            return ec;
        }
    }
    return SetMtime(t, state.updated) == 0 ? std::error_code() : LastHandleError();
}

std::error_code SetAttributes(const Item& item, uint32_t attributes, const ItemState* known) {
    if (item.Type() != ItemType::File && item.Type() != ItemType::Folder) {
        return make_error_code(Errc::not_a_file_or_folder);
    }
    // The facts of the opening: nothing of this run has changed the mode since.
    const Target t = TargetOf(item);
    const StatResult st = FactsOfOpening(item);
    // Only a record that is there is known: its absence may also mean a store without records.
    const std::string* record = known != nullptr && known->record ? &*known->record : nullptr;
    return WriteAttributes(t, st, FsOf(t, st), Requested(attributes), record);
}

std::error_code SetFileTimes(const Item& item, const UtcTime* created, const UtcTime* updated) {
    const Target t = TargetOf(item);
    const FsKey key{item.Id().device, ItemAccess::MountId(item)};
    TimesAsked asked;
    if (updated != nullptr) {
        asked.updated = *updated;
    }
    if (created != nullptr) {
        asked.created = *created;
    }
    // Once a time has been read back exactly on a file system, the next item with the same time
    // needs no read-back.
    Verified verified;
    const FsInfo fs = Filesystems().Get(t, key, asked, verified);
    // NTFS keeps times from 1601 on; earlier ones end up as negative times Windows cannot show.
    if (updated != nullptr && (fs.store == Store::Ntfs || fs.store == Store::Smb) &&
        !ToFileTimeTicks(*updated)) {
        return make_error_code(Errc::time_not_stored);
    }
    const UtcTime oldUpdated = ItemAccess::Updated(item);
    if (updated != nullptr) {
        if (SetMtime(t, *updated) != 0) {
            return LastHandleError();
        }
        if (!verified.updated) {
            StatResult st;
            if (auto ec = DoStat(t, st)) {
                return ec;
            }
            if (!SameWithin(*updated, st.modified, fs.resolutionNs)) {
                SetMtime(t, oldUpdated);
                return make_error_code(Errc::time_not_stored);
            }
            if (KeyOf(st) == key) {
                Filesystems().MarkVerified(key, {asked.updated, std::nullopt});
            }
        }
    }
    if (created == nullptr) {
        return {};
    }
    StatResult st;
    st.mode = (item.Type() == ItemType::Folder ? S_IFDIR : S_IFREG) | ItemAccess::Mode(item);
    st.id = item.Id();
    const std::error_code ec = SetCreationTime(t, st, fs, *created, !verified.created);
    if (ec == Errc::time_not_stored && updated != nullptr) {
        SetMtime(t, oldUpdated);
    }
    if (!ec && !verified.created) {
        Filesystems().MarkVerified(key, {std::nullopt, asked.created});
    }
    return ec;
}

// -------------------------------------------------------------------------------------------------
// Folders: listed with getdents64 into a buffer sized to what the folder holds, so that deep
// walks keep little per level, and with the positions a walk needs to come back to a folder.

struct Directory::Impl {
    explicit Impl(int descriptor) : fd(descriptor) {}

    UniqueFd fd;
    bool listing = true;
    std::vector<char> buffer;
    size_t at = 0;
    size_t end = 0;
    uint64_t position = 0; // after the last entry handed out
    bool done = false;
};

namespace {

constexpr size_t kFirstBuffer = 2048;
constexpr size_t kLargestBuffer = 32768;

DirEntry::Type EntryTypeOf(unsigned char type) {
    switch (type) {
    case DT_DIR:
        return DirEntry::Type::Folder;
    case DT_LNK:
        return DirEntry::Type::Link;
    case DT_REG:
        return DirEntry::Type::File;
    case DT_UNKNOWN:
        return DirEntry::Type::Unknown;
    default:
        return DirEntry::Type::Other;
    }
}

} // namespace

Directory::Directory() = default;
Directory::~Directory() = default;
Directory::Directory(Directory&&) noexcept = default;
Directory& Directory::operator=(Directory&&) noexcept = default;

bool Directory::IsOpen() const {
    return m_impl != nullptr && m_impl->fd.Get() >= 0;
}

int DirectoryAccess::Fd(const Directory& folder) {
    return folder.m_impl != nullptr ? folder.m_impl->fd.Get() : -1;
}

uint64_t DirectoryAccess::Position(const Directory& folder) {
    return folder.m_impl != nullptr ? folder.m_impl->position : 0;
}

std::error_code DirectoryAccess::Seek(Directory& folder, uint64_t position) {
    Directory::Impl& d = *folder.m_impl;
    if (position != 0 && ::lseek(d.fd.Get(), static_cast<off_t>(position), SEEK_SET) < 0) {
        return LastError();
    }
    d.position = position;
    d.at = d.end = 0;
    d.done = false;
    return {};
}

Directory DirectoryAccess::Adopt(int fd) {
    Directory d;
    d.m_impl = std::make_unique<Directory::Impl>(fd);
    return d;
}

Directory Directory::Open(const Item& folder, std::error_code& error) {
    error.clear();
    const int fd = ::openat(ItemAccess::Fd(folder), ".", O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = LastError();
        return {};
    }
    return DirectoryAccess::Adopt(fd);
}

Directory Directory::OpenForLookup(const std::string& path, std::error_code& error) {
    error.clear();
    const int fd = ::openat(AT_FDCWD, path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        error = LastError();
        return {};
    }
    Directory d = DirectoryAccess::Adopt(fd);
    d.m_impl->listing = false;
    return d;
}

bool Directory::Next(DirEntry& entry, std::error_code& error) {
    error.clear();
    if (m_impl == nullptr || !m_impl->listing) {
        return false;
    }
    Impl& d = *m_impl;
    for (;;) {
        if (d.at >= d.end) {
            if (d.done) {
                return false;
            }
            if (d.buffer.empty() || (d.end > d.buffer.size() / 2 && d.buffer.size() < kLargestBuffer)) {
                d.buffer.resize(d.buffer.empty() ? kFirstBuffer : d.buffer.size() * 2);
            }
            const ssize_t n = ::getdents64(d.fd.Get(), d.buffer.data(), d.buffer.size());
            if (n < 0) {
                error = LastError();
                d.done = true;
                return false;
            }
            d.at = 0;
            d.end = static_cast<size_t>(n);
            d.done = n == 0;
            continue;
        }
        const auto* e = reinterpret_cast<const dirent64*>(d.buffer.data() + d.at);
        d.at += e->d_reclen;
        d.position = static_cast<uint64_t>(e->d_off);
        const char* name = e->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
            continue;
        }
        entry.name = name;
        entry.type = EntryTypeOf(e->d_type);
        return true;
    }
}

} // namespace platform
