#include "filelist/Apply.h"

#include "filelist/FileEntry.h"
#include "filelist/FileFacts.h"
#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"

#include <cstring>
#include <unordered_set>
#include <vector>

namespace {

const platform::UtcTime* Converted(ApplyRequest::Converted& cache, const SYSTEMTIME& local) {
    SYSTEMTIME wanted = local;
    wanted.wMilliseconds = 0; // whole seconds are written, nothing finer
    if (std::memcmp(&wanted, &cache.from, sizeof wanted) != 0) {
        cache.from = wanted;
        cache.utc = platform::LocalToUtc(wanted);
    }
    return cache.utc ? &*cache.utc : nullptr;
}

void AddLine(ApplyRequest& request, const platform::ItemRef& item, const std::error_code& error) {
    request.log += MakeErrorText(item.FullPath(), error);
}

int ApplyToItem(const platform::ItemRef& item, platform::ItemKind kind, ApplyRequest& request) {
    int result = 1;
    if (request.setCreated != 0 || request.setUpdated != 0) {
        const platform::UtcTime* created = nullptr;
        const platform::UtcTime* updated = nullptr;
        if (request.setCreated != 0 &&
            (created = Converted(request.createdUtc, request.created)) == nullptr) {
            AddLine(request, item, platform::Errc::invalid_time);
            return 0;
        }
        if (request.setUpdated != 0 &&
            (updated = Converted(request.updatedUtc, request.updated)) == nullptr) {
            AddLine(request, item, platform::Errc::invalid_time);
            return 0;
        }
        if (const auto error = platform::SetFileTimes(item, kind, created, updated)) {
            AddLine(request, item, error);
            // The last-write time is on disk; the attributes asked for can still be given.
            if (error != platform::Errc::creation_time_unsupported) {
                return 0;
            }
            result = 0;
        }
    }
    if (request.setAttributes != 0) {
        uint32_t wanted = (request.readOnly != 0 ? platform::attr::ReadOnly : 0) |
                          (request.hidden != 0 ? platform::attr::Hidden : 0) |
                          (request.archive != 0 ? platform::attr::Archive : 0);
        if (wanted == 0) {
            wanted = platform::attr::Normal;
        }
        if (const auto error = platform::SetAttributes(item, wanted)) {
            AddLine(request, item, error);
            return 0;
        }
    }
    return result;
}

struct DirectoryIdHash {
    size_t operator()(const platform::Directory::Id& id) const noexcept {
        return std::hash<uint64_t>()(id.inode * 31 + id.device);
    }
};

} // namespace

int ApplyToFile(const std::string& path, ApplyRequest& request) {
    return ApplyToItem(platform::ItemRef::Path(path), platform::ItemKind::File, request);
}

int ApplyToFolder(const std::string& path, ApplyRequest& request) {
    if (request.folderTarget == 0) {
        return 1;
    }
    return ApplyToItem(platform::ItemRef::Path(path), platform::ItemKind::Folder, request);
}

int ApplyToTree(const std::string& folder, ApplyRequest& request) {
    std::error_code error;
    platform::Directory root = platform::Directory::Open(folder, error);
    if (error) {
        return 1;
    }
    struct Level {
        platform::Directory directory;
        std::string prefix; // the folder's path ending in a separator, joined once per folder
    };
    // An explicit stack, not recursion: the depth is the file system's business.
    std::vector<Level> stack;
    std::unordered_set<platform::Directory::Id, DirectoryIdHash> visited{root.GetId()};
    stack.push_back({std::move(root), platform::JoinPath(folder, "")});
    platform::DirEntry entry;
    std::string path;
    while (!stack.empty()) {
        Level& level = stack.back();
        if (!level.directory.Next(entry)) {
            stack.pop_back();
            continue;
        }
        if (entry.type == platform::DirEntry::Type::Link) {
            continue;
        }
        path.assign(level.prefix).append(entry.name);
        const auto item = platform::ItemRef::InFolder(level.directory, entry.name, path);
        if (entry.type != platform::DirEntry::Type::Folder) {
            ApplyToItem(item, platform::ItemKind::File, request);
            continue;
        }
        if (request.folderTarget != 0) {
            ApplyToItem(item, platform::ItemKind::Folder, request);
        }
        platform::Directory child = level.directory.OpenChild(entry.name, error);
        if (error || !visited.insert(child.GetId()).second) {
            continue;
        }
        stack.push_back({std::move(child), platform::JoinPath(path, "")});
    }
    return 1;
}

void ApplyToEntry(const FileEntry& entry, ApplyRequest& request) {
    const std::string path = entry.GetPath();
    if (entry.IsFolder() == 0) {
        ApplyToFile(path, request);
        return;
    }
    ApplyToFolder(path, request);
    if (request.subFolder != 0 &&
        (request.setAttributes != 0 || request.setCreated != 0 || request.setUpdated != 0)) {
        ApplyToTree(path, request);
    }
}
