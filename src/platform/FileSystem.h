#pragma once

#include "platform/SystemTime.h"

#include <cstdint>
#include <memory>
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
// Every bit SetAttributes sets or clears.
inline constexpr uint32_t Settable =
    ReadOnly | Hidden | System | Archive | Temporary | Offline | NotContentIndexed;
} // namespace attr

// What an item is. Other: a FIFO, socket or device, which is never opened.
enum class ItemType { File, Folder, Link, Other };

// Identifies a file or folder on its device; all zero when unknown.
struct ItemId {
    uint64_t device = 0;
    uint64_t inode = 0;
    bool Known() const { return inode != 0 || device != 0; }
    friend bool operator==(const ItemId&, const ItemId&) = default;
    friend auto operator<=>(const ItemId&, const ItemId&) = default;
};

class Directory;

enum class FollowLinks { No, Yes };

// Where an item is, for questions that change nothing: a full path, or a name inside an open
// folder. A name inside a folder is reached through the folder, so it is found even where the
// full path would be too long. A path the user chose follows a final symbolic link to what it
// points to. The strings are borrowed and must outlive the reference.
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
    // system stores them, Directory for a folder, Normal when no other bit is set. None when
    // they cannot be read (someone else's file without read permission).
    std::optional<uint32_t> attributes;
    bool isDirectory = false;
    bool isLink = false; // the path itself is a symbolic link (the facts are of what it points to)
    ItemId id;
    std::optional<UtcTime> created; // none where the file system keeps no creation time
    UtcTime updated;                // last write
    uint64_t size = 0;              // bytes; meaningless for a folder
};

// Reads attributes, times and size at once; fails only when the item cannot be looked at.
// Never opens the item for reading, so it cannot block. Where the owner lacks the right to
// read the attribute record (mode 000), the right is taken for the read and the exact mode put
// back.
std::error_code QueryFile(const ItemRef& item, FileInfo& info);

// One file or folder opened once, without following a symbolic link inside a walk, so that
// every question and change goes to this one inode: a name swapped meanwhile cannot redirect
// them. Opening needs no right to the item itself and never blocks, not even on a FIFO. Where
// the system offers no way to change the item through the handle alone, the change is refused
// with Errc::no_safe_way rather than made by a path that could follow a link.
class Item {
public:
    Item() = default;
    ~Item();
    Item(Item&& other) noexcept;
    Item& operator=(Item&& other) noexcept;
    Item(const Item&) = delete;
    Item& operator=(const Item&) = delete;

    // A path the user chose. Its final symbolic link is followed only when the user chose a
    // link (follow Yes); otherwise a link found there now is opened as the link itself.
    static Item Open(const std::string& path, FollowLinks follow, std::error_code& error);
    // A name listed in an open folder; a link is opened as the link itself (Type() Link).
    static Item OpenIn(const Directory& folder, const std::string& name, std::error_code& error);

    // A handle, or a place a read-only walk looks at by name (see TreeWalk).
    bool IsOpen() const { return m_handle >= 0 || m_place != nullptr; }
    void Close();
    // As found on the handle when it was opened.
    ItemType Type() const { return m_type; }
    ItemId Id() const { return m_id; }
    UtcTime Updated() const { return m_updated; }
    // The names (hard links) a file had; 1 where the system does not say.
    uint32_t Links() const { return m_links; }

private:
    friend struct ItemAccess; // the platform body's door to the handle and its facts

    intptr_t m_handle = -1;
    const ItemRef* m_place = nullptr; // instead of a handle; the walk's, valid until it moves on
    ItemType m_type = ItemType::Other;
    ItemId m_id;
    uint64_t m_mountId = 0;
    uint32_t m_mode = 0; // permission bits at opening
    uint32_t m_owner = 0;
    bool m_locked = false; // immutable or append-only at opening
    bool m_dotName = false;
    bool m_readable = false; // a file opened for reading, not only a place
    uint32_t m_links = 1;
    UtcTime m_updated;
    std::optional<UtcTime> m_created;
};

// Everything of an item that a change by this program can touch, exactly as stored, so that it
// can be put back: the times and attribute word as the list shows them, the permission bits,
// and the stores' own values.
struct ItemState {
    ItemId id;
    std::optional<UtcTime> created; // as shown: the file system's own, the record's, or birth
    UtcTime updated;
    uint32_t attributes = 0;            // as shown (see FileInfo)
    uint32_t mode = 0;                  // permission bits
    std::optional<std::string> record;  // user.DOSATTRIB as stored; none where there is none
    std::optional<uint32_t> word;       // NTFS, SMB or FAT attribute word as stored
    std::optional<uint64_t> ownCreated; // NTFS or SMB creation time as stored, in NT ticks

    friend bool operator==(const ItemState&, const ItemState&) = default;
};

// Reads the state through the item's handle (the owner's right is taken, and given back, to read
// the record of a file of mode 000). Identity, times and mode are those the handle saw when it
// was opened, so read the state before changing the item through it.
std::error_code ReadState(const Item& item, ItemState& state);

// What a change would touch, for PredictChange.
struct ChangeAsked {
    bool times = false;   // either time
    bool created = false; // the creation time among them
    bool attributes = false;
    // Who would make it, as EffectiveUser() gave it at the start of a run of predictions; none:
    // asked of the system each time.
    std::optional<uint32_t> user;
    bool clearsHidden = false; // among the attributes, hidden asked off
};

// Whether the change would fail, without making it, as the item was when opened and its file
// system when last looked at: the first reason it would (another's item, an immutable one, a
// read-only file system, a creation time or attributes this file system cannot keep, a record
// that is newer or damaged), or nothing.
// known: as for SetAttributes.
std::error_code PredictChange(const Item& item, const ChangeAsked& asked, const ItemState* known = nullptr);

// Puts back exactly what state holds: the stores' values, the permission bits, the last-write
// time (the last-access time is not touched). Devices, FIFOs and sockets get their time only.
// asOpened: nothing was changed through the handle since it was opened, so the facts it saw
// then still hold and need no new look.
std::error_code RestoreState(const Item& item, const ItemState& state, bool asOpened = false);

// The file system an item lies on, for a line that speaks of the whole file system: where it is
// mounted and its type ("ext4"). Empty texts where the system does not tell.
struct MountInfo {
    std::string point;
    std::string type;
};
MountInfo MountOf(const Item& item);

// Gives the item exactly these attributes, as Windows does: ReadOnly, Hidden, System, Archive,
// Temporary, Offline and NotContentIndexed are set or cleared, Normal alone clears them all,
// Directory and the bits a program cannot set are kept.
// The store is chosen per file system: on Linux file systems a file's read-only state is its
// write permission (none at all: read-only), and everything else lives in the extended attribute
// user.DOSATTRIB that Samba shares; FAT, NTFS and SMB keep the real attributes. The owner gets
// the right to read and write the record for the step, and the exact mode is put back (or the
// new one set), also when the step fails. A name starting with "." always reads as hidden
// there: clearing Hidden on it does everything else and fails with Errc::hidden_by_name.
// Devices, FIFOs and sockets get none: Errc::not_a_file_or_folder. known: the item's state read
// just before (ReadState) with nothing changed since but its last-write time, which spares
// reading the stores again.
std::error_code SetAttributes(const Item& item, uint32_t attributes, const ItemState* known = nullptr);

// The attribute word of an opened item, read afresh as QueryFile reads it. Fails with the
// system's reason where it cannot be read (someone else's file without read permission), and
// with Errc::not_a_file_or_folder for devices, FIFOs and sockets, which have none.
std::error_code GetAttributes(const Item& item, uint32_t& attributes);

// The creation time as QueryFile reads it (NTFS's or SMB's own, else the one in the
// user.DOSATTRIB record, else the kernel's birth time; none where there is none) and the
// last-write time, read afresh through the handle. Fails only when the item cannot be looked at.
std::error_code GetFileTimes(const Item& item, std::optional<UtcTime>& created, UtcTime& updated);

// Reads the first bytes of a regular file, at most limit of them, into bytes (fewer: the whole
// file). The item is opened again for reading through its handle, never by name, without
// blocking and without changing its last-access time where the system allows that; where
// there is no way to reach it through the handle (no /proc), Errc::no_safe_way. Anything but a
// regular file: Errc::not_a_file_or_folder.
std::error_code ReadFileStart(const Item& item, size_t limit, std::string& bytes);

// Writes the creation and/or last-write time (null: left as it is; the last-access time is
// never changed), then reads them back: a time the file system stores otherwise (beyond its
// range, or shifted by more than its resolution) is undone, the old times put back, and the call
// fails with Errc::time_not_stored. NTFS and SMB refuse a time before 1601 the same way,
// before writing. Where the file system cannot store a creation time at all, the last-write
// time is still written and the call fails with Errc::creation_time_unsupported.
// On POSIX the owner sets times without write permission, so nothing else is changed.
std::error_code SetFileTimes(const Item& item, const UtcTime* created, const UtcTime* updated);

// What a folder lists.
struct DirEntry {
    enum class Type { File, Folder, Link, Other, Unknown };
    std::string name;
    Type type = Type::Unknown; // as the listing says; Unknown where it does not tell
};

// An open folder: lists its entries and is the base of the items named in it. Opening never
// blocks.
class Directory {
public:
    Directory();
    ~Directory();
    Directory(Directory&& other) noexcept;
    Directory& operator=(Directory&& other) noexcept;
    Directory(const Directory&) = delete;
    Directory& operator=(const Directory&) = delete;

    // Lists the folder an item holds; opened through the handle, never by name again.
    static Directory Open(const Item& folder, std::error_code& error);
    // A folder the user chose (a link to a folder is followed), only as the base of its items'
    // ItemRefs: it lists nothing, and needs no right to read the folder, only to pass through.
    static Directory OpenForLookup(const std::string& path, std::error_code& error);

    // The next entry, "." and ".." left out. False at the end, and when listing fails, with
    // the system's reason in error (cleared otherwise).
    bool Next(DirEntry& entry, std::error_code& error);

    bool IsOpen() const;

private:
    friend struct DirectoryAccess;
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace platform
