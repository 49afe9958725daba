#include "platform/Error.h"
#include "platform/Posix.h"
#include "platform/TreeWalk.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <linux/magic.h>
#include <optional>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unordered_set>
#include <vector>

namespace platform {
namespace {

// Open levels at most; fewer when the descriptor limit says so.
constexpr size_t kWindow = 32;

struct IdHash {
    size_t operator()(const ItemId& id) const noexcept {
        return std::hash<uint64_t>()(id.inode * 31 + id.device);
    }
};

struct Level {
    size_t pathEnd = 0; // the folder's path is the path buffer up to here
    ItemId id;
    uint64_t position = 0;  // where its listing goes on once it is opened again
    Directory listing;      // closed outside the window
    bool localDisk = false; // files in it are opened for reading (LocalDisk)
};

// A disk where opening a file costs no more than finding it: no network round trip, no FUSE
// daemon. There the walk opens regular files for reading, which lets their attribute records be
// reached through the descriptor instead of a /proc name looked up for each call.
bool LocalDisk(int folderFd) {
    struct statfs sf {};
    if (::fstatfs(folderFd, &sf) != 0) {
        return false;
    }
    switch (static_cast<unsigned long>(sf.f_type)) {
    case EXT4_SUPER_MAGIC:
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case F2FS_SUPER_MAGIC:
    case TMPFS_MAGIC:
        return true;
    default:
        return false;
    }
}

bool OutOfDescriptors(int code) {
    return code == EMFILE || code == ENFILE;
}

bool SameFolder(int fd, const ItemId& id) {
    struct statx sx {};
    return ::statx(fd, "", AT_EMPTY_PATH | AT_STATX_SYNC_AS_STAT, STATX_INO, &sx) == 0 &&
           (static_cast<uint64_t>(sx.stx_dev_major) << 32 | sx.stx_dev_minor) == id.device &&
           sx.stx_ino == id.inode;
}

} // namespace

struct TreeWalk::Impl {
    Impl(const Item& root, const std::string& rootPath, CrossMounts mounts, ItemsFor use);
    Step Next();

    Step Problem(std::error_code what, std::error_code why = {}) {
        error = what;
        reason = why;
        return Step::Problem;
    }
    // A level that cannot be gone on with: the folder moved, or the system's reason.
    Step Lost(std::error_code why) {
        return why == Errc::folder_moved ? Problem(why)
                                         : Problem(make_error_code(Errc::contents_skipped), why);
    }
    void Pop() {
        if (levels.back().listing.IsOpen()) {
            --openLevels;
        }
        levels.pop_back();
    }
    bool Enter();
    std::error_code Leave();
    std::error_code Reopen(size_t index, const Directory* child);
    int OpenLevelByNames(size_t index);
    bool Evict();
    template <class Open> int Retrying(Open open);
    void AppendName(const std::string& name);
    std::error_code OpenCurrent(int dirFd, bool localDisk);
    std::string_view NameOf(size_t index) const;

    // Whether the current item lies off the root's mount where the walk is to stay on it.
    bool Strayed() const {
        return !crossMounts &&
               (current.Id().device != rootDevice || ItemAccess::MountId(current) != rootMountId);
    }

    std::string path;
    bool crossMounts = true;
    uint64_t rootDevice = 0;
    uint64_t rootMountId = 0;
    std::vector<Level> levels;
    std::unordered_set<ItemId, IdHash> visited;
    size_t openLevels = 0;
    size_t window = kWindow;
    bool questionsOnly = false;
    uid_t user = 0;
    DirEntry entry;
    std::optional<ItemRef> place; // the current file by its name, when it is not opened
    Item current;
    bool enterCurrent = false;
    bool pending = false; // a problem of the root, told at the first call
    std::error_code error;
    std::error_code reason;
};

TreeWalk::Impl::Impl(const Item& root, const std::string& rootPath, CrossMounts mounts, ItemsFor use)
    : path(rootPath), crossMounts(mounts == CrossMounts::Yes), rootDevice(root.Id().device),
      rootMountId(ItemAccess::MountId(root)), questionsOnly(use == ItemsFor::Questions),
      user(questionsOnly ? ::geteuid() : 0) {
    visited.insert(root.Id());
    if (!KernelFileSystemName(ItemAccess::Fd(root), root.Id().device).empty()) {
        pending = true;
        Problem(make_error_code(Errc::kernel_file_system));
        return;
    }
    std::error_code ec;
    Directory listing = Directory::Open(root, ec);
    if (ec) {
        pending = true;
        Problem(make_error_code(Errc::contents_skipped), ec);
        return;
    }
    const bool local = LocalDisk(DirectoryAccess::Fd(listing));
    levels.push_back({path.size(), root.Id(), 0, std::move(listing), local});
    openLevels = 1;
}

void TreeWalk::Impl::AppendName(const std::string& name) {
    if (path.empty() || path.back() != '/') {
        path.push_back('/');
    }
    path.append(name);
}

std::string_view TreeWalk::Impl::NameOf(size_t index) const {
    size_t from = levels[index - 1].pathEnd;
    if (from < path.size() && path[from] == '/') {
        ++from;
    }
    return std::string_view(path).substr(from, levels[index].pathEnd - from);
}

// Gives up the shallowest open level but the root (the anchor that folders are found again
// from) and the one being listed. False when there is none.
bool TreeWalk::Impl::Evict() {
    for (size_t i = 1; i + 1 < levels.size(); ++i) {
        Level& level = levels[i];
        if (level.listing.IsOpen()) {
            level.position = DirectoryAccess::Position(level.listing);
            level.listing = Directory();
            --openLevels;
            return true;
        }
    }
    return false;
}

// Runs an open, and again after giving up a level each time the process is out of descriptors;
// from then on the window stays that small.
template <class Open> int TreeWalk::Impl::Retrying(Open open) {
    for (;;) {
        const int fd = open();
        if (fd >= 0 || !OutOfDescriptors(errno)) {
            return fd;
        }
        const int code = errno;
        if (!Evict()) {
            errno = code;
            return -1;
        }
        window = std::max<size_t>(openLevels, 2);
    }
}

bool TreeWalk::Impl::Enter() {
    if (!visited.insert(current.Id()).second) {
        return false;
    }
    const int fd = Retrying([&] {
        return ::openat(ItemAccess::Fd(current), ".", O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
    });
    if (fd < 0) {
        Problem(make_error_code(Errc::contents_skipped), LastError());
        return true;
    }
    if (openLevels >= window) {
        Evict();
    }
    levels.push_back({path.size(), current.Id(), 0, DirectoryAccess::Adopt(fd), LocalDisk(fd)});
    ++openLevels;
    return false;
}

// Opens a level's folder again down from the deepest open level above it, name by name
// without following links, each checked to be the folder that was there.
int TreeWalk::Impl::OpenLevelByNames(size_t index) {
    size_t from = index;
    while (from > 0 && !levels[from].listing.IsOpen()) {
        --from;
    }
    const int anchor = DirectoryAccess::Fd(levels[from].listing);
    int at = anchor;
    for (size_t i = from + 1; i <= index && at >= 0; ++i) {
        const std::string name(NameOf(i));
        int next = Retrying(
            [&] { return ::openat(at, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC); });
        if (next >= 0 && !SameFolder(next, levels[i].id)) {
            ::close(next);
            next = -1;
            errno = 0;
        }
        if (at != anchor) {
            const int code = errno;
            ::close(at);
            errno = code;
        }
        at = next;
    }
    if (at < 0) {
        return -1;
    }
    const int fd =
        Retrying([&] { return ::openat(at, ".", O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC); });
    const int code = errno;
    if (at != anchor) {
        ::close(at);
    }
    errno = code;
    return fd;
}

// Opens a level given up before, the quick way through ".." of its child when that still leads
// there, and puts its listing where it was.
std::error_code TreeWalk::Impl::Reopen(size_t index, const Directory* child) {
    Level& level = levels[index];
    int fd = -1;
    if (child != nullptr && child->IsOpen()) {
        fd = Retrying([&] {
            return ::openat(DirectoryAccess::Fd(*child), "..",
                            O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
        });
        if (fd >= 0 && !SameFolder(fd, level.id)) {
            ::close(fd);
            fd = -1;
        }
    }
    if (fd < 0) {
        fd = OpenLevelByNames(index);
    }
    if (fd < 0) {
        return errno != 0 ? LastError() : make_error_code(Errc::folder_moved);
    }
    level.listing = DirectoryAccess::Adopt(fd);
    ++openLevels;
    return DirectoryAccess::Seek(level.listing, level.position);
}

// Done with the deepest level: back to its parent, opened again if it was given up.
std::error_code TreeWalk::Impl::Leave() {
    // Kept open until the parent is found again through it.
    const Directory done = std::move(levels.back().listing);
    --openLevels;
    Pop();
    if (levels.empty() || levels.back().listing.IsOpen()) {
        return {};
    }
    const std::error_code ec = Reopen(levels.size() - 1, &done);
    if (ec) {
        path.resize(levels.back().pathEnd);
        Pop();
    }
    return ec;
}

TreeWalk::Step TreeWalk::Impl::Next() {
    if (pending) {
        pending = false;
        return Step::Problem;
    }
    if (enterCurrent) {
        enterCurrent = false;
        if (Enter()) {
            current.Close();
            return Step::Problem;
        }
    }
    current.Close();
    while (!levels.empty()) {
        Level& top = levels.back();
        path.resize(top.pathEnd);
        std::error_code ec;
        if (!top.listing.IsOpen() && (ec = Reopen(levels.size() - 1, nullptr))) {
            Pop();
            return Lost(ec);
        }
        if (!top.listing.Next(entry, ec)) {
            if (ec) { // the listing is done now; it is left on the next call
                return Problem(make_error_code(Errc::contents_skipped), ec);
            }
            if (const std::error_code left = Leave()) {
                return Lost(left);
            }
            continue;
        }
        if (entry.type == DirEntry::Type::Link) {
            continue;
        }
        AppendName(entry.name);
        if (questionsOnly && entry.type == DirEntry::Type::File && top.localDisk) {
            place = ItemRef::InFolder(top.listing, entry.name, path);
            current = ItemAccess::Place(*place, user); // not open where it must be opened
        }
        if (!current.IsOpen() && (ec = OpenCurrent(DirectoryAccess::Fd(top.listing), top.localDisk))) {
            return Problem(ec);
        }
        if (current.Type() == ItemType::Link || Strayed()) { // a link swapped in since it was listed
            current.Close();
            continue;
        }
        if (current.Type() == ItemType::Folder && current.Id().device != levels.back().id.device &&
            !KernelFileSystemName(ItemAccess::Fd(current), current.Id().device).empty()) {
            current.Close();
            return Problem(make_error_code(Errc::kernel_file_system));
        }
        enterCurrent = current.Type() == ItemType::Folder;
        return Step::Item;
    }
    return Step::End;
}

// Opens the entry in hand as current. Non-blocking and never a controlling terminal, should a
// device have been swapped in since the listing; a file that may not be read is opened as a
// place only.
std::error_code TreeWalk::Impl::OpenCurrent(int dirFd, bool localDisk) {
    int fd = -1;
    bool readable = false;
    if (entry.type == DirEntry::Type::File && localDisk) {
        fd = Retrying([&] {
            return ::openat(dirFd, entry.name.c_str(),
                            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        });
        readable = fd >= 0;
    }
    if (fd < 0) {
        fd = Retrying([&] { return ::openat(dirFd, entry.name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC); });
    }
    std::error_code ec;
    current = ItemAccess::Adopt(fd, entry.name, ec, readable);
    return ec;
}

#include "platform/TreeWalkMembers.inc"

} // namespace platform
