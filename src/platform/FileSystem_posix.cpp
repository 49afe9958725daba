#include "platform/Bytes.h"
#include "platform/DosAttrib.h"
#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "platform/Posix.h"
#include "platform/Process.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <map>
#include <mutex>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr uint32_t kSettable = attr::ReadOnly | attr::Hidden | attr::System | attr::Archive |
                               attr::Temporary | attr::Offline | attr::NotContentIndexed;
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

// ---------------------------------------------------------------------------------------------
// How an item is reached by the system calls.

struct Target {
    int dirFd;        // AT_FDCWD for a path the user chose
    const char* name; // relative to dirFd
    bool follow;      // a user's path follows a final link; a walked name never does
    const ItemRef* item;

    int AtFlags() const { return follow ? 0 : AT_SYMLINK_NOFOLLOW; }
};

Target TargetOf(const ItemRef& item) {
    if (item.Folder() != nullptr) {
        return {static_cast<int>(item.Folder()->NativeHandle()), item.Name(), item.Follows(), &item};
    }
    return {AT_FDCWD, item.FullPath().c_str(), true, &item};
}

// The folder itself, as the base of its file system's questions.
Target FolderTarget(const Directory& folder) {
    return {static_cast<int>(folder.NativeHandle()), ".", false, nullptr};
}

bool ProcFdUsable() {
    static const bool usable = ::access("/proc/self/fd", X_OK) == 0;
    return usable;
}

// A path for the calls that have no *at form (statfs, and extended attributes before Linux
// 6.13). A walked name is reached through its open folder in /proc, so that a folder renamed
// meanwhile cannot redirect the call.
class PathFor {
public:
    explicit PathFor(const Target& t) {
        if (t.dirFd == AT_FDCWD) {
            m_path = t.name;
            return;
        }
        const int n = std::snprintf(m_buffer.data(), m_buffer.size(), "/proc/self/fd/%d/%s", t.dirFd, t.name);
        const bool fits = n > 0 && static_cast<size_t>(n) < m_buffer.size();
        if (ProcFdUsable() && fits) {
            m_path = m_buffer.data();
        } else {
            m_path = t.item != nullptr ? t.item->FullPath().c_str() : "";
        }
    }
    const char* c_str() const { return m_path; }

private:
    std::array<char, 320> m_buffer{};
    const char* m_path = nullptr;
};

// getxattrat and setxattrat (Linux 6.13) reach a name inside an open folder directly; older
// kernels answer ENOSYS once and the /proc path is used from then on.
struct XattrArgs {
    uint64_t value;
    uint32_t size;
    uint32_t flags;
};
constexpr long kSetxattratCall = 463;
constexpr long kGetxattratCall = 464;
std::atomic<bool> g_xattrAtCalls{true};

// The *xattrat calls (Linux 6.13) spare the /proc path per item. Older kernels answer ENOSYS;
// a sandbox that does not know them may answer EPERM instead, which the path call then settles.
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

ssize_t GetXattrByPath(const Target& t, const char* name, void* value, size_t size) {
    const PathFor path(t);
    return t.follow ? ::getxattr(path.c_str(), name, value, size)
                    : ::lgetxattr(path.c_str(), name, value, size);
}

int SetXattrByPath(const Target& t, const char* name, const void* value, size_t size) {
    const PathFor path(t);
    return t.follow ? ::setxattr(path.c_str(), name, value, size, 0)
                    : ::lsetxattr(path.c_str(), name, value, size, 0);
}

ssize_t GetXattr(const Target& t, const char* name, void* value, size_t size) {
    if (t.dirFd == AT_FDCWD || !g_xattrAtCalls.load(std::memory_order_relaxed)) {
        return GetXattrByPath(t, name, value, size);
    }
    XattrArgs args{reinterpret_cast<uintptr_t>(value), static_cast<uint32_t>(size), 0};
    return SettleAtCall(::syscall(kGetxattratCall, t.dirFd, t.name, t.AtFlags(), name, &args, sizeof args),
                        [&] { return static_cast<long>(GetXattrByPath(t, name, value, size)); });
}

int SetXattr(const Target& t, const char* name, const void* value, size_t size) {
    if (t.dirFd == AT_FDCWD || !g_xattrAtCalls.load(std::memory_order_relaxed)) {
        return SetXattrByPath(t, name, value, size);
    }
    XattrArgs args{reinterpret_cast<uintptr_t>(value), static_cast<uint32_t>(size), 0};
    return static_cast<int>(
        SettleAtCall(::syscall(kSetxattratCall, t.dirFd, t.name, t.AtFlags(), name, &args, sizeof args),
                     [&] { return static_cast<long>(SetXattrByPath(t, name, value, size)); }));
}

// The last component of the item's name, for the rule that a dot name is hidden.
std::string_view LeafName(const Target& t) {
    std::string_view name = t.name;
    while (name.size() > 1 && name.back() == '/') {
        name.remove_suffix(1);
    }
    const size_t slash = name.rfind('/');
    return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

bool IsDotName(std::string_view leaf) {
    return leaf.size() > 1 && leaf[0] == '.' && leaf != "..";
}

// ---------------------------------------------------------------------------------------------
// statx

struct StatResult {
    uint32_t mode = 0;
    uint64_t size = 0;
    uint64_t device = 0;
    uint64_t mountId = 0;
    UtcTime modified;
    std::optional<UtcTime> born;

    bool IsDirectory() const { return S_ISDIR(mode); }
};

// Device numbers as statx gives them, so that a folder and the items in it compare.
uint64_t DeviceOf(const struct statx& sx) {
    return static_cast<uint64_t>(sx.stx_dev_major) << 32 | sx.stx_dev_minor;
}

uint64_t MountIdOf(const struct statx& sx) {
    return (sx.stx_mask & STATX_MNT_ID) != 0 ? sx.stx_mnt_id : 0;
}

std::error_code DoStat(const Target& t, StatResult& out) {
    struct statx sx {};
    const unsigned mask = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_MTIME | STATX_BTIME | STATX_MNT_ID;
    if (::statx(t.dirFd, t.name, t.AtFlags() | AT_STATX_SYNC_AS_STAT, mask, &sx) != 0) {
        return LastError();
    }
    out.mode = sx.stx_mode;
    out.size = sx.stx_size;
    out.device = DeviceOf(sx);
    out.mountId = MountIdOf(sx);
    out.modified = UtcTime{sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec};
    out.born.reset();
    // Some file systems answer with a zero birth time rather than none.
    if ((sx.stx_mask & STATX_BTIME) != 0 && (sx.stx_btime.tv_sec != 0 || sx.stx_btime.tv_nsec != 0)) {
        out.born = UtcTime{sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec};
    }
    return {};
}

// ---------------------------------------------------------------------------------------------
// Which store a file system uses, found once per device.

enum class Store { Native, Fat, Exfat, Ntfs, Smb };

struct FsInfo {
    Store store = Store::Native;
    bool ntfsCrtime = false;  // ntfs-3g: creation time through system.ntfs_crtime
    int64_t resolutionNs = 1; // the last-write time's step on disk
};

std::string MountTypeOf(uint64_t device) {
    std::ifstream in("/proc/self/mountinfo");
    const std::string wanted = std::to_string(device >> 32) + ":" + std::to_string(device & 0xFFFFFFFFU);
    std::string line;
    while (std::getline(in, line)) {
        // id parent major:minor root mountpoint options [optional fields] - type source options
        size_t p = line.find(' ');
        p = p == std::string::npos ? p : line.find(' ', p + 1);
        if (p == std::string::npos || line.compare(p + 1, wanted.size(), wanted) != 0 ||
            line[p + 1 + wanted.size()] != ' ') {
            continue;
        }
        const size_t dash = line.find(" - ");
        if (dash == std::string::npos) {
            continue;
        }
        const size_t typeStart = dash + 3;
        return line.substr(typeStart, line.find(' ', typeStart) - typeStart);
    }
    return {};
}

FsInfo DetectFs(const Target& t, uint64_t device) {
    FsInfo info;
    struct statfs sf {};
    const bool isFolder = t.dirFd != AT_FDCWD && std::strcmp(t.name, ".") == 0;
    const int r = isFolder ? ::fstatfs(t.dirFd, &sf) : ::statfs(PathFor(t).c_str(), &sf);
    if (r != 0) {
        return info;
    }
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

struct FsKey {
    uint64_t device = 0;
    uint64_t mountId = 0;
    friend auto operator<=>(const FsKey&, const FsKey&) = default;
};

FsKey KeyOf(const StatResult& st) {
    return {st.device, st.mountId};
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

    // Whether this last-write time was already read back exactly on this file system: the
    // outcome depends on the file system and the time, not on the file.
    bool IsVerified(const Target& probe, const FsKey& key, const UtcTime& time) {
        const std::lock_guard lock(m_mutex);
        const Entry& e = Fresh(probe, key);
        return e.verified && *e.verified == time;
    }

    void MarkVerified(const FsKey& key, const UtcTime& time) {
        const std::lock_guard lock(m_mutex);
        const auto it = m_known.find(key);
        if (it != m_known.end()) {
            it->second.verified = time;
        }
    }

private:
    struct Entry {
        FsInfo info;
        std::chrono::steady_clock::time_point when;
        std::optional<UtcTime> verified;
    };

    Entry& Fresh(const Target& probe, const FsKey& key) {
        const auto now = std::chrono::steady_clock::now();
        Entry& e = m_known[key];
        if (e.when == std::chrono::steady_clock::time_point() || now - e.when >= std::chrono::seconds(5)) {
            e = Entry{DetectFs(probe, key.device), now, std::nullopt};
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
// Attribute stores.

uint32_t WithNormal(uint32_t a) {
    return (a & ~attr::Normal) == 0 ? attr::Normal : a & ~attr::Normal;
}

// What the caller asks for, Normal (alone or not) meaning "no bits".
uint32_t Requested(uint32_t a) {
    return a & kSettable;
}

struct DosRecord {
    bool exists = false;
    std::string raw;
    uint32_t value = 0;
};

std::error_code ReadDosRecord(const Target& t, DosRecord& record) {
    std::array<char, 256> buffer{};
    ssize_t n = GetXattr(t, kDosAttribName, buffer.data(), buffer.size());
    if (n >= 0) {
        record.raw.assign(buffer.data(), static_cast<size_t>(n));
    } else if (errno == ERANGE) {
        // Larger than any record written here; read whole, so that rewriting keeps its fields.
        n = GetXattr(t, kDosAttribName, nullptr, 0);
        if (n > 0) {
            record.raw.assign(static_cast<size_t>(n), '\0');
            n = GetXattr(t, kDosAttribName, record.raw.data(), record.raw.size());
            record.raw.resize(n > 0 ? static_cast<size_t>(n) : 0);
        }
    }
    if (n < 0) {
        // No record, or a file system without user attributes: nothing is set.
        if (errno == ENODATA || errno == ENOTSUP || errno == EPERM) {
            return {};
        }
        return LastError();
    }
    if (const auto parsed = ParseDosAttrib(record.raw)) {
        record.exists = true;
        record.value = *parsed;
    }
    return {};
}

uint32_t NativeAttributes(const Target& t, const StatResult& st, const DosRecord& dos) {
    uint32_t a = dos.value & ~(attr::Directory | attr::Normal);
    if (st.IsDirectory()) {
        a |= attr::Directory;
    } else {
        a = (a & ~attr::ReadOnly) | ((st.mode & 0222) == 0 ? attr::ReadOnly : 0);
    }
    if (IsDotName(LeafName(t))) {
        a |= attr::Hidden;
    }
    return WithNormal(a);
}

std::error_code SetNativeAttributes(const Target& t, const StatResult& st, uint32_t wanted) {
    DosRecord dos;
    if (auto ec = ReadDosRecord(t, dos)) {
        return ec;
    }
    const bool isDir = st.IsDirectory();
    const uint32_t oldValue = dos.exists ? dos.value : (isDir ? attr::Directory : 0);
    uint32_t newValue = (oldValue & ~kSettable) | wanted;
    if ((wanted & attr::Hidden) != 0 && IsDotName(LeafName(t))) {
        // The name hides it already; a record just for that would be noise.
        newValue = (newValue & ~attr::Hidden) | (oldValue & attr::Hidden);
    }
    if (!isDir && !dos.exists) {
        // A file's read-only state is its permission; a record is not made for it alone.
        newValue &= ~attr::ReadOnly;
    }
    if (newValue != oldValue) {
        std::string encoded;
        if (auto ec = EncodeDosAttrib(dos.raw, newValue, encoded)) {
            return ec;
        }
        if (SetXattr(t, kDosAttribName, encoded.data(), encoded.size()) != 0) {
            return LastError();
        }
    }
    if (isDir) {
        return {};
    }
    const auto mode = static_cast<mode_t>(st.mode & 07777);
    mode_t newMode = mode;
    if ((wanted & attr::ReadOnly) != 0) {
        newMode &= static_cast<mode_t>(~0222);
    } else if ((mode & 0222) == 0) {
        // Write for the owner, and for group and others where they may read, as a new file
        // would get it.
        const mode_t others = ((mode & S_IRGRP) != 0 ? S_IWGRP : 0) | ((mode & S_IROTH) != 0 ? S_IWOTH : 0);
        newMode |= S_IWUSR;
        if (others != 0) { // reading the mask costs a file read; most read-only files need none
            newMode |= others & ~static_cast<mode_t>(CurrentUmask().value_or(077));
        }
    }
    if (newMode != mode && ::fchmodat(t.dirFd, t.name, newMode, t.AtFlags()) != 0) {
        return LastError();
    }
    return {};
}

// FAT and exFAT keep the attributes in the directory entry, reached by an ioctl on an open
// item. Only real files and folders are opened, without blocking.
UniqueFd OpenItem(const Target& t) {
    const int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (t.follow ? 0 : O_NOFOLLOW);
    return UniqueFd(::openat(t.dirFd, t.name, flags));
}

bool IsUnsupportedIoctl(int code) {
    return code == ENOTTY || code == EINVAL || code == EOPNOTSUPP;
}

std::error_code ReadFatAttributes(const UniqueFd& item, uint32_t& fat) {
    if (item.Get() < 0 || ::ioctl(item.Get(), FAT_IOCTL_GET_ATTRIBUTES, &fat) != 0) {
        return LastError();
    }
    return {};
}

std::error_code GetFatAttributes(const Target& t, uint32_t& out) {
    const UniqueFd item = OpenItem(t);
    uint32_t fat = 0;
    if (const std::error_code ec = ReadFatAttributes(item, fat)) {
        return ec;
    }
    out = fat & (kFatBits | attr::Directory);
    return {};
}

std::error_code SetFatAttributes(const Target& t, uint32_t wanted) {
    const UniqueFd item = OpenItem(t);
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
        return LastError();
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
    return SetXattr(t, name, b, sizeof b) == 0 ? std::error_code() : LastError();
}

std::error_code ReadAttributes(const Target& t, const StatResult& st, const FsInfo& fs, uint32_t& out) {
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
    if (auto ec = ReadDosRecord(t, dos)) {
        return ec;
    }
    out = NativeAttributes(t, st, dos);
    return {};
}

std::error_code WriteAttributes(const Target& t, const StatResult& st, const FsInfo& fs, uint32_t wanted) {
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
    return SetNativeAttributes(t, st, wanted);
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
    return SetXattr(t, name, b, sizeof b) == 0 ? std::error_code() : LastError();
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

std::error_code SetCreationTime(const Target& t, const FsInfo& fs, const UtcTime& created) {
    const char* name = nullptr;
    if (fs.store == Store::Ntfs && fs.ntfsCrtime) {
        name = kNtfsCrtimeName;
    } else if (fs.store == Store::Smb) {
        name = kCifsCrtimeName;
    } else {
        return make_error_code(Errc::creation_time_unsupported);
    }
    if (auto ec = SetTicksXattr(t, name, created)) {
        return ec;
    }
    UtcTime stored;
    if (auto ec = GetTicksXattr(t, name, stored)) {
        return ec;
    }
    return SameWithin(created, stored, fs.resolutionNs) ? std::error_code()
                                                        : make_error_code(Errc::time_not_stored);
}

} // namespace

// -------------------------------------------------------------------------------------------------

std::error_code QueryFile(const ItemRef& item, FileInfo& info) {
    const Target t = TargetOf(item);
    StatResult st;
    if (auto ec = DoStat(t, st)) {
        return ec;
    }
    const FsInfo fs = FsOf(t, st);
    if (auto ec = ReadAttributes(t, st, fs, info.attributes)) {
        return ec;
    }
    info.isDirectory = st.IsDirectory();
    info.updated = st.modified;
    info.size = st.size;
    info.created = st.born;
    if (fs.ntfsCrtime) {
        UtcTime created;
        if (!GetTicksXattr(t, kNtfsCrtimeName, created)) {
            info.created = created;
        }
    }
    return {};
}

std::error_code GetAttributes(const ItemRef& item, uint32_t& attributes) {
    const Target t = TargetOf(item);
    StatResult st;
    if (auto ec = DoStat(t, st)) {
        return ec;
    }
    return ReadAttributes(t, st, FsOf(t, st), attributes);
}

std::error_code SetAttributes(const ItemRef& item, uint32_t attributes) {
    const Target t = TargetOf(item);
    StatResult st;
    if (auto ec = DoStat(t, st)) {
        return ec;
    }
    return WriteAttributes(t, st, FsOf(t, st), Requested(attributes));
}

std::error_code SetFileTimes(const ItemRef& item, ItemKind kind, const UtcTime* created,
                             const UtcTime* updated) {
    const Target t = TargetOf(item);
    const struct timespec times[2] = {
        {0, UTIME_OMIT},
        {updated != nullptr ? static_cast<time_t>(updated->seconds) : 0,
         updated != nullptr ? static_cast<long>(updated->nanoseconds) : UTIME_OMIT},
    };
    // A file inside a walked folder lies on the folder's file system. Once a time has been read
    // back exactly there, the next file with the same time needs no read-back.
    std::optional<FsKey> folderKey;
    if (item.Folder() != nullptr && kind == ItemKind::File && created == nullptr && updated != nullptr) {
        folderKey = FsKey{item.Folder()->GetId().device, item.Folder()->MountId()};
        if (Filesystems().IsVerified(FolderTarget(*item.Folder()), *folderKey, *updated)) {
            return ::utimensat(t.dirFd, t.name, times, t.AtFlags()) == 0 ? std::error_code() : LastError();
        }
    }
    if (updated != nullptr && ::utimensat(t.dirFd, t.name, times, t.AtFlags()) != 0) {
        return LastError();
    }
    StatResult st;
    if (auto ec = DoStat(t, st)) {
        return ec;
    }
    const FsInfo fs = FsOf(t, st);
    if (updated != nullptr) {
        if (!SameWithin(*updated, st.modified, fs.resolutionNs)) {
            return make_error_code(Errc::time_not_stored);
        }
        if (folderKey && *folderKey == KeyOf(st)) {
            Filesystems().MarkVerified(*folderKey, *updated);
        }
    }
    if (created != nullptr) {
        return SetCreationTime(t, fs, *created);
    }
    return {};
}

// -------------------------------------------------------------------------------------------------

namespace {

struct FolderIdentity {
    Directory::Id id;
    uint64_t mountId = 0;
};

FolderIdentity IdentityOf(int fd, std::error_code& error) {
    struct statx sx {};
    if (::statx(fd, "", AT_EMPTY_PATH | AT_STATX_SYNC_AS_STAT, STATX_INO | STATX_MNT_ID, &sx) != 0) {
        error = LastError();
        return {};
    }
    return {{DeviceOf(sx), sx.stx_ino}, MountIdOf(sx)};
}

// Deep walks hold one descriptor per level; the soft limit is raised to the hard one the first
// time it runs out.
bool RaiseDescriptorLimit() {
    static std::once_flag once;
    static bool raised = false;
    std::call_once(once, [] {
        struct rlimit rl {};
        if (::getrlimit(RLIMIT_NOFILE, &rl) == 0 && rl.rlim_cur < rl.rlim_max) {
            rl.rlim_cur = rl.rlim_max;
            raised = ::setrlimit(RLIMIT_NOFILE, &rl) == 0;
        }
    });
    return raised;
}

} // namespace

Directory::~Directory() {
    Close();
}

Directory::Directory(Directory&& other) noexcept
    : m_fd(other.m_fd), m_stream(other.m_stream), m_id(other.m_id), m_mountId(other.m_mountId) {
    other.m_fd = -1;
    other.m_stream = nullptr;
}

Directory& Directory::operator=(Directory&& other) noexcept {
    if (this != &other) {
        Close();
        m_fd = other.m_fd;
        m_stream = other.m_stream;
        m_id = other.m_id;
        m_mountId = other.m_mountId;
        other.m_fd = -1;
        other.m_stream = nullptr;
    }
    return *this;
}

void Directory::Close() {
    if (m_stream != nullptr) {
        ::closedir(static_cast<DIR*>(m_stream)); // closes m_fd too
    } else if (m_fd >= 0) {
        ::close(m_fd);
    }
    m_stream = nullptr;
    m_fd = -1;
}

namespace {

int OpenFolder(int dirFd, const char* name, bool follow, bool listing) {
    const int flags =
        (listing ? O_RDONLY | O_NONBLOCK : O_PATH) | O_DIRECTORY | O_CLOEXEC | (follow ? 0 : O_NOFOLLOW);
    int fd = ::openat(dirFd, name, flags);
    if (fd < 0 && (errno == EMFILE || errno == ENFILE) && RaiseDescriptorLimit()) {
        fd = ::openat(dirFd, name, flags);
    }
    return fd;
}

} // namespace

Directory Directory::FromDescriptor(int fd, bool listing, std::error_code& error) {
    if (fd < 0) {
        error = LastError();
        return {};
    }
    Directory d;
    d.m_fd = fd;
    const FolderIdentity identity = IdentityOf(fd, error);
    d.m_id = identity.id;
    d.m_mountId = identity.mountId;
    if (!error && listing && (d.m_stream = ::fdopendir(fd)) == nullptr) {
        error = LastError();
    }
    if (error) {
        return {};
    }
    return d;
}

Directory Directory::Open(const std::string& path, std::error_code& error) {
    error.clear();
    return FromDescriptor(OpenFolder(AT_FDCWD, path.c_str(), true, true), true, error);
}

Directory Directory::OpenForLookup(const std::string& path, std::error_code& error) {
    error.clear();
    return FromDescriptor(OpenFolder(AT_FDCWD, path.c_str(), true, false), false, error);
}

Directory Directory::OpenChild(const std::string& name, std::error_code& error) const {
    error.clear();
    if (!IsOpen()) {
        error = SystemError(EBADF);
        return {};
    }
    return FromDescriptor(OpenFolder(m_fd, name.c_str(), false, true), true, error);
}

bool Directory::Next(DirEntry& entry) {
    if (m_stream == nullptr) {
        return false;
    }
    DIR* dir = static_cast<DIR*>(m_stream);
    for (;;) {
        errno = 0;
        const dirent* d = ::readdir(dir);
        if (d == nullptr) {
            return false;
        }
        const char* name = d->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
            continue;
        }
        unsigned char type = d->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st {};
            if (::fstatat(::dirfd(dir), name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                continue; // gone since it was listed
            }
            type = S_ISDIR(st.st_mode)   ? DT_DIR
                   : S_ISLNK(st.st_mode) ? DT_LNK
                   : S_ISREG(st.st_mode) ? DT_REG
                                         : DT_FIFO;
        }
        entry.name = name;
        switch (type) {
        case DT_DIR:
            entry.type = DirEntry::Type::Folder;
            break;
        case DT_LNK:
            entry.type = DirEntry::Type::Link;
            break;
        case DT_REG:
            entry.type = DirEntry::Type::File;
            break;
        default:
            entry.type = DirEntry::Type::Other;
            break;
        }
        return true;
    }
}

} // namespace platform
