#include "filelist/Apply.h"

#include "filelist/FileEntry.h"
#include "filelist/FileFacts.h"
#include "filelist/RunControl.h"
#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "platform/TreeWalk.h"

#include <cstring>

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

void AddLine(ApplyRequest& request, const std::string& path, const std::error_code& error,
             const std::error_code& reason = {}) {
    request.log += MakeErrorText(path, error, reason);
}

bool WantsAnything(const ApplyRequest& request) {
    return request.setAttributes != 0 || request.setCreated != 0 || request.setUpdated != 0;
}

std::error_code WantedAttributes(const platform::Item& item, const ApplyRequest& request, uint32_t& wanted) {
    uint32_t current = 0;
    uint32_t clear = platform::attr::Settable;
    uint32_t set = (request.readOnly != 0 ? platform::attr::ReadOnly : 0) |
                   (request.hidden != 0 ? platform::attr::Hidden : 0) |
                   (request.archive != 0 ? platform::attr::Archive : 0);
    if (request.attributeChange) {
        clear = request.attributeChange->clear;
        set = request.attributeChange->set;
        // Only bits nobody named are kept, so only then are the item's own read.
        if (((clear | set) & platform::attr::Settable) != platform::attr::Settable) {
            if (auto error = platform::GetAttributes(item, current)) {
                return error;
            }
        }
    }
    wanted = ((current & ~clear) | set) & platform::attr::Settable;
    if (wanted == 0) {
        wanted = platform::attr::Normal;
    }
    return {};
}

// The times the item gets: the request's, or those timesOfItem works out from the item's own.
std::error_code TimesToWrite(const platform::Item& item, ApplyRequest& request, ApplyRequest::ItemTimes& own,
                             const platform::UtcTime*& created, const platform::UtcTime*& updated) {
    if (!request.timesOfItem) {
        created = request.setCreated != 0 ? Converted(request.createdUtc, request.created) : nullptr;
        updated = request.setUpdated != 0 ? Converted(request.updatedUtc, request.updated) : nullptr;
        const bool converted = (created != nullptr || request.setCreated == 0) &&
                               (updated != nullptr || request.setUpdated == 0);
        return converted ? std::error_code() : make_error_code(platform::Errc::invalid_time);
    }
    if (auto error = platform::GetFileTimes(item, own.created, own.updated)) {
        return error;
    }
    if (auto error = request.timesOfItem(item, own)) {
        return error;
    }
    if (request.setCreated != 0 && !own.created) {
        return make_error_code(platform::Errc::invalid_time);
    }
    created = request.setCreated != 0 ? &*own.created : nullptr;
    updated = request.setUpdated != 0 ? &own.updated : nullptr;
    return {};
}

// The failures after which the attributes are still given: what could be done is done.
bool LeavesTheRestToDo(const std::error_code& error) {
    return error == platform::Errc::creation_time_unsupported;
}

void CountNoCreationTime(ApplyRequest& request, const platform::Item& item) {
    auto [it, added] = request.noCreationTime.try_emplace(item.Id().device);
    if (added) {
        it->second.mount = platform::MountOf(item);
    }
    ++it->second.items;
}

// All the work on one item, through its handle. A hook before the item's change (a journal of
// its old state) belongs at the top; a cancel is honoured only between two calls, so that the
// steps of one item are never split.
int ChangeItem(const platform::Item& item, const std::string& path, ApplyRequest& request) {
    int result = 1;
    if (request.setCreated != 0 || request.setUpdated != 0) {
        const platform::UtcTime* created = nullptr;
        const platform::UtcTime* updated = nullptr;
        ApplyRequest::ItemTimes own;
        if (const auto error = TimesToWrite(item, request, own, created, updated)) {
            AddLine(request, path, error);
            return 0;
        }
        if (const auto error = platform::SetFileTimes(item, created, updated)) {
            if (error == platform::Errc::creation_time_unsupported) {
                CountNoCreationTime(request, item);
            } else {
                AddLine(request, path, error);
            }
            if (!LeavesTheRestToDo(error)) {
                return 0;
            }
            result = 0;
        }
    }
    if (request.setAttributes != 0) {
        uint32_t wanted = 0;
        std::error_code error = WantedAttributes(item, request, wanted);
        if (!error) {
            error = platform::SetAttributes(item, wanted);
        }
        if (error) {
            AddLine(request, path, error);
            return 0;
        }
    }
    return result;
}

// ChangeItem, reported to whoever watches the run.
void ApplyCounted(const platform::Item& item, const std::string& path, ApplyRequest& request) {
    ChangeItem(item, path, request);
    if (request.control != nullptr) {
        request.control->ItemDone(path);
    }
    if (request.itemDone) {
        request.itemDone(path);
    }
}

void WalkBelow(const platform::Item& folder, const std::string& path, ApplyRequest& request) {
    platform::TreeWalk walk(folder, path, request.crossMounts);
    for (;;) {
        if (request.control != nullptr && request.control->StopHere()) {
            return;
        }
        switch (walk.Next()) {
        case platform::TreeWalk::Step::End:
            return;
        case platform::TreeWalk::Step::Problem:
            AddLine(request, walk.Path(), walk.Error(), walk.Reason());
            break;
        case platform::TreeWalk::Step::Item:
            if (walk.Current().Type() != platform::ItemType::Folder || request.folderTarget != 0) {
                ApplyCounted(walk.Current(), walk.Path(), request);
            }
            break;
        }
    }
}

} // namespace

void ApplyToEntry(const FileEntry& entry, ApplyRequest& request) {
    const std::string path = entry.GetPath();
    std::error_code error;
    const platform::Item item = platform::Item::Open(
        path, entry.IsLink() ? platform::FollowLinks::Yes : platform::FollowLinks::No, error);
    if (error) {
        AddLine(request, path, error);
        return;
    }
    if (item.Type() == platform::ItemType::Link) {
        AddLine(request, path, platform::Errc::became_link);
        return;
    }
    if (item.Type() != platform::ItemType::Folder) {
        ApplyCounted(item, path, request);
        return;
    }
    if (request.folderTarget != 0) {
        ApplyCounted(item, path, request);
    }
    if (request.subFolder != 0 && WantsAnything(request)) {
        WalkBelow(item, path, request);
    }
}

void FinishRun(ApplyRequest& request) {
    for (const auto& [device, where] : request.noCreationTime) {
        const std::string place = where.mount.point.empty() ? "?" : where.mount.point;
        std::string line =
            MakeErrorText(place + " (" + where.mount.type + ")", platform::Errc::creation_time_unsupported);
        line.insert(line.size() - 1, "（" + std::to_string(where.items) + " 項目）");
        request.log += line;
    }
    request.noCreationTime.clear();
}
