#include "filelist/Apply.h"

#include "filelist/FileEntry.h"
#include "filelist/FileFacts.h"
#include "filelist/RunControl.h"
#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "platform/TreeWalk.h"

#include <algorithm>
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

// A failure outside any item's change: a line, or in a preview a row of its own.
void Report(ApplyRequest& request, const std::string& path, bool isFolder, const std::error_code& error,
            const std::error_code& reason = {}) {
    if (request.preview == nullptr) {
        AddLine(request, path, error, reason);
        return;
    }
    request.preview->AddProblem(path, isFolder, error);
}

bool WantsAnything(const ApplyRequest& request) {
    return request.setAttributes != 0 || request.setCreated != 0 || request.setUpdated != 0;
}

// known: the item's state as just read, where it was.
std::error_code WantedAttributes(const platform::Item& item, const ApplyRequest& request,
                                 const platform::ItemState* known, uint32_t& wanted) {
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
            if (known != nullptr) {
                current = known->attributes;
            } else if (auto error = platform::GetAttributes(item, current)) {
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

// What the run writes on one item, worked out before anything is written.
struct Plan {
    const platform::UtcTime* created = nullptr;
    const platform::UtcTime* updated = nullptr;
    ApplyRequest::ItemTimes own;
    std::optional<uint32_t> attributes;
    std::error_code attributesLeft; // why the attributes asked are not given; the times still are
};

std::error_code MakePlan(const platform::Item& item, ApplyRequest& request, Plan& plan,
                         const platform::ItemState* known = nullptr) {
    if (request.setCreated != 0 || request.setUpdated != 0) {
        if (auto error = TimesToWrite(item, request, plan.own, plan.created, plan.updated)) {
            return error;
        }
    }
    // A device, FIFO or socket has no attributes; asking for them must not cost it its times.
    if (request.setAttributes != 0 && item.Type() == platform::ItemType::Other) {
        plan.attributesLeft = make_error_code(platform::Errc::not_a_file_or_folder);
        return plan.created == nullptr && plan.updated == nullptr ? plan.attributesLeft : std::error_code();
    }
    if (request.setAttributes != 0) {
        uint32_t wanted = 0;
        if (auto error = WantedAttributes(item, request, known, wanted)) {
            return error;
        }
        plan.attributes = wanted;
    }
    return {};
}

journal::Asked AskedOf(const Plan& plan) {
    journal::Asked asked;
    if (plan.created != nullptr) {
        asked.created = *plan.created;
    }
    if (plan.updated != nullptr) {
        asked.updated = *plan.updated;
    }
    asked.attributes = plan.attributes;
    return asked;
}

// The read-only twin of ChangeItem: the same plan, and the first failure the change would meet.
void PreviewItem(const platform::Item& item, const std::string& path, ApplyRequest& request) {
    PreviewSink& sink = *request.preview;
    PreviewRow& row = sink.AddItem(path, item.Type() == platform::ItemType::Folder);
    Plan plan;
    row.error = platform::ReadState(item, row.current);
    if (!row.error) {
        row.error = MakePlan(item, request, plan, &row.current);
        row.next = AskedOf(plan);
    }
    if (!row.error) {
        if (!request.user) {
            request.user = platform::EffectiveUser();
        }
        const platform::ChangeAsked asked{plan.created != nullptr || plan.updated != nullptr,
                                          plan.created != nullptr, plan.attributes.has_value(), request.user,
                                          plan.attributes &&
                                              (*plan.attributes & platform::attr::Hidden) == 0};
        row.error = platform::PredictChange(item, asked, &row.current);
    }
    if (!row.error && plan.attributesLeft) {
        row.error = plan.attributesLeft;
    }
    sink.failing += row.error ? 1 : 0;
}

// Writes the item's old state and the plan to the journal; false when the item must be left.
bool Journal(const platform::Item& item, const std::string& path, ApplyRequest& request, const Plan& plan,
             journal::ItemRecord& record) {
    // A run that sets the last-write time alone puts back only that.
    if (plan.created == nullptr && !plan.attributes) {
        journal::KeepUpdatedOnly(record, item);
    } else if (const auto error = platform::ReadState(item, record.before)) {
        AddLine(request, path, error);
        return false;
    }
    record.path = platform::FullPath(path, request.currentFolder);
    record.asked = AskedOf(plan);
    if (const auto error = request.journal->Add(record)) {
        request.journalError = error;
        AddLine(request, path, platform::Errc::journal_unwritable, error);
        return false;
    }
    return true;
}

// All the work on one item, through its handle. A cancel is honoured only between two calls,
// so that the steps of one item are never split.
void ChangeItem(const platform::Item& item, const std::string& path, ApplyRequest& request) {
    if (request.preview != nullptr) {
        PreviewItem(item, path, request);
        return;
    }
    Plan plan;
    if (const auto error = MakePlan(item, request, plan)) {
        AddLine(request, path, error);
        return;
    }
    journal::ItemRecord record;
    if (request.journal != nullptr && !Journal(item, path, request, plan, record)) {
        return;
    }
    bool timesWritten = false;
    if (plan.created != nullptr || plan.updated != nullptr) {
        if (const auto error = platform::SetFileTimes(item, plan.created, plan.updated)) {
            if (error == platform::Errc::creation_time_unsupported) {
                CountNoCreationTime(request, item);
            } else {
                AddLine(request, path, error);
            }
            if (!LeavesTheRestToDo(error)) {
                return;
            }
        }
        timesWritten = true;
    }
    if (plan.attributesLeft) {
        AddLine(request, path, plan.attributesLeft);
    }
    if (plan.attributes) {
        // The record journalled just before is the one on disk, unless a creation time went into it.
        const platform::ItemState* known =
            request.journal != nullptr && plan.created == nullptr ? &record.before : nullptr;
        if (const auto error = platform::SetAttributes(item, *plan.attributes, known)) {
            AddLine(request, path, error);
            // Half a change is put back where the old state is known; a dot name's hidden bit
            // is no failure of the rest, which is done.
            if (timesWritten && request.journal != nullptr && error != platform::Errc::hidden_by_name) {
                platform::RestoreState(item, record.before);
            }
        }
    }
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

// What KnowRows and the walks remembered of the run's items.
void ForgetRows(ApplyRequest& request) {
    request.severalRows = false;
    request.rowIds.clear();
    request.rowsDone.clear();
    request.linksDone.clear();
}

void WalkBelow(const platform::Item& folder, const std::string& path, ApplyRequest& request) {
    platform::TreeWalk walk(folder, path, request.crossMounts,
                            request.preview != nullptr ? platform::ItemsFor::Questions
                                                       : platform::ItemsFor::Changes);
    for (;;) {
        if (RunStopsHere(request)) {
            return;
        }
        switch (walk.Next()) {
        case platform::TreeWalk::Step::End:
            return;
        case platform::TreeWalk::Step::Problem:
            Report(request, walk.Path(), /*isFolder=*/true, walk.Error(), walk.Reason());
            break;
        case platform::TreeWalk::Step::Item:
            if (!request.rowIds.empty() && request.rowIds.contains(walk.Current().Id())) {
                walk.LeaveCurrent(); // a row of its own, done as that
                break;
            }
            // A file's other name: its one change is made. Only such files are remembered.
            if (walk.Current().Links() > 1 && walk.Current().Type() == platform::ItemType::File &&
                !request.linksDone.insert(walk.Current().Id()).second) {
                break;
            }
            if (walk.Current().Type() != platform::ItemType::Folder || request.folderTarget != 0) {
                ApplyCounted(walk.Current(), walk.Path(), request);
            }
            break;
        }
    }
}

} // namespace

PreviewRow& PreviewSink::AddItem(const std::string& path, bool isFolder) {
    PreviewRow& row = rows.emplace_back();
    row.path = path;
    row.isFolder = isFolder;
    ++(isFolder ? folders : files);
    return row;
}

void PreviewSink::AddProblem(const std::string& path, bool isFolder, const std::error_code& error) {
    PreviewRow& row = rows.emplace_back();
    row.path = path;
    row.isFolder = isFolder;
    row.error = error;
    ++failing;
}

bool RunStopsHere(ApplyRequest& request) {
    return request.journalError || (request.control != nullptr && request.control->StopHere());
}

void ApplyToEntry(const FileEntry& entry, ApplyRequest& request) {
    const std::string path = entry.GetPath();
    std::error_code error;
    const platform::Item item = platform::Item::Open(
        path, entry.IsLink() ? platform::FollowLinks::Yes : platform::FollowLinks::No, error);
    if (error) {
        Report(request, path, entry.IsFolder() != 0, error);
        return;
    }
    if (item.Type() == platform::ItemType::Link) {
        Report(request, path, entry.IsFolder() != 0, platform::Errc::became_link);
        return;
    }
    if (request.severalRows && item.Id().Known() && !request.rowsDone.insert(item.Id()).second) {
        return; // the same item as an earlier row
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

void KnowRows(std::span<const FileEntry* const> rows, ApplyRequest& request) {
    ForgetRows(request);
    request.severalRows = rows.size() > 1;
    const bool walks =
        request.subFolder != 0 && rows.size() > 1 &&
        std::any_of(rows.begin(), rows.end(), [](const FileEntry* row) { return row->IsFolder() != 0; });
    if (!walks) {
        return;
    }
    for (const FileEntry* row : rows) {
        std::error_code error;
        const platform::Item item = platform::Item::Open(
            row->GetPath(), row->IsLink() ? platform::FollowLinks::Yes : platform::FollowLinks::No, error);
        if (!error && item.Id().Known()) {
            request.rowIds.insert(item.Id());
        }
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
    ForgetRows(request);
    if (request.journalError) {
        request.log += "元に戻すための記録を書けなくなったため、中止しました: " +
                       platform::ErrorText(request.journalError) + "\n";
    }
}
