// Files and folders through handles: an item is opened once (without following a link inside a
// walk), names in a folder are opened relative to the folder's handle (NtCreateFile with a root
// directory), folders are listed through their handle (GetFileInformationByHandleEx), and every
// change goes through a handle opened again from the item's own for the rights it needs.
#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "platform/Win32Files.h"

#include <algorithm>
#include <utility>
#include <vector>
#include <winternl.h>

namespace platform {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr ACCESS_MASK kLookAccess = FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr ACCESS_MASK kChangeAccess = FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE;

// name opened relative to root (an empty name: root itself, opened again with other rights),
// never following a link; a file or a folder alike.
std::error_code OpenRelative(HANDLE root, std::wstring_view name, ACCESS_MASK access, UniqueHandle& out) {
    UNICODE_STRING unicode{};
    unicode.Buffer = const_cast<wchar_t*>(name.data());
    unicode.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    unicode.MaximumLength = unicode.Length;
    OBJECT_ATTRIBUTES attributes{};
    attributes.Length = sizeof attributes;
    attributes.RootDirectory = root;
    attributes.ObjectName = &unicode;
    attributes.Attributes = OBJ_CASE_INSENSITIVE;
    IO_STATUS_BLOCK io{};
    HANDLE handle = nullptr;
    const NTSTATUS status = ::NtCreateFile(
        &handle, access, &attributes, &io, nullptr, 0, kShareAll, FILE_OPEN,
        FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
    if (!NT_SUCCESS(status)) {
        return Win32Error(::RtlNtStatusToDosError(status));
    }
    out.Reset(handle);
    return {};
}

std::error_code OpenPath(const std::string& path, ACCESS_MASK access, FollowLinks follow, UniqueHandle& out) {
    const std::wstring wide = LongPath(path);
    if (wide.empty()) {
        return LastError();
    }
    const DWORD flags =
        FILE_FLAG_BACKUP_SEMANTICS | (follow == FollowLinks::Yes ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    out.Reset(::CreateFileW(wide.c_str(), access, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr));
    return out.Valid() ? std::error_code() : LastError();
}

// What one look at an open handle gives.
struct Facts {
    uint32_t attributes = 0;
    DWORD reparseTag = 0;
    ItemId id;
    UtcTime created;
    UtcTime updated;
    uint64_t size = 0;
};

std::error_code FactsOf(HANDLE handle, Facts& out) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle, &info)) {
        return LastError();
    }
    out.attributes = info.dwFileAttributes;
    out.id = {info.dwVolumeSerialNumber,
              static_cast<uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow};
    out.created = FromFileTime(info.ftCreationTime);
    out.updated = FromFileTime(info.ftLastWriteTime);
    out.size = static_cast<uint64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
    out.reparseTag = 0;
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        FILE_ATTRIBUTE_TAG_INFO tag{};
        if (::GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag)) {
            out.reparseTag = tag.ReparseTag;
        }
    }
    return {};
}

// Symbolic links and junctions are links; other reparse points (cloud files, deduplicated
// files) are the files they stand for.
bool IsLinkTag(DWORD tag) {
    return tag == IO_REPARSE_TAG_SYMLINK || tag == IO_REPARSE_TAG_MOUNT_POINT;
}

uint32_t Shown(uint32_t attributes) {
    return attributes == 0 ? attr::Normal : attributes;
}

std::error_code Reopen(const Item& item, ACCESS_MASK access, UniqueHandle& out) {
    return OpenRelative(ItemAccess::Handle(item), {}, access, out);
}

// The path the handle reaches now, for the calls that take nothing else.
std::wstring FinalPath(HANDLE handle) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()),
                                                    FILE_NAME_NORMALIZED);
        if (n == 0) {
            return {};
        }
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(n);
    }
}

std::error_code SetBasicAttributes(HANDLE handle, uint32_t attributes) {
    FILE_BASIC_INFO basic{};
    // Zero times are left as they are; a zero word would be too, so "none" is said as Normal.
    basic.FileAttributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
    return ::SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic) ? std::error_code()
                                                                                     : LastError();
}

// Runs step on a handle that may write the item's attributes and times. Windows refuses that
// handle for some read-only items: read-only is then cleared for the step and put back after
// it (the attributes given, or the old ones), whether the step worked or not.
template <class Step>
std::error_code WithChangeHandle(const Item& item, std::optional<uint32_t> finalAttributes, Step step) {
    UniqueHandle handle;
    std::error_code ec = Reopen(item, kChangeAccess, handle);
    if (!ec) {
        return step(handle.Get());
    }
    Facts facts;
    if (ec != std::errc::permission_denied || FactsOf(ItemAccess::Handle(item), facts) ||
        (facts.attributes & FILE_ATTRIBUTE_READONLY) == 0) {
        return ec;
    }
    const std::wstring path = FinalPath(ItemAccess::Handle(item));
    if (path.empty() || !::SetFileAttributesW(path.c_str(), facts.attributes & ~FILE_ATTRIBUTE_READONLY)) {
        return ec;
    }
    ec = Reopen(item, kChangeAccess, handle);
    if (!ec) {
        ec = step(handle.Get());
    }
    const uint32_t restore = ec ? facts.attributes : finalAttributes.value_or(facts.attributes);
    if (!::SetFileAttributesW(path.c_str(), restore == 0 ? FILE_ATTRIBUTE_NORMAL : restore) && !ec) {
        ec = LastError();
    }
    return ec;
}

// The attribute word SetAttributes writes: the settable bits asked for, the others kept.
uint32_t Wanted(uint32_t current, uint32_t asked) {
    const uint32_t settable = asked == attr::Normal ? 0 : asked & attr::Settable;
    return (current & ~attr::Settable & ~attr::Normal) | settable;
}

// How closely a file system keeps last-write times: FAT to two seconds, exFAT to 10 ms, the
// rest to the 100 ns of a file time.
int64_t ResolutionNs(HANDLE handle) {
    wchar_t name[MAX_PATH + 1] = {};
    if (!::GetVolumeInformationByHandleW(handle, nullptr, 0, nullptr, nullptr, nullptr, name, MAX_PATH + 1)) {
        return 100;
    }
    const std::wstring_view fs(name);
    if (fs == L"FAT" || fs == L"FAT32") {
        return 2'000'000'000;
    }
    return fs == L"exFAT" ? 10'000'000 : 100;
}

bool SameWithin(const UtcTime& wanted, const UtcTime& got, int64_t resolutionNs) {
    // The seconds first, so that times far apart cannot overflow the nanoseconds.
    const int64_t seconds = wanted.seconds - got.seconds;
    if (seconds > 3 || seconds < -3) {
        return false;
    }
    const int64_t ns = seconds * 1'000'000'000 + (static_cast<int64_t>(wanted.nanoseconds) - got.nanoseconds);
    return (ns < 0 ? -ns : ns) < resolutionNs;
}

std::error_code WriteTimes(HANDLE handle, const FILETIME* created, const FILETIME* updated) {
    return ::SetFileTime(handle, created, nullptr, updated) ? std::error_code() : LastError();
}

} // namespace

Item ItemAccess::Adopt(HANDLE handle, std::error_code& error) {
    UniqueHandle owned(handle);
    Facts facts;
    if ((error = FactsOf(handle, facts))) {
        return {};
    }
    Item item;
    item.m_handle = reinterpret_cast<intptr_t>(owned.Release());
    const bool link = IsLinkTag(facts.reparseTag);
    item.m_type = link                                                 ? ItemType::Link
                  : (facts.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? ItemType::Folder
                                                                       : ItemType::File;
    item.m_id = facts.id;
    item.m_mountId = facts.id.device;
    item.m_mode = facts.attributes;
    item.m_updated = facts.updated;
    item.m_created = facts.created;
    return item;
}

void Item::Close() {
    if (m_handle >= 0) {
        ::CloseHandle(reinterpret_cast<HANDLE>(m_handle));
        m_handle = -1;
    }
}

Item Item::Open(const std::string& path, FollowLinks follow, std::error_code& error) {
    UniqueHandle handle;
    if ((error = OpenPath(path, kLookAccess, follow, handle))) {
        return {};
    }
    return ItemAccess::Adopt(handle.Release(), error);
}

Item Item::OpenIn(const Directory& folder, const std::string& name, std::error_code& error) {
    UniqueHandle handle;
    if ((error = OpenRelative(DirectoryAccess::Handle(folder), Wide(name), kLookAccess, handle))) {
        return {};
    }
    return ItemAccess::Adopt(handle.Release(), error);
}

std::error_code QueryFile(const ItemRef& item, FileInfo& info) {
    UniqueHandle handle;
    std::error_code ec =
        item.Folder() != nullptr
            ? OpenRelative(DirectoryAccess::Handle(*item.Folder()), Wide(item.Name()), kLookAccess, handle)
            : OpenPath(item.FullPath(), kLookAccess, FollowLinks::No, handle);
    if (ec) {
        // Held open by someone who shares nothing, or no right to read its attributes: the
        // folder's listing still tells.
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!::GetFileAttributesExW(LongPath(item.FullPath()).c_str(), GetFileExInfoStandard, &data)) {
            return ec;
        }
        info = FileInfo();
        info.attributes = Shown(data.dwFileAttributes);
        info.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        info.created = FromFileTime(data.ftCreationTime);
        info.updated = FromFileTime(data.ftLastWriteTime);
        info.size = static_cast<uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
        return {};
    }
    Facts facts;
    if ((ec = FactsOf(handle.Get(), facts))) {
        return ec;
    }
    info.isLink = IsLinkTag(facts.reparseTag);
    if (info.isLink && item.Follows()) {
        if ((ec = OpenPath(item.FullPath(), kLookAccess, FollowLinks::Yes, handle)) ||
            (ec = FactsOf(handle.Get(), facts))) {
            return ec;
        }
    }
    info.attributes = Shown(facts.attributes);
    info.isDirectory = (facts.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    info.id = facts.id;
    info.created = facts.created;
    info.updated = facts.updated;
    info.size = facts.size;
    return {};
}

std::error_code GetAttributes(const Item& item, uint32_t& attributes) {
    if (item.Type() != ItemType::File && item.Type() != ItemType::Folder) {
        return make_error_code(Errc::not_a_file_or_folder);
    }
    Facts facts;
    if (auto ec = FactsOf(ItemAccess::Handle(item), facts)) {
        return ec;
    }
    attributes = Shown(facts.attributes);
    return {};
}

std::error_code GetFileTimes(const Item& item, std::optional<UtcTime>& created, UtcTime& updated) {
    Facts facts;
    if (auto ec = FactsOf(ItemAccess::Handle(item), facts)) {
        return ec;
    }
    created = facts.created;
    updated = facts.updated;
    return {};
}

std::error_code SetAttributes(const Item& item, uint32_t attributes, const ItemState*) {
    if (item.Type() != ItemType::File && item.Type() != ItemType::Folder) {
        return make_error_code(Errc::not_a_file_or_folder);
    }
    Facts before;
    if (auto ec = FactsOf(ItemAccess::Handle(item), before)) {
        return ec;
    }
    const uint32_t wanted = Wanted(before.attributes, attributes);
    return WithChangeHandle(item, wanted, [&](HANDLE handle) -> std::error_code {
        if (auto ec = SetBasicAttributes(handle, wanted)) {
            return ec;
        }
        // A file system that keeps fewer bits than asked (Wine keeps archive on every file)
        // gets the old word back: the item is changed as asked or not at all.
        Facts after;
        if (auto ec = FactsOf(handle, after)) {
            return ec;
        }
        if ((after.attributes & attr::Settable) != (wanted & attr::Settable)) {
            SetBasicAttributes(handle, before.attributes);
            return make_error_code(Errc::attributes_unsupported);
        }
        return {};
    });
}

std::error_code SetFileTimes(const Item& item, const UtcTime* created, const UtcTime* updated) {
    FILETIME createdTime{};
    FILETIME updatedTime{};
    if ((created != nullptr && !ToFileTime(*created, createdTime)) ||
        (updated != nullptr && !ToFileTime(*updated, updatedTime))) {
        return make_error_code(Errc::time_not_stored);
    }
    if (created == nullptr && updated == nullptr) {
        return {};
    }
    return WithChangeHandle(item, std::nullopt, [&](HANDLE handle) -> std::error_code {
        Facts before;
        if (auto ec = FactsOf(handle, before)) {
            return ec;
        }
        if (auto ec = WriteTimes(handle, created != nullptr ? &createdTime : nullptr,
                                 updated != nullptr ? &updatedTime : nullptr)) {
            return ec;
        }
        Facts after;
        if (auto ec = FactsOf(handle, after)) {
            return ec;
        }
        // FAT keeps creation times to 10 ms whatever it does with the last-write time.
        const int64_t resolution = ResolutionNs(handle);
        const bool kept = (updated == nullptr || SameWithin(*updated, after.updated, resolution)) &&
                          (created == nullptr ||
                           SameWithin(*created, after.created, std::min<int64_t>(resolution, 10'000'000)));
        if (!kept) {
            FILETIME oldCreated{};
            FILETIME oldUpdated{};
            ToFileTime(before.created, oldCreated);
            ToFileTime(before.updated, oldUpdated);
            WriteTimes(handle, &oldCreated, &oldUpdated);
            return make_error_code(Errc::time_not_stored);
        }
        return {};
    });
}

std::error_code ReadFileStart(const Item& item, size_t limit, std::string& bytes) {
    bytes.clear();
    if (item.Type() != ItemType::File) {
        return item.Type() == ItemType::Folder ? std::make_error_code(std::errc::is_a_directory)
                                               : std::make_error_code(std::errc::invalid_argument);
    }
    UniqueHandle handle;
    constexpr ACCESS_MASK kRead = FILE_READ_DATA | SYNCHRONIZE;
    const bool keepsAccessTime = !Reopen(item, kRead | FILE_WRITE_ATTRIBUTES, handle);
    if (!keepsAccessTime) {
        if (auto ec = Reopen(item, kRead, handle)) {
            return ec;
        }
    } else {
        // All ones: this handle's reads leave the last-access time as it is.
        FILETIME keep{0xFFFFFFFF, 0xFFFFFFFF};
        ::SetFileTime(handle.Get(), nullptr, &keep, nullptr);
    }
    constexpr size_t kChunk = 1 << 16;
    while (bytes.size() < limit) {
        const size_t at = bytes.size();
        bytes.resize(at + std::min(kChunk, limit - at));
        DWORD n = 0;
        if (!::ReadFile(handle.Get(), bytes.data() + at, static_cast<DWORD>(bytes.size() - at), &n,
                        nullptr)) {
            bytes.resize(at);
            return LastError();
        }
        bytes.resize(at + n);
        if (n == 0) {
            break;
        }
    }
    return {};
}

std::error_code ReadState(const Item& item, ItemState& state) {
    state = ItemState();
    Facts facts;
    if (auto ec = FactsOf(ItemAccess::Handle(item), facts)) {
        return ec;
    }
    state.id = facts.id;
    state.created = facts.created;
    state.updated = facts.updated;
    state.attributes = Shown(facts.attributes);
    state.word = facts.attributes;
    state.ownCreated = ToFileTimeTicks(facts.created);
    return {};
}

std::error_code PredictChange(const Item& item, const ChangeAsked& asked, const ItemState*) {
    const bool fileOrFolder = item.Type() == ItemType::File || item.Type() == ItemType::Folder;
    if (asked.attributes && !fileOrFolder) {
        return make_error_code(Errc::not_a_file_or_folder);
    }
    DWORD flags = 0;
    if (::GetVolumeInformationByHandleW(ItemAccess::Handle(item), nullptr, 0, nullptr, nullptr, &flags,
                                        nullptr, 0) &&
        (flags & FILE_READ_ONLY_VOLUME) != 0) {
        return Win32Error(ERROR_WRITE_PROTECT);
    }
    if (!asked.times && !asked.attributes) {
        return {};
    }
    UniqueHandle handle;
    std::error_code ec = Reopen(item, kChangeAccess, handle);
    // A read-only item refused here is changed by clearing read-only for the step.
    if (ec == std::errc::permission_denied &&
        (item.Type() == ItemType::File || item.Type() == ItemType::Folder)) {
        Facts facts;
        if (!FactsOf(ItemAccess::Handle(item), facts) && (facts.attributes & FILE_ATTRIBUTE_READONLY) != 0) {
            return {};
        }
    }
    return ec;
}

std::error_code RestoreState(const Item& item, const ItemState& state, bool) {
    const uint32_t word = state.word.value_or(state.attributes == attr::Normal ? 0 : state.attributes);
    const bool fileOrFolder = item.Type() == ItemType::File || item.Type() == ItemType::Folder;
    return WithChangeHandle(
        item, fileOrFolder ? std::optional(word) : std::nullopt, [&](HANDLE handle) -> std::error_code {
            FILETIME created{};
            FILETIME updated{};
            const bool hasCreated = state.ownCreated
                                        ? ToFileTime(FromFileTimeTicks(*state.ownCreated), created)
                                        : state.created && ToFileTime(*state.created, created);
            if (!ToFileTime(state.updated, updated)) {
                return make_error_code(Errc::time_not_stored);
            }
            if (auto ec = WriteTimes(handle, hasCreated ? &created : nullptr, &updated)) {
                return ec;
            }
            return fileOrFolder ? SetBasicAttributes(handle, word) : std::error_code();
        });
}

MountInfo MountOf(const Item& item) {
    MountInfo mount;
    const std::wstring path = FinalPath(ItemAccess::Handle(item));
    std::wstring point(path.size() + 1, L'\0');
    if (!path.empty() && ::GetVolumePathNameW(path.c_str(), point.data(), static_cast<DWORD>(point.size()))) {
        point.resize(std::wcslen(point.c_str()));
        if (point.rfind(L"\\\\?\\", 0) == 0 && point.rfind(L"\\\\?\\UNC\\", 0) != 0) {
            point.erase(0, 4);
        }
        mount.point = Narrow(point);
    }
    wchar_t name[MAX_PATH + 1] = {};
    if (::GetVolumeInformationByHandleW(ItemAccess::Handle(item), nullptr, 0, nullptr, nullptr, nullptr, name,
                                        MAX_PATH + 1)) {
        mount.type = Narrow(name);
    }
    return mount;
}

// -------------------------------------------------------------------------------------------------
// Folders: listed through their handle, a buffer of entries at a time.

struct Directory::Impl {
    UniqueHandle handle;
    bool listing = true;
    std::vector<LONGLONG> buffer; // FILE_ID_BOTH_DIR_INFO wants 8-byte alignment
    size_t at = 0;
    bool filled = false;
    bool first = true;
    bool done = false;
};

Directory::Directory() = default;
Directory::~Directory() = default;
Directory::Directory(Directory&&) noexcept = default;
Directory& Directory::operator=(Directory&&) noexcept = default;

bool Directory::IsOpen() const {
    return m_impl != nullptr && m_impl->handle.Valid();
}

HANDLE DirectoryAccess::Handle(const Directory& folder) {
    return folder.m_impl != nullptr ? folder.m_impl->handle.Get() : INVALID_HANDLE_VALUE;
}

Directory Directory::Open(const Item& folder, std::error_code& error) {
    Directory d;
    d.m_impl = std::make_unique<Impl>();
    if ((error = Reopen(folder, FILE_LIST_DIRECTORY | FILE_TRAVERSE | SYNCHRONIZE, d.m_impl->handle))) {
        return {};
    }
    return d;
}

Directory Directory::OpenForLookup(const std::string& path, std::error_code& error) {
    Directory d;
    d.m_impl = std::make_unique<Impl>();
    if ((error = OpenPath(path, FILE_TRAVERSE | SYNCHRONIZE, FollowLinks::Yes, d.m_impl->handle))) {
        return {};
    }
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
        if (!d.filled) {
            if (d.done) {
                return false;
            }
            d.buffer.resize(8192);
            const auto kind = d.first ? FileIdBothDirectoryRestartInfo : FileIdBothDirectoryInfo;
            d.first = false;
            if (!::GetFileInformationByHandleEx(d.handle.Get(), kind, d.buffer.data(),
                                                static_cast<DWORD>(d.buffer.size() * sizeof(LONGLONG)))) {
                d.done = true;
                if (::GetLastError() != ERROR_NO_MORE_FILES) {
                    error = LastError();
                }
                return false;
            }
            d.at = 0;
            d.filled = true;
        }
        const auto* e = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(
            reinterpret_cast<const char*>(d.buffer.data()) + d.at);
        if (e->NextEntryOffset == 0) {
            d.filled = false;
        } else {
            d.at += e->NextEntryOffset;
        }
        const std::wstring_view name(e->FileName, e->FileNameLength / sizeof(wchar_t));
        if (name == L"." || name == L"..") {
            continue;
        }
        entry.name = Narrow(name);
        // With a reparse point, the field for extended attributes holds its tag.
        const bool link = (e->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsLinkTag(e->EaSize);
        entry.type = link                                                  ? DirEntry::Type::Link
                     : (e->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? DirEntry::Type::Folder
                                                                           : DirEntry::Type::File;
        return true;
    }
}

} // namespace platform
