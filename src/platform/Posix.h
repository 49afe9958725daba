#pragma once

// What the POSIX bodies of the layer share; not part of its interface.

#include "platform/FileSystem.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>
#include <unistd.h>

namespace platform {

// Owns a file descriptor and closes it once.
class UniqueFd {
public:
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return m_fd; }
    int Release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    // Closes now, so that an error of close (NFS reports write errors there) can be seen.
    int Close() {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result;
    }

private:
    int m_fd;
};

// Reads the target of a symbolic link as stored; sizeHint is where the buffer starts.
std::error_code ReadLink(const char* path, std::string& target, size_t sizeHint = 64);

// The door of the POSIX bodies to an item's descriptor and the facts read when it was opened.
struct ItemAccess {
    static int Fd(const Item& item) { return static_cast<int>(item.m_handle); }
    static uint64_t MountId(const Item& item) { return item.m_mountId; }
    static bool DotName(const Item& item) { return item.m_dotName; }
    static uint32_t Mode(const Item& item) { return item.m_mode; }
    static uint32_t Owner(const Item& item) { return item.m_owner; }
    static bool Locked(const Item& item) { return item.m_locked; }
    static UtcTime Updated(const Item& item) { return item.m_updated; }
    static std::optional<UtcTime> Born(const Item& item) { return item.m_created; }
    static bool Readable(const Item& item) { return item.m_readable; }
    static const ItemRef* PlaceOf(const Item& item) { return item.m_place; }
    // An item over a descriptor (O_PATH, or readable when said so), which it then owns; leaf is
    // the name it was found by.
    static Item Adopt(int fd, std::string_view leaf, std::error_code& error, bool readable = false);
    // A regular file a read-only walk may look at by its name in its folder instead of opening
    // it: one this user may read without taking a right, where the kernel answers questions of
    // extended attributes by name. An item that is not open otherwise, for the walk to open.
    static Item Place(const ItemRef& place, uid_t user);

private:
    // Keeps the facts of the look that found the item (the body's own kind of look).
    template <class Facts> static void Take(Item& item, const Facts& facts, bool dotName);
};

// The same for folders: the descriptor, the place in the listing, and listings over
// descriptors a walk opened itself.
struct DirectoryAccess {
    static int Fd(const Directory& folder);
    // Where the listing goes on after the last entry it gave: a cookie for Seek.
    static uint64_t Position(const Directory& folder);
    static std::error_code Seek(Directory& folder, uint64_t position);
    // A listing over a descriptor opened for reading, which it then owns.
    static Directory Adopt(int fd);
};

// Whether /proc/self/fd reaches this process's descriptors.
bool ProcFdUsable();

// The kernel file systems a walk never enters: procfs, sysfs, devtmpfs and their like. Empty
// for any other; the descriptor may be an O_PATH one.
std::string KernelFileSystemName(int fd, uint64_t device);

} // namespace platform
