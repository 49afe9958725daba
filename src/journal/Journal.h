#pragma once

#include "platform/FileSystem.h"
#include "platform/SystemTime.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace platform {
class AppendFile;
}

// The journal of a run: before an item is changed, what it was and what the run asks of it go
// into the run's own file, so that the run can be undone exactly, also after a crash. One file
// per run, in a folder that keeps the newest kKeptRuns. Each record carries its length and a
// check (CRC-32), and a file is read whole or not at all.
namespace journal {

inline constexpr int kKeptRuns = 20;

// What a run asks of an item: the facts it sets, as the list shows them afterwards.
struct Asked {
    std::optional<platform::UtcTime> created;
    std::optional<platform::UtcTime> updated;
    std::optional<uint32_t> attributes;
    friend bool operator==(const Asked&, const Asked&) = default;
};

struct ItemRecord {
    std::string path;
    platform::ItemState before; // its id is the item's device and inode
    Asked asked;
    // Only the identity and last-write time were kept, the run asking nothing else: reading the
    // rest of every item would cost the run a third of its time.
    bool updatedOnly = false;
    friend bool operator==(const ItemRecord&, const ItemRecord&) = default;
};

// Makes record one that keeps the last-write time alone, as the item's handle saw it on opening.
inline void KeepUpdatedOnly(ItemRecord& record, const platform::Item& item) {
    record.updatedOnly = true;
    record.before = platform::ItemState();
    record.before.id = item.Id();
    record.before.updated = item.Updated();
}

enum class RunKind : uint8_t { Update = 0, Undo = 1 };

struct RunHeader {
    RunKind kind = RunKind::Update;
    platform::UtcTime started;
    std::string summary; // what the run asked, in words, for a list of runs
    std::string undid;   // an undo: the name of the run it undid
    friend bool operator==(const RunHeader&, const RunHeader&) = default;
};

struct RunEnd {
    uint64_t items = 0; // items done
    bool cancelled = false;
    friend bool operator==(const RunEnd&, const RunEnd&) = default;
};

// A journal as read back. Without an end the run was stopped before it could write one.
struct Run {
    std::string name;
    RunHeader header;
    std::vector<ItemRecord> items;
    std::optional<RunEnd> end;
};

// Writes one run's journal.
class Writer {
public:
    // Makes the journal of a new run in folder (made if missing) and writes its header; space
    // for some thousands of items is taken at once, so that a full disk refuses the run before
    // it starts. Older runs beyond the newest kKeptRuns - 1 are removed first.
    static std::unique_ptr<Writer> Start(const std::string& folder, const RunHeader& header,
                                         std::error_code& error);
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    // Before the item is changed. The record is in the file when this returns, also if the
    // process dies next; it outlasts a power cut within about a second.
    std::error_code Add(const ItemRecord& item);
    std::error_code Finish(const RunEnd& end);
    const std::string& Name() const { return m_name; }
    // Items added so far.
    uint64_t Added() const { return m_added; }

private:
    Writer() = default;
    // Ends the record begun in m_record and appends it.
    std::error_code Write();

    std::string m_name;
    std::unique_ptr<platform::AppendFile> m_file;
    std::string m_record; // the record being made, its space kept for the next
    int64_t m_lastSync = 0;
    int m_sinceClock = 0;
    uint64_t m_added = 0;
};

// Reads a journal whole. A damaged one (cut short, altered, of an unknown version) gives
// Errc::journal_damaged and no run; where, when given, says at which byte.
std::error_code ReadRun(const std::string& folder, const std::string& name, Run& run,
                        uint64_t* where = nullptr);

// What a list of runs shows of one, read without its items.
struct RunInfo {
    std::string name;
    RunHeader header;
    std::optional<RunEnd> end; // none: the run stopped before it could write one
};

// Reads a journal's header and end only, a few hundred bytes however many items it holds. A
// damaged header gives Errc::journal_damaged; a damaged end reads as none (ReadRun tells).
std::error_code ReadRunInfo(const std::string& folder, const std::string& name, RunInfo& info);

// The kept runs' names, newest first.
std::vector<std::string> ListRuns(const std::string& folder);

// Where the journals live: $XDG_STATE_HOME/Datemark/journal.
std::string DefaultFolder();

// ReadRun over a journal's bytes.
std::error_code DecodeRun(std::string_view bytes, Run& run, uint64_t* where = nullptr);

} // namespace journal
