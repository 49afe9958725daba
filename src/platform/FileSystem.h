#pragma once

#include "platform/SystemTime.h"

#include <cstdint>
#include <optional>
#include <string>
#include <system_error>

namespace platform {

// Attribute bits with the values Windows gives them.
namespace attr {
inline constexpr uint32_t ReadOnly = 0x1;
inline constexpr uint32_t Hidden = 0x2;
inline constexpr uint32_t System = 0x4;
inline constexpr uint32_t Directory = 0x10;
inline constexpr uint32_t Archive = 0x20;
inline constexpr uint32_t Normal = 0x80; // "no attributes": only ever alone
inline constexpr uint32_t Temporary = 0x100;
inline constexpr uint32_t Offline = 0x1000;
inline constexpr uint32_t NotContentIndexed = 0x2000;
} // namespace attr

// Whether an item is opened as a file or as a folder where the platform makes a difference
// (Windows opens folders with backup semantics).
enum class ItemKind { File, Folder };

class Directory;

enum class FollowLinks { No, Yes };

// Where an item is: a full path, or a name inside an open folder. A name inside a folder is
// reached through the folder, so it is found even where the full path would be too long, and a
// folder renamed meanwhile cannot redirect the call. A path the user chose follows a final
// symbolic link to what it points to; a name met in a walk never does. The strings are borrowed
// and must outlive the reference.
class ItemRef {
public:
    static ItemRef Path(const std::string& path) {
        return ItemRef(nullptr, path.c_str(), path, FollowLinks::Yes);
    }
    static ItemRef InFolder(const Directory& folder, const std::string& name, const std::string& fullPath,
                            FollowLinks follow = FollowLinks::No) {
        return ItemRef(&folder, name.c_str(), fullPath, follow);
    }

    const std::string& FullPath() const { return *m_path; }
    const Directory* Folder() const { return m_folder; }
    const char* Name() const { return m_name; }
    bool Follows() const { return m_follow == FollowLinks::Yes; }

private:
    ItemRef(const Directory* folder, const char* name, const std::string& path, FollowLinks follow)
        : m_folder(folder), m_name(name), m_path(&path), m_follow(follow) {}

    const Directory* m_folder;
    const char* m_name;
    const std::string* m_path;
    FollowLinks m_follow;
};

// What one look at an item gives.
struct FileInfo {
    // The Windows attribute word: ReadOnly, Hidden, System, Archive and the rest as the file
    // system stores them, Directory for a folder, Normal when no other bit is set.
    uint32_t attributes = 0;
    bool isDirectory = false;
    std::optional<UtcTime> created; // none where the file system keeps no creation time
    UtcTime updated;                // last write
    uint64_t size = 0;              // bytes; meaningless for a folder
};

// Reads attributes, times and size at once. Never opens the item, so it cannot block.
std::error_code QueryFile(const ItemRef& item, FileInfo& info);

// The attribute word alone (as in FileInfo).
std::error_code GetAttributes(const ItemRef& item, uint32_t& attributes);

// Gives the item exactly these attributes, as Windows does: ReadOnly, Hidden, System, Archive,
// Temporary, Offline and NotContentIndexed are set or cleared, Normal alone clears them all,
// Directory and the bits a program cannot set are kept.
// The store is chosen per file system: on Linux file systems a file's read-only state is its
// write permission (none at all: read-only), and everything else lives in the extended attribute
// user.DOSATTRIB that Samba shares; FAT, NTFS and SMB keep the real attributes. A name starting
// with "." always reads as hidden there.
std::error_code SetAttributes(const ItemRef& item, uint32_t attributes);

// Writes the creation and/or last-write time (null: left as it is; the last-access time is
// never changed), then reads them back: a time the file system cannot store exactly (beyond its
// range, or shifted by more than its resolution) fails with Errc::time_not_stored.
// Where the file system cannot store a creation time at all, the last-write time is still
// written and the call fails with Errc::creation_time_unsupported.
// On POSIX the owner sets times without write permission, so the item is never opened or
// changed otherwise. Where writing times needs write access (Windows), a read-only item is made
// writable for the call and its attributes are always put back.
std::error_code SetFileTimes(const ItemRef& item, ItemKind kind, const UtcTime* created,
                             const UtcTime* updated);

// What a folder lists.
struct DirEntry {
    enum class Type { File, Folder, Link, Other };
    std::string name;
    Type type = Type::Other; // Other: FIFO, socket, device
};

// An open folder: lists its entries and is the base of the ItemRefs of its children. Opening
// never blocks and a child folder is opened only if it is a real folder, never through a link.
class Directory {
public:
    Directory() = default;
    ~Directory();
    Directory(Directory&& other) noexcept;
    Directory& operator=(Directory&& other) noexcept;
    Directory(const Directory&) = delete;
    Directory& operator=(const Directory&) = delete;

    // A folder the user chose; a link to a folder is followed.
    static Directory Open(const std::string& path, std::error_code& error);
    // The same, only as the base of its items' ItemRefs: it lists nothing, and needs no right to
    // read the folder, only to pass through it.
    static Directory OpenForLookup(const std::string& path, std::error_code& error);
    // A folder inside this one, by name; fails for anything but a real folder.
    Directory OpenChild(const std::string& name, std::error_code& error) const;

    // The next entry, "." and ".." left out; false at the end (or when listing fails midway).
    bool Next(DirEntry& entry);

    // Identifies the folder on its device, so that a walk enters no folder twice.
    struct Id {
        uint64_t device = 0;
        uint64_t inode = 0;
        friend bool operator==(const Id&, const Id&) = default;
    };
    Id GetId() const { return m_id; }

    bool IsOpen() const { return m_fd >= 0; }
    // For the platform layer only: the folder's descriptor, and the mount it lies on.
    intptr_t NativeHandle() const { return m_fd; }
    uint64_t MountId() const { return m_mountId; }

private:
    static Directory FromDescriptor(int fd, bool listing, std::error_code& error);
    void Close();

    int m_fd = -1;
    void* m_stream = nullptr; // DIR* over m_fd, when listing
    Id m_id;
    uint64_t m_mountId = 0;
};

} // namespace platform
