#include "filelist/Undo.h"

#include "filelist/Apply.h"
#include "filelist/ApplyRun.h"
#include "filelist/FileFacts.h"
#include "filelist/RunControl.h"
#include "journal/Journal.h"
#include "platform/Error.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "platform/TreeWalk.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <set>

namespace {

// Items looked at, at most, when looking for the moved ones: a walk of a whole disk is not what
// the user waits for.
constexpr uint64_t kSearchLimit = 1'000'000;

// Times kept to 2 seconds (FAT) are still the ones the run wrote.
bool Near(const platform::UtcTime& a, const platform::UtcTime& b) {
    return std::llabs(a.seconds - b.seconds) < 2;
}

bool SameTime(const std::optional<platform::UtcTime>& a, const std::optional<platform::UtcTime>& b) {
    return a.has_value() == b.has_value() && (!a || Near(*a, *b));
}

// A fact is as the run left it when it is what the item had before, or what the run set.
template <class T, class Same>
bool AsLeft(const T& now, const T& before, const std::optional<T>& asked, Same same) {
    return same(now, before) || (asked && same(now, *asked));
}

// Of an item whose record keeps its last-write time alone, only that is compared and put back.
bool AsTheRunLeftIt(const platform::ItemState& now, const journal::ItemRecord& record) {
    const auto& before = record.before;
    const auto& asked = record.asked;
    const auto sameAttributes = [](uint32_t a, uint32_t b) {
        return (a & platform::attr::Settable) == (b & platform::attr::Settable);
    };
    const auto sameUpdated = [](const platform::UtcTime& a, const platform::UtcTime& b) {
        return Near(a, b);
    };
    const std::optional<std::optional<platform::UtcTime>> askedCreated =
        asked.created ? std::optional(std::optional(*asked.created)) : std::nullopt;
    return AsLeft(now.updated, before.updated, asked.updated, sameUpdated) &&
           (record.updatedOnly ||
            (AsLeft(now.created, before.created, askedCreated, SameTime) &&
             AsLeft(now.attributes, before.attributes, asked.attributes, sameAttributes)));
}

bool AlreadyAsBefore(const platform::ItemState& now, const journal::ItemRecord& record) {
    const platform::ItemState& before = record.before;
    return now.updated == before.updated &&
           (record.updatedOnly || (now.created == before.created && now.attributes == before.attributes &&
                                   now.mode == before.mode && now.record == before.record &&
                                   now.word == before.word && now.ownCreated == before.ownCreated));
}

// What an undo sets on an item: its state before the run, as the list shows it.
journal::Asked AskedOf(const journal::ItemRecord& record) {
    const platform::ItemState& state = record.before;
    if (record.updatedOnly) {
        return {std::nullopt, state.updated, std::nullopt};
    }
    return {state.created, state.updated, state.attributes & platform::attr::Settable};
}

struct IdLess {
    bool operator()(const platform::ItemId& a, const platform::ItemId& b) const {
        return a.device != b.device ? a.device < b.device : a.inode < b.inode;
    }
};

// Where the run's items are now, by device and inode, found by one walk of the folders the run
// worked in, made the first time an item is not at its path.
class Finder {
public:
    explicit Finder(const std::vector<journal::ItemRecord>& items) : m_items(items) {}

    std::optional<std::string> Find(const platform::ItemId& id) {
        if (!m_walked) {
            Walk();
        }
        const auto it = m_where.find(id);
        return it == m_where.end() ? std::nullopt : std::optional(it->second);
    }

private:
    // The folders holding the run's items, those inside another of them left out.
    std::vector<std::string> Tops() const {
        std::set<std::string> folders;
        for (const journal::ItemRecord& item : m_items) {
            folders.insert(platform::SplitPath(item.path).folder);
        }
        std::vector<std::string> tops;
        for (const std::string& folder : folders) {
            // Sorted, so that the folders inside a kept one follow it directly.
            if (!folder.empty() && (tops.empty() || !folder.starts_with(tops.back()))) {
                tops.push_back(folder);
            }
        }
        return tops;
    }

    void Walk() {
        m_walked = true;
        std::set<platform::ItemId, IdLess> wanted;
        for (const journal::ItemRecord& item : m_items) {
            wanted.insert(item.before.id);
        }
        uint64_t seen = 0;
        for (const std::string& top : Tops()) {
            std::error_code error;
            const platform::Item root = platform::Item::Open(top, platform::FollowLinks::No, error);
            if (error || root.Type() != platform::ItemType::Folder) {
                continue;
            }
            platform::TreeWalk walk(root, top.size() > 1 ? top.substr(0, top.size() - 1) : top);
            for (auto step = walk.Next(); step != platform::TreeWalk::Step::End && seen < kSearchLimit;
                 step = walk.Next()) {
                ++seen;
                if (step == platform::TreeWalk::Step::Item && wanted.count(walk.Current().Id()) != 0) {
                    m_where.emplace(walk.Current().Id(), walk.Path());
                }
            }
        }
    }

    const std::vector<journal::ItemRecord>& m_items;
    bool m_walked = false;
    std::map<platform::ItemId, std::string, IdLess> m_where;
};

// The item the record is about, at its path or wherever it has gone; path is where it was found.
platform::Item Locate(const journal::ItemRecord& record, Finder& finder, std::string& path) {
    std::error_code error;
    path = record.path;
    platform::Item item = platform::Item::Open(path, platform::FollowLinks::No, error);
    if (!error && item.Id() == record.before.id) {
        return item;
    }
    if (const auto found = finder.Find(record.before.id)) {
        path = *found;
        item = platform::Item::Open(path, platform::FollowLinks::No, error);
        if (!error && item.Id() == record.before.id) {
            return item;
        }
    }
    return {};
}

class Undoer {
public:
    // journal: none for a preview.
    Undoer(UndoRequest& request, const journal::Run& run, journal::Writer* journal)
        : m_request(request), m_journal(journal), m_finder(run.items) {}

    // False when the undo must stop: its own journal failed.
    bool UndoItem(const journal::ItemRecord& record, std::string& path) {
        const platform::Item item = Locate(record, m_finder, path);
        PreviewRow* const row = m_request.preview != nullptr && item.IsOpen() ? &AddRow(path, item) : nullptr;
        if (!item.IsOpen()) {
            Leave(m_request.missing, row, path, platform::Errc::item_missing);
            return true;
        }
        journal::ItemRecord own;
        if (const auto error = ReadNow(item, record, row, own)) {
            Leave(m_request.failed, row, path, error);
            return true;
        }
        if (AlreadyAsBefore(own.before, record)) {
            ++m_request.untouched;
            return true;
        }
        if (!AsTheRunLeftIt(own.before, record)) {
            Leave(m_request.changedSince, row, path, platform::Errc::changed_since);
            return true;
        }
        own.path = path;
        own.asked = AskedOf(record);
        if (row != nullptr) {
            row->next = own.asked;
            const platform::ChangeAsked asked{true, !record.updatedOnly && record.before.created.has_value(),
                                              !record.updatedOnly, m_user};
            if (const auto error = platform::PredictChange(item, asked, &row->current)) {
                Leave(m_request.failed, row, path, error);
            } else {
                ++m_request.restored;
            }
            return true;
        }
        if (const auto error = m_journal->Add(own)) {
            Leave(m_request.failed, row, path, platform::Errc::journal_unwritable, error);
            return false;
        }
        if (const auto error = record.updatedOnly
                                   ? platform::SetFileTimes(item, nullptr, &record.before.updated)
                                   : platform::RestoreState(item, record.before, /*asOpened=*/true)) {
            Leave(m_request.failed, row, path, error);
            return true;
        }
        ++m_request.restored;
        return true;
    }

private:
    PreviewRow& AddRow(const std::string& path, const platform::Item& item) {
        if (!m_user) {
            m_user = platform::EffectiveUser();
        }
        return m_request.preview->AddItem(path, item.Type() == platform::ItemType::Folder);
    }

    // The item's state now, as far as the undo compares it; a preview shows all of it.
    static std::error_code ReadNow(const platform::Item& item, const journal::ItemRecord& record,
                                   PreviewRow* row, journal::ItemRecord& own) {
        if (row != nullptr) {
            const std::error_code error = platform::ReadState(item, row->current);
            if (!error || !record.updatedOnly) {
                own.before = row->current;
                return error;
            }
        }
        if (record.updatedOnly) {
            journal::KeepUpdatedOnly(own, item);
            if (row != nullptr) {
                row->current = own.before;
            }
            return {};
        }
        return platform::ReadState(item, own.before);
    }

    // The item is left as it is, counted where it belongs; a line says why, or in a preview its
    // row (a row of its own when it was not found).
    void Leave(uint64_t& count, PreviewRow* row, const std::string& path, const std::error_code& error,
               const std::error_code& reason = {}) {
        ++count;
        if (m_request.preview == nullptr) {
            m_request.log += MakeErrorText(path, error, reason);
        } else if (row == nullptr) {
            m_request.preview->AddProblem(path, false, error);
        } else {
            row->error = error;
            ++m_request.preview->failing;
        }
    }

    UndoRequest& m_request;
    journal::Writer* m_journal;
    Finder m_finder;
    std::optional<uint32_t> m_user;
};

platform::UtcTime Now() {
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                        std::chrono::system_clock::now().time_since_epoch())
                        .count();
    return {ns / 1'000'000'000, static_cast<uint32_t>(ns % 1'000'000'000)};
}

} // namespace

std::error_code UndoRun(const std::string& name, UndoRequest& request) {
    journal::Run run;
    if (auto error = journal::ReadRun(request.folder, name, run)) {
        return error;
    }
    std::unique_ptr<journal::Writer> writer;
    if (request.preview == nullptr) {
        std::error_code error;
        const journal::RunHeader header{journal::RunKind::Undo, Now(), "元に戻す: " + run.header.summary,
                                        name};
        writer = journal::Writer::Start(request.folder, header, error);
        if (!writer) {
            return error;
        }
        request.journalName = writer->Name();
    }
    RunControl* const control = request.control;
    if (control != nullptr) {
        control->StartRows(run.items.size());
    }
    Undoer undoer(request, run, writer.get());
    bool stopped = false;
    for (auto it = run.items.rbegin(); it != run.items.rend(); ++it) {
        if (control != nullptr && control->StopHere()) {
            stopped = true;
            break;
        }
        std::string path;
        const bool goOn = undoer.UndoItem(*it, path);
        if (control != nullptr) {
            control->ItemDone(path);
            control->RowDone();
        }
        if (request.itemDone) {
            request.itemDone(path);
        }
        if (!goOn) {
            stopped = true;
            break;
        }
    }
    if (control != nullptr && control->Stopped()) {
        request.log += CancelledLine(control->ItemsDone());
    }
    if (writer) {
        writer->Finish({writer->Added(), stopped});
    }
    return {};
}
